#include "AveragedSensors.h"

#include "AlpacaProtocol.h"
#include "SnapshotBoard.h"

#include <cstdlib>

namespace
{

constexpr double KphPerMetrePerSecond = 3.6;
constexpr qint64 CacheMs = 5000;
constexpr double MsPerHour = 3600.0 * 1000.0;

std::optional<double> perSecond(std::optional<double> kph)
{
    return kph ? std::optional<double>(*kph / KphPerMetrePerSecond) : std::nullopt;
}

std::string hoursText(double hours)
{
    return AlpacaProtocol::jsonNumber(hours) + " h";
}

} // namespace

AveragedSensors::AveragedSensors(const HistoryReader* history, double reachHours)
    : m_history(history)
    , m_reachHours(std::max(reachHours, 24.0))
{
}

std::optional<std::string> AveragedSensors::setPeriod(double hours)
{
    if (hours < 0)
        return "AveragePeriod cannot be negative: " + hoursText(hours);
    if (hours > 0 && !m_history)
        return "Only an AveragePeriod of 0 is supported: Nubora keeps no archive of its polls "
               "to average";
    if (hours > m_reachHours)
        return "AveragePeriod " + hoursText(hours) + " is beyond the archive's reach of "
            + hoursText(m_reachHours);
    m_periodHours = hours == 0 ? 0.0 : hours; // "-0" is 0 and answers as 0
    return std::nullopt;
}

SensorValues AveragedSensors::served(const DeviceSnapshot& snapshot, qint64 nowMs) const
{
    SensorValues values = snapshot.sensors;
    const double hours = m_periodHours;
    if (hours <= 0 || !m_history)
        return values;
    const std::optional<HistoryMeans> mean = means(snapshot.pollTimeMs, nowMs, hours);
    if (!mean)
        return values; // nothing archived within the period: the latest is the best estimate

    // Only values the device has measured are averaged, so that a sensor is there or not
    // whatever the period; a mean the archive lacks leaves the latest value.
    const auto replace = [&values](Sensor which, std::optional<double> average) {
        std::optional<SensorValue>& value = values[std::size_t(which)];
        if (value && average)
            value->value = *average;
    };
    replace(Sensor::CloudCover, mean->cloudCover);
    replace(Sensor::DewPoint, mean->dewpoint);
    replace(Sensor::Humidity, mean->humidity);
    replace(Sensor::RainRate, mean->rain1hMm);
    replace(Sensor::Temperature, mean->temperature);
    replace(Sensor::WindDirection, mean->windDegrees);
    replace(Sensor::WindGust, perSecond(mean->gustKph));
    replace(Sensor::WindSpeed, perSecond(mean->windKph));
    // The mean pressure comes the way the latest value came.
    if (snapshot.pressureOrigin == PressureOrigin::Station)
        replace(Sensor::Pressure, mean->stationPressureHpa);
    else if (snapshot.pressureOrigin == PressureOrigin::SeaLevelReduced && mean->pressureHpa)
        replace(Sensor::Pressure,
            SnapshotBoard::stationPressure(*mean->pressureHpa, snapshot.pressureElevationM));

    // A calm period has no direction; the device then answers north, as for a calm reading.
    const std::optional<SensorValue>& speed = values[std::size_t(Sensor::WindSpeed)];
    std::optional<SensorValue>& direction = values[std::size_t(Sensor::WindDirection)];
    if (speed && speed->value == 0 && direction)
        direction->value = 0;
    return values;
}

std::optional<HistoryMeans> AveragedSensors::means(
    qint64 pollTimeMs, qint64 nowMs, double hours) const
{
    {
        std::lock_guard lock(m_cacheMutex);
        if (m_cached && m_cached->hours == hours && m_cached->pollTimeMs == pollTimeMs
            && std::llabs(nowMs - m_cached->askedMs) < CacheMs)
            return m_cached->means;
    }
    // Asked outside the lock: a slow archive delays only the clients that wait for it.
    const qint64 fromMs = nowMs - qint64(hours * MsPerHour);
    std::optional<HistoryMeans> answer = m_history->means(fromMs, nowMs);
    std::lock_guard lock(m_cacheMutex);
    m_cached = Cached { hours, pollTimeMs, nowMs, answer };
    return answer;
}
