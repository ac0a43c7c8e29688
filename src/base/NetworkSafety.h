#pragma once

#include "ConditionsReadings.h"
#include "ForecastHold.h"

#include <QString>
#include <optional>

// What the network devices answer about safety at one moment.
struct SafetyVerdict {
    bool safe = false;
    QString reason; // in Spanish: why not, or "Condiciones seguras"
    // While only the wait keeps it unsafe: when it turns safe if every poll until then is good.
    std::optional<qint64> safeAtMs;
};

// The safety the network devices report, with memory: unsafe at once on a bad poll, a gap in
// the polls or an old observation; safe again only after a run of good polls as long as the
// wait, and, with the hold on, while no forecast hour ahead breaks a limit. A plain value fed
// with the polls and the forecast, asked for its verdict at any moment after the last of them.
class NetworkSafety
{
public:
    struct Settings {
        int waitMinutes = 10; // 0: safe on the first good poll
        int forecastHours = 0; // 0: the forecast is not heeded
        int maxAgeMinutes = 15; // 0: the observation's age is not heeded
    };

    NetworkSafety() = default;
    explicit NetworkSafety(const Settings& settings);

    const Settings& settings() const { return m_settings; }
    bool polled() const { return m_polled; }

    void addPoll(qint64 timeMs, const ConditionsReadings& readings);
    void setForecast(qint64 shownMs, const ForecastPage& page);

    SafetyVerdict verdict(qint64 nowMs) const;
    // The first moment after afterMs at which the verdict may change without a poll or a
    // forecast: the wait ends, the polls go stale, the observation grows old, an hour of the
    // forecast comes within reach or passes.
    std::optional<qint64> nextChangeAfter(qint64 afterMs) const;

private:
    // Why the polls alone are not good at nowMs; empty when they are.
    QString pollTrouble(qint64 nowMs) const;
    qint64 staleAfterMs() const;

    Settings m_settings;
    bool m_polled = false;
    qint64 m_lastPollMs = 0;
    ConditionsReadings m_last; // the values aside, what the last poll found
    std::optional<qint64> m_goodSinceMs; // the first poll of the present run of good ones
    ForecastHold m_forecast;
};
