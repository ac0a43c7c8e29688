#include "AlpacaApi.h"

#include "NuboraVersion.h"
#include "ObservingConditionsMembers.h"
#include "SnapshotBoard.h"

#include <QDateTime>

using namespace AlpacaProtocol;

namespace
{

constexpr std::string_view ApiPrefix = "/api/v1/";

// Interface versions of the members served: connect, disconnect, connecting and devicestate
// came with them.
constexpr int InterfaceVersion[AlpacaApi::DeviceCount] = { 3, 2 };

constexpr std::string_view DeviceNames[AlpacaApi::DeviceCount]
    = { "Nubora SafetyMonitor", "Nubora ObservingConditions" };

constexpr std::string_view Descriptions[AlpacaApi::DeviceCount] = {
    "Condición segura de la última consulta de Nubora a la estación meteorológica",
    "Condiciones actuales de la estación meteorológica que consulta Nubora",
};

AlpacaReply badRequest(std::string message)
{
    return { 400, "text/plain; charset=utf-8", std::move(message) + '\n' };
}

std::string stateEntry(std::string_view name, const std::string& value)
{
    return "{\"Name\":" + jsonString(name) + ",\"Value\":" + value + '}';
}

std::string timeStamp(qint64 nowMs)
{
    return QDateTime::fromMSecsSinceEpoch(nowMs, Qt::UTC).toString(Qt::ISODateWithMs).toStdString();
}

} // namespace

AlpacaApi::AlpacaApi(const SnapshotBoard& board, std::array<std::string, DeviceCount> uniqueIds,
    const HistoryReader* history, double reachHours)
    : m_board(board)
    , m_uniqueIds(std::move(uniqueIds))
    , m_averages(history, reachHours)
{
}

std::string_view AlpacaApi::typeName(Device device)
{
    return device == SafetyMonitor ? "SafetyMonitor" : "ObservingConditions";
}

AlpacaReply AlpacaApi::handle(
    std::string_view method, std::string_view path, const Parameters& parameters)
{
    const bool put = method == "PUT";
    if (!put && method != "GET")
        return badRequest("Only GET and PUT are served");

    // Transaction numbers first: a bad one makes the whole request uninterpretable.
    quint32 clientTransaction = 0;
    for (const std::string_view name : { "clientid", "clienttransactionid" }) {
        const std::string* text = find(parameters, name);
        if (!text)
            continue;
        const std::optional<quint32> number = toUInt32(*text);
        if (!number)
            return badRequest(std::string(name == "clientid" ? "ClientID" : "ClientTransactionID")
                + " must be a number from 0 to 4294967295");
        if (name == "clienttransactionid")
            clientTransaction = *number;
    }

    Result result;
    if (path.substr(0, 12) == "/management/") {
        if (put)
            return badRequest("The management API is GET only");
        result = management(path);
    } else if (path.substr(0, ApiPrefix.size()) == ApiPrefix) {
        std::string_view rest = path.substr(ApiPrefix.size());
        const std::size_t slash1 = rest.find('/');
        const std::size_t slash2
            = slash1 == std::string_view::npos ? slash1 : rest.find('/', slash1 + 1);
        if (slash2 == std::string_view::npos
            || rest.find('/', slash2 + 1) != std::string_view::npos)
            return badRequest("Unknown path");
        const std::string_view type = rest.substr(0, slash1);
        const std::string_view number = rest.substr(slash1 + 1, slash2 - slash1 - 1);
        const std::string_view name = rest.substr(slash2 + 1);
        Device device = DeviceCount;
        if (type == "safetymonitor")
            device = SafetyMonitor;
        else if (type == "observingconditions")
            device = ObservingConditions;
        else
            return badRequest("Unknown device type: " + std::string(type));
        if (number != "0")
            return badRequest("Unknown device number: " + std::string(number));
        result = member(device, name, put, parameters);
    } else {
        return badRequest("Unknown path");
    }

    if (result.badRequest)
        return badRequest(result.message);
    const quint32 serverTransaction = ++m_serverTransaction;
    return { 200, "application/json",
        frame(result.value, clientTransaction, serverTransaction, result.errorNumber,
            result.message) };
}

Result AlpacaApi::member(
    Device device, std::string_view name, bool put, const Parameters& parameters)
{
    bool known = true;
    Result result = common(device, name, put, parameters, known);
    if (known)
        return result;

    const std::shared_ptr<const DeviceSnapshot> snapshot = m_board.current();
    const qint64 now = m_board.now();
    const bool connected = m_connected[device];
    if (device == SafetyMonitor) {
        if (name != "issafe")
            return Result::bad("Unknown member: " + std::string(name));
        if (put)
            return Result::bad("GET only");
        // A monitor that is not connected reports unsafe rather than an error.
        return Result::ok(jsonBool(connected && snapshot->isSafe(now)));
    }
    const std::optional<Result> answer = ObservingConditionsMembers::answer(
        name, put, parameters, { *snapshot, m_averages, now, connected });
    if (!answer)
        return Result::bad("Unknown member: " + std::string(name));
    return *answer;
}

Result AlpacaApi::common(
    Device device, std::string_view name, bool put, const Parameters& parameters, bool& known)
{
    known = true;
    const auto getOnly = [put](const std::string& value) {
        return put ? Result::bad("GET only") : Result::ok(value);
    };
    if (name == "connected") {
        if (!put)
            return Result::ok(jsonBool(m_connected[device]));
        const std::string* text = find(parameters, "connected");
        const std::optional<bool> value = text ? toBool(*text) : std::nullopt;
        if (!value)
            return Result::bad("Connected must be true or false");
        m_connected[device] = *value;
        return Result::ok();
    }
    if (name == "connect" || name == "disconnect") {
        if (!put)
            return Result::bad("PUT only");
        // Nothing to open: the device is the snapshot, so both complete at once.
        m_connected[device] = name == "connect";
        return Result::ok();
    }
    if (name == "connecting")
        return getOnly(jsonBool(false));
    if (name == "description")
        return getOnly(jsonString(Descriptions[device]));
    if (name == "driverinfo")
        return getOnly(jsonString("Nubora " NUBORA_VERSION_STRING
                                  ": la estación meteorológica de Nubora como dispositivo Alpaca"));
    if (name == "driverversion") {
        // Major and minor only, as the protocol asks.
        return getOnly(jsonString(
            std::to_string(NUBORA_VERSION_MAJOR) + '.' + std::to_string(NUBORA_VERSION_MINOR)));
    }
    if (name == "interfaceversion")
        return getOnly(std::to_string(InterfaceVersion[device]));
    if (name == "name")
        return getOnly(jsonString(DeviceNames[device]));
    if (name == "supportedactions")
        return getOnly("[]");
    if (name == "devicestate")
        return put ? Result::bad("GET only") : deviceState(device);
    if (name == "action" || name == "commandblind" || name == "commandbool"
        || name == "commandstring") {
        if (!put)
            return Result::bad("PUT only");
        return Result::error(NotImplemented, std::string(name) + " is not implemented");
    }
    known = false;
    return {};
}

Result AlpacaApi::deviceState(Device device) const
{
    if (!m_connected[device])
        return Result::error(NotConnected, "Not connected");
    const std::shared_ptr<const DeviceSnapshot> snapshot = m_board.current();
    const qint64 now = m_board.now();
    std::string list = "[";
    if (device == SafetyMonitor) {
        // Beyond the interface's own entry: why, and while waiting, how long is left.
        const SafetyVerdict verdict = snapshot->safety.verdict(now);
        list += stateEntry("IsSafe", jsonBool(verdict.safe)) + ',';
        list += stateEntry("SafetyReason", jsonString(verdict.reason.toStdString())) + ',';
        if (verdict.safeAtMs) {
            const qint64 seconds = (*verdict.safeAtMs - now + 999) / 1000;
            list += stateEntry("SecondsUntilSafe", std::to_string(seconds)) + ',';
        }
    } else {
        const SensorValues values = m_averages.served(*snapshot, now);
        for (int i = 0; i < int(Sensor::Count); ++i) {
            const std::optional<SensorValue>& measured = values[i];
            if (measured && ObservingConditionsMembers::implemented(Sensor(i), *snapshot))
                list += stateEntry(ObservingConditionsMembers::stateName(Sensor(i)),
                            jsonNumber(measured->value))
                    + ',';
        }
    }
    list += stateEntry("TimeStamp", jsonString(timeStamp(now))) + ']';
    return Result::ok(list);
}

Result AlpacaApi::management(std::string_view path) const
{
    if (path == "/management/apiversions")
        return Result::ok("[1]");
    if (path == "/management/v1/description")
        return Result::ok("{\"ServerName\":\"Nubora\",\"Manufacturer\":\"Nubora\","
                          "\"ManufacturerVersion\":\"" NUBORA_VERSION_STRING "\","
                          "\"Location\":\"\"}");
    if (path == "/management/v1/configureddevices") {
        std::string list = "[";
        for (const Device device : { SafetyMonitor, ObservingConditions }) {
            if (device != SafetyMonitor)
                list += ',';
            list += "{\"DeviceName\":" + jsonString(DeviceNames[device])
                + ",\"DeviceType\":" + jsonString(typeName(device))
                + ",\"DeviceNumber\":0,\"UniqueID\":" + jsonString(m_uniqueIds[device]) + '}';
        }
        return Result::ok(list + ']');
    }
    return Result::bad("Unknown path");
}
