#include "ObservingConditionsMembers.h"

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
    { "pressure", "Pressure",
        "Presión atmosférica de la estación, reducida al nivel del mar (hPa)" },
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

Result notImplemented(std::string_view what)
{
    return Result::error(NotImplemented, std::string(what) + " is not measured by this device");
}

Result value(Sensor sensor, const DeviceSnapshot& snapshot)
{
    if (!implemented(sensor, snapshot))
        return notImplemented(Sensors[std::size_t(sensor)].state);
    const std::optional<SensorValue>& measured = snapshot.sensor(sensor);
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
        return notImplemented(Sensors[std::size_t(*sensor)].state);
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
        return notImplemented(Sensors[std::size_t(*sensor)].state);
    return Result::ok(jsonString(Sensors[std::size_t(*sensor)].description));
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
    return !Sensors[std::size_t(sensor)].description.empty();
}

std::optional<Result> answer(std::string_view member, bool put, const Parameters& parameters,
    const DeviceSnapshot& snapshot, qint64 nowMs)
{
    const auto onlyGet = [put](const auto& get) { return put ? Result::bad("GET only") : get(); };

    if (const std::optional<Sensor> sensor = sensorByMember(member))
        return onlyGet([&] { return value(*sensor, snapshot); });

    if (member == "averageperiod") {
        if (!put)
            return Result::ok(jsonNumber(0));
        const std::string* text = find(parameters, "averageperiod");
        const std::optional<double> hours = text ? toDouble(*text) : std::nullopt;
        if (!hours)
            return Result::bad("AveragePeriod must be a number");
        // Values are the service's own, as it reports them; no average is kept.
        if (*hours != 0)
            return Result::error(InvalidValue, "Only an AveragePeriod of 0 is supported");
        return Result::ok();
    }
    if (member == "refresh")
        return put ? Result::ok() : Result::bad("PUT only");
    if (member == "sensordescription" || member == "timesincelastupdate") {
        if (put)
            return Result::bad("GET only");
        const std::string* name = find(parameters, "sensorname");
        if (!name)
            return Result::bad("SensorName is missing");
        return member == "sensordescription" ? sensorDescription(*name, snapshot)
                                             : timeSinceLastUpdate(*name, snapshot, nowMs);
    }
    return std::nullopt;
}

} // namespace ObservingConditionsMembers
