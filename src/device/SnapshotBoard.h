#pragma once

#include "DeviceSnapshot.h"
#include "ForecastPage.h"

#include <functional>
#include <memory>
#include <mutex>

// Hands snapshots from the window's thread to the server's threads. publish() builds the new
// snapshot outside the lock and swaps it in; current() copies a pointer under the lock.
class SnapshotBoard
{
public:
    using Clock = std::function<qint64()>; // milliseconds since the epoch

    explicit SnapshotBoard(Clock clock = {});

    void publish(const ConditionsReadings& readings);
    void publishForecast(const ForecastPage& page);
    // The network safety as it stands after a poll or a forecast; it answers for any later time.
    void publishSafety(const NetworkSafety& safety);
    std::shared_ptr<const DeviceSnapshot> current() const;
    qint64 now() const { return m_clock(); }

    // The 16-point compass text in Spanish or English, in degrees; nothing for other texts.
    static std::optional<double> compassDegrees(const QString& text);
    // The pressure at the station from the sea-level pressure, by the standard atmosphere.
    static double stationPressure(double seaLevelHpa, double elevationM);

private:
    static void setPressure(
        DeviceSnapshot& next, const ConditionsReadings& readings, qint64 observedMs);
    void swapIn(std::shared_ptr<const DeviceSnapshot> next);

    Clock m_clock;
    mutable std::mutex m_mutex;
    std::shared_ptr<const DeviceSnapshot> m_current;
};
