#pragma once

#include "HistoryRecords.h"
#include "NotifyEvent.h"

#include <QList>
#include <array>
#include <optional>

// Turns the safety's changes and the polls into events, once per change, and keeps a flapping
// change from being told more than once per quiet period: what comes meanwhile is held, and
// the latest held one is told when the period ends with a count of the changes, unless its
// opposite came after it. "Unsafe" is never held. Driven by the caller's clock.
class EventTracker
{
public:
    struct Settings {
        int failuresInRow = 3; // "FallosSeguidos"
        int quietMinutes = 15; // "NotificarMinutos"
        int refreshMinutes = 5; // until a poll says otherwise
    };

    explicit EventTracker(const Settings& settings);

    // The moment the watch begins; staleness counts from here until the first answered poll.
    void start(qint64 nowMs);
    // The first change after start gives the state already held, and is not told.
    QList<NotifyEvent> transition(const SafetyTransition& change);
    // outcome: the poll's log outcome ("failed load: timeout").
    QList<NotifyEvent> poll(
        qint64 timeMs, const ConditionsReadings& readings, const QString& outcome);
    // Staleness and held events that came due by nowMs.
    QList<NotifyEvent> tick(qint64 nowMs);

private:
    struct Gate {
        std::optional<qint64> sentMs;
        int changes = 0; // since the last one told
        std::optional<NotifyEvent> held;
    };

    void offer(NotifyEvent event, QList<NotifyEvent>& out);
    void checkStale(qint64 nowMs, QList<NotifyEvent>& out);
    void release(qint64 nowMs, QList<NotifyEvent>& out);
    Gate& gate(NotifyEvent::Kind kind) { return m_gates[static_cast<int>(kind)]; }
    qint64 quietMs() const { return qint64(m_settings.quietMinutes) * 60 * 1000; }

    Settings m_settings;
    std::optional<bool> m_safe;
    qint64 m_lastAnsweredMs = 0;
    int m_failedInRow = 0;
    bool m_stale = false;
    bool m_failing = false;
    std::array<Gate, NotifyEvent::KindCount> m_gates;
};
