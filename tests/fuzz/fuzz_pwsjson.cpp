#include "AnswerReaders.h"
#include "PwsSource.h"

#include <QByteArray>
#include <QTemporaryDir>
#include <QTimeZone>
#include <cstddef>
#include <cstdint>

// The station-owner source's answers, split on "\n%%\n" lines: current observation, day's
// records, forecast, nearby stations. A missing part is a failed fetch, an empty one a 204.
// Every request of the readers (conditions poll, forecast, lookup) is answered from them.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static QTemporaryDir folder;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QList<QByteArray> parts;
    for (qsizetype from = 0;;) {
        const qsizetype at = bytes.indexOf("\n%%\n", from);
        parts.append(bytes.mid(from, at < 0 ? -1 : at - from));
        if (at < 0)
            break;
        from = at + 4;
    }
    const auto transport = [&parts](const std::vector<QByteArray>& urls) {
        std::vector<std::optional<PwsSource::Answer>> answers;
        for (const QByteArray& url : urls) {
            const QByteArray path = url.left(url.indexOf('?'));
            const int at = path.endsWith("/current") ? 0
                : path.endsWith("/1day")             ? 1
                : path.endsWith("/forecast")         ? 2
                                                     : 3;
            if (at < parts.size())
                answers.push_back(PwsSource::Answer { parts[at].isEmpty() ? 204 : 200, parts[at] });
            else
                answers.push_back(std::nullopt);
        }
        return answers;
    };
    // The moment the seeds were taken from the simulator, so that they are fresh.
    const QDateTime now = QDateTime::fromSecsSinceEpoch(1796657388, QTimeZone::utc());
    const PwsSource source(
        QStringLiteral("http://127.0.0.1:9"), QStringLiteral("http://127.0.0.1:9"), {},
        [now] { return now; }, transport);
    AnswerReaders::readAll(source, folder.path());
    return 0;
}
