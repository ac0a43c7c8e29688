#include "SnapshotBoard.h"

#include <QDateTime>
#include <QHash>
#include <cmath>

namespace
{

constexpr double KphPerMetrePerSecond = 3.6;

} // namespace

SnapshotBoard::SnapshotBoard(Clock clock)
    : m_clock(clock ? std::move(clock) : Clock(&QDateTime::currentMSecsSinceEpoch))
    , m_current(std::make_shared<const DeviceSnapshot>())
{
}

void SnapshotBoard::publish(const ConditionsReadings& readings)
{
    auto next = std::make_shared<DeviceSnapshot>(*current());
    const qint64 now = m_clock();
    next->polled = true;
    next->pollTimeMs = now;
    next->last = readings;

    // A value is as old as the station's observation, which the service may hand out again
    // long after; a source without the observation's time dates it by the poll.
    const qint64 observed = readings.observationTimeMs.value_or(now);
    const auto set = [&next, observed](Sensor which, std::optional<double> value) {
        if (value)
            next->sensors[std::size_t(which)] = SensorValue { *value, observed };
    };
    const auto perSecond = [](std::optional<double> kph) {
        return kph ? std::optional<double>(*kph / KphPerMetrePerSecond) : std::nullopt;
    };
    set(Sensor::CloudCover, readings.cloudCover);
    set(Sensor::DewPoint, readings.dewpoint);
    set(Sensor::Humidity, readings.humidity);
    setPressure(*next, readings, observed);
    set(Sensor::RainRate, readings.rain1hMm);
    set(Sensor::Temperature, readings.temperature);
    set(Sensor::WindGust, perSecond(readings.gustKph));
    set(Sensor::WindSpeed, perSecond(readings.windKph));
    // The source's own degrees are finer than the 16-point name, which stands in without them.
    if (readings.windKph && *readings.windKph == 0)
        set(Sensor::WindDirection, 0.0);
    else if (readings.windDegrees)
        set(Sensor::WindDirection, readings.windDegrees);
    else
        set(Sensor::WindDirection, compassDegrees(readings.windDirText));

    swapIn(std::move(next));
}

void SnapshotBoard::setPressure(
    DeviceSnapshot& next, const ConditionsReadings& readings, qint64 observedMs)
{
    std::optional<double> atStation;
    if (readings.stationPressureHpa) {
        atStation = readings.stationPressureHpa;
        next.pressureOrigin = PressureOrigin::Station;
    } else if (readings.pressureHpa && readings.elevationM) {
        atStation = stationPressure(*readings.pressureHpa, *readings.elevationM);
        next.pressureOrigin = PressureOrigin::SeaLevelReduced;
        next.pressureElevationM = *readings.elevationM;
    } else if (readings.pressureHpa && !next.sensor(Sensor::Pressure)) {
        // Serving the sea-level value as the station's would be off by some 10 hPa per 100 m.
        next.pressureOrigin = PressureOrigin::Unavailable;
    }
    if (atStation)
        next.sensors[std::size_t(Sensor::Pressure)] = SensorValue { *atStation, observedMs };
}

double SnapshotBoard::stationPressure(double seaLevelHpa, double elevationM)
{
    // The standard atmosphere's troposphere.
    return seaLevelHpa * std::pow(1 - 2.25577e-5 * elevationM, 5.25588);
}

void SnapshotBoard::publishForecast(const ForecastPage& page)
{
    auto next = std::make_shared<DeviceSnapshot>(*current());
    // An hour passes where its hour cell is green; an empty row (no forecast) does not.
    next->nextHoursPass
        = std::all_of(page.rows.begin(), page.rows.begin() + 3, [](const ForecastRow& row) {
              return !row.Hr_Fct.text.isEmpty() && row.Hr_Fct.background == FieldColour::Green;
          });
    swapIn(std::move(next));
}

void SnapshotBoard::publishSafety(const NetworkSafety& safety)
{
    auto next = std::make_shared<DeviceSnapshot>(*current());
    next->safety = safety;
    swapIn(std::move(next));
}

void SnapshotBoard::swapIn(std::shared_ptr<const DeviceSnapshot> next)
{
    // The old snapshot is released outside the lock.
    std::lock_guard lock(m_mutex);
    m_current.swap(next);
}

std::shared_ptr<const DeviceSnapshot> SnapshotBoard::current() const
{
    std::lock_guard lock(m_mutex);
    return m_current;
}

std::optional<double> SnapshotBoard::compassDegrees(const QString& text)
{
    static const QHash<QString, double> points = [] {
        QHash<QString, double> table;
        // Spanish names first, then English; the points in between read alike but for the
        // west (O in Spanish, W in English).
        const char* const spanish[] = { "norte", "nne", "ne", "ene", "este", "ese", "se", "sse",
            "sur", "sso", "so", "oso", "oeste", "ono", "no", "nno" };
        const char* const english[] = { "n", "nne", "ne", "ene", "e", "ese", "se", "sse", "s",
            "ssw", "sw", "wsw", "w", "wnw", "nw", "nnw" };
        for (int i = 0; i < 16; ++i) {
            table.insert(QString::fromLatin1(spanish[i]), i * 22.5);
            table.insert(QString::fromLatin1(english[i]), i * 22.5);
        }
        for (const auto& [name, degrees] : { std::pair { "north", 0.0 }, { "east", 90.0 },
                 { "south", 180.0 }, { "west", 270.0 }, { "o", 270.0 } })
            table.insert(QString::fromLatin1(name), degrees);
        return table;
    }();
    const auto found = points.constFind(text.trimmed().toLower());
    if (found == points.constEnd())
        return std::nullopt;
    return *found;
}
