#include "AlpacaApi.h"
#include "IndiEndpoints.h"
#include "SnapshotBoard.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace
{

constexpr qint64 Now = 1796670000000; // ms

const SnapshotBoard& clearNight()
{
    static SnapshotBoard board([] { return Now; });
    static const bool published = [] {
        ConditionsReadings readings;
        readings.outcome = ConditionsReadings::Outcome::Complete;
        readings.safe = true;
        readings.refreshMinutes = 5;
        readings.temperature = 12.3;
        readings.humidity = 65;
        readings.dewpoint = 5.9;
        readings.windKph = 18;
        readings.gustKph = 27;
        readings.windDirText = QStringLiteral("NNE");
        readings.pressureHpa = 1016;
        readings.rain1hMm = 0;
        readings.sky = QStringLiteral("Despejado");
        board.publish(readings);
        return true;
    }();
    Q_UNUSED(published);
    return board;
}

std::string_view line(std::string_view& rest)
{
    const std::size_t end = rest.find('\n');
    const std::string_view first = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    return first;
}

} // namespace

// A request as three pieces: the method's line, the target's line (path and query), the body.
// Dispatched as the server does, without its sockets.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    const std::string_view method = line(rest);
    const std::string_view target = line(rest);
    const std::size_t question = target.find('?');
    const std::string_view path = target.substr(0, question);
    const std::string_view query
        = question == std::string_view::npos ? std::string_view() : target.substr(question + 1);

    const SnapshotBoard& board = clearNight();
    if (IndiEndpoints::handles(path)) {
        IndiEndpoints::answer(method, path, *board.current(), board.now());
        return 0;
    }
    AlpacaApi api(board, { "id-safety", "id-conditions" }, nullptr, 0); // no archive
    api.handle(method, path, AlpacaProtocol::parseForm(method == "PUT" ? rest : query));
    return 0;
}
