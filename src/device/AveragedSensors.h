#pragma once

#include "DeviceSnapshot.h"
#include "HistoryRecords.h"

#include <atomic>
#include <mutex>
#include <string>

// The observing-conditions device's averaging: one period for every client, as the device has
// one state, and the values served under it. While the period is above 0 each value the
// device has measured becomes its mean over the last period from the archive; the time of
// each value stays that of the newest observation. Safe to use from any number of threads.
class AveragedSensors
{
public:
    // Without an archive (history null) only the period 0 is accepted. The archive reaches
    // back reachHours, counted as at least a day.
    AveragedSensors(const HistoryReader* history, double reachHours);

    double periodHours() const { return m_periodHours; }
    double reachHours() const { return m_reachHours; }
    // Keeps the period, or says why it cannot.
    std::optional<std::string> setPeriod(double hours);

    // The snapshot's values, or their means over the period where the archive has them.
    SensorValues served(const DeviceSnapshot& snapshot, qint64 nowMs) const;

private:
    std::optional<HistoryMeans> means(qint64 pollTimeMs, qint64 nowMs, double hours) const;

    const HistoryReader* m_history;
    double m_reachHours;
    std::atomic<double> m_periodHours { 0 };

    // Clients read one member after another, each asking for the means again: the last
    // answer serves them until the period or the latest poll changes, or a few seconds pass.
    struct Cached {
        double hours = 0;
        qint64 pollTimeMs = 0;
        qint64 askedMs = 0;
        std::optional<HistoryMeans> means;
    };
    mutable std::mutex m_cacheMutex;
    mutable std::optional<Cached> m_cached;
};
