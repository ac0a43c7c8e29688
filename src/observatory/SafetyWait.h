#pragma once

#include "HistoryRecords.h"
#include "NetworkSafety.h"

#include <functional>

// Keeps the network safety as the program runs: fed each poll, each forecast and a regular
// tick, it tells each change (a log line, and the hook, which the archive stores) at the
// moment it happened. Driven by the caller's clock; nothing here reads the time.
class SafetyWait
{
public:
    using Settings = NetworkSafety::Settings;
    using TransitionHook = std::function<void(const SafetyTransition&)>;
    using SettingReader = std::function<QString(const QString& key)>; // "Setup" key's text

    // The keys "EsperaSegura", "HorasPrevisionSegura" and "EdadMaxima"; a value that is not
    // a whole number in range gives the default and a log line.
    static Settings readSettings(const SettingReader& setting);
    // How far back the archived polls decide the state at start: the wait and two periods.
    static qint64 replaySpanMs(const Settings& settings, int refreshMinutes);

    explicit SafetyWait(const Settings& settings);

    void setTransitionHook(TransitionHook hook) { m_hook = std::move(hook); }

    // Before the first poll: the polls archived before this start (none without an archive)
    // set the state without telling changes; then the state at start is told once.
    void start(qint64 nowMs, const HistoryReader* history, int refreshMinutes);

    void addPoll(qint64 timeMs, const ConditionsReadings& readings);
    void setForecast(qint64 shownMs, const ForecastPage& page);
    // Tells the changes that came due by nowMs without a poll.
    void tick(qint64 nowMs);

    const NetworkSafety& state() const { return m_state; }
    bool safe() const { return m_safe; }

private:
    void catchUp(qint64 nowMs);
    void report(qint64 timeMs);

    NetworkSafety m_state;
    TransitionHook m_hook;
    bool m_started = false;
    bool m_safe = false; // as last told
    std::optional<qint64> m_safeAtMs; // the wait's end as last told
    qint64 m_seenMs = 0; // the latest moment reported
};
