#include "ObservingConditionsMembers.h"

#include "AveragedSensors.h"

#include <QString>
#include <array>

using namespace AlpacaProtocol;

namespace ObservingConditionsMembers
{

namespace
{

struct SensorInfo {
    std::string_view member;
    std::string_view state;
    std::string_view description; // empty: the source never measures it
};

// In the order of Sensor.
constexpr std::array<SensorInfo, std::size_t(Sensor::Count)> Sensors { {
    { "cloudcover", "CloudCover", "Nubosidad del servicio meteorológico (%)" },
    { "dewpoint", "DewPoint", "Punto de rocío de la estación meteorológica personal (°C)" },
    { "humidity", "Humidity", "Humedad relativa de la estación meteorológica personal (%)" },
    { "pressure", "Pressure", "Presión atmosférica en la estación (hPa)" },
    { "rainrate", "RainRate", "Lluvia de la última hora en la estación (mm/h)" },
    { "skybrightness", "SkyBrightness", {} },
    { "skyquality", "SkyQuality", {} },
    { "skytemperature", "SkyTemperature", {} },
    { "starfwhm", "StarFWHM", {} },
    { "temperature", "Temperature", "Temperatura de la estación meteorológica personal (°C)" },
    { "winddirection", "WindDirection",
        "Dirección del viento de la estación (grados desde el norte; 0 en calma)" },
    { "windgust", "WindGust", "Racha de viento de la estación (m/s)" },
    { "windspeed", "WindSpeed", "Velocidad del viento de la estación (m/s)" },
} };

std::optional<Sensor> sensorByMember(std::string_view member)
{
    for (std::size_t i = 0; i < Sensors.size(); ++i)
        if (Sensors[i].member == member)
            return Sensor(i);
    return std::nullopt;
}

std::optional<Sensor> sensorByName(const std::string& lowerName)
{
    return sensorByMember(lowerName);
}

std::string lower(const std::string& text)
{
    std::string out = text;
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = char(c + 32);
    return out;
}

Result notImplemented(Sensor sensor)
{
    std::string message
        = std::string(Sensors[std::size_t(sensor)].state) + " is not measured by this device";
    if (sensor == Sensor::Pressure)
        message += ": the source gives the sea-level pressure without the station's elevation";
    return Result::error(NotImplemented, message);
}

Result value(Sensor sensor, const DeviceState& device)
{
    if (!implemented(sensor, device.snapshot))
        return notImplemented(sensor);
    const std::optional<SensorValue> measured
        = device.averages.served(device.snapshot, device.nowMs)[std::size_t(sensor)];
    if (!measured)
        return Result::error(ValueNotSet,
            std::string(Sensors[std::size_t(sensor)].state) + " has not been measured yet");
    return Result::ok(jsonNumber(measured->value));
}

double secondsSince(qint64 timeMs, qint64 nowMs)
{
    return std::max<qint64>(nowMs - timeMs, 0) / 1000.0;
}

Result timeSinceLastUpdate(const std::string& name, const DeviceSnapshot& snapshot, qint64 nowMs)
{
    if (name.empty()) {
        std::optional<qint64> latest;
        for (const std::optional<SensorValue>& measured : snapshot.sensors)
            if (measured && (!latest || measured->timeMs > *latest))
                latest = measured->timeMs;
        if (!latest)
            return Result::error(ValueNotSet, "No sensor has been measured yet");
        return Result::ok(jsonNumber(secondsSince(*latest, nowMs)));
    }
    const std::optional<Sensor> sensor = sensorByName(lower(name));
    if (!sensor)
        return Result::error(InvalidValue, "Unknown sensor name: " + name);
    if (!implemented(*sensor, snapshot))
        return notImplemented(*sensor);
    // The newest reading, whatever the average period.
    const std::optional<SensorValue>& measured = snapshot.sensor(*sensor);
    if (!measured)
        return Result::error(ValueNotSet, name + " has not been measured yet");
    return Result::ok(jsonNumber(secondsSince(measured->timeMs, nowMs)));
}

Result sensorDescription(const std::string& name, const DeviceSnapshot& snapshot)
{
    const std::optional<Sensor> sensor = sensorByName(lower(name));
    if (!sensor)
        return Result::error(InvalidValue, "Unknown sensor name: " + name);
    if (!implemented(*sensor, snapshot))
        return notImplemented(*sensor);
    return Result::ok(jsonString(description(*sensor, snapshot)));
}

Result notConnected()
{
    return Result::error(NotConnected, "Not connected");
}

Result averagePeriod(bool put, const Parameters& parameters, const DeviceState& device)
{
    if (!put)
        return Result::ok(jsonNumber(device.averages.periodHours()));
    const std::string* text = find(parameters, "averageperiod");
    const std::optional<double> hours = text ? toDouble(*text) : std::nullopt;
    if (!hours)
        return Result::bad("AveragePeriod must be a number");
    // A client that is not connected changes nothing.
    if (!device.connected)
        return notConnected();
    if (const std::optional<std::string> refused = device.averages.setPeriod(*hours))
        return Result::error(InvalidValue, *refused);
    return Result::ok();
}

// Whatever the connection.
std::optional<Result> respond(
    std::string_view member, bool put, const Parameters& parameters, const DeviceState& device)
{
    const auto onlyGet = [put](const auto& get) { return put ? Result::bad("GET only") : get(); };

    if (const std::optional<Sensor> sensor = sensorByMember(member))
        return onlyGet([&] { return value(*sensor, device); });
    if (member == "averageperiod")
        return averagePeriod(put, parameters, device);
    if (member == "refresh")
        return put ? Result::ok() : Result::bad("PUT only");
    if (member == "sensordescription" || member == "timesincelastupdate") {
        if (put)
            return Result::bad("GET only");
        const std::string* name = find(parameters, "sensorname");
        if (!name)
            return Result::bad("SensorName is missing");
        return member == "sensordescription"
            ? sensorDescription(*name, device.snapshot)
            : timeSinceLastUpdate(*name, device.snapshot, device.nowMs);
    }
    return std::nullopt;
}

} // namespace

std::string_view memberName(Sensor sensor)
{
    return Sensors[std::size_t(sensor)].member;
}

std::string_view stateName(Sensor sensor)
{
    return Sensors[std::size_t(sensor)].state;
}

bool implemented(Sensor sensor, const DeviceSnapshot& snapshot)
{
    // Cloud cover only comes from a source that gives it; the sky text is no measurement.
    if (sensor == Sensor::CloudCover)
        return snapshot.sensor(sensor).has_value();
    if (sensor == Sensor::Pressure)
        return snapshot.pressureOrigin != PressureOrigin::Unavailable;
    return !Sensors[std::size_t(sensor)].description.empty();
}

std::string description(Sensor sensor, const DeviceSnapshot& snapshot)
{
    if (!implemented(sensor, snapshot))
        return {};
    if (sensor == Sensor::Pressure) {
        switch (snapshot.pressureOrigin) {
        case PressureOrigin::Station:
            return "Presión atmosférica en la estación, medida por la estación (hPa)";
        case PressureOrigin::SeaLevelReduced:
            return QStringLiteral("Presión atmosférica en la estación: la del nivel del mar "
                                  "reducida a su altitud de %1 m con la atmósfera estándar (hPa)")
                .arg(qRound(snapshot.pressureElevationM))
                .toStdString();
        default:
            break;
        }
    }
    return std::string(Sensors[std::size_t(sensor)].description);
}

std::optional<Result> answer(
    std::string_view member, bool put, const Parameters& parameters, const DeviceState& device)
{
    std::optional<Result> result = respond(member, put, parameters, device);
    if (result && !result->badRequest && !device.connected)
        return notConnected();
    return result;
}

} // namespace ObservingConditionsMembers
