#include "EventTracker.h"

#include <QRegularExpression>

namespace
{

using Kind = NotifyEvent::Kind;

NotifyEvent makeEvent(Kind kind, qint64 timeMs, const QString& title, const QString& message)
{
    return NotifyEvent { kind, timeMs, QStringLiteral("Nubora: ") + title, message };
}

// The reason without the log's own prefix ("failed load: ").
QString failureReason(const QString& outcome)
{
    static const QRegularExpression prefix(
        QStringLiteral("^(failed load|error answer|run-time failure): "));
    QString reason = outcome;
    reason.remove(prefix);
    return reason.isEmpty() ? QStringLiteral("sin detalle") : reason;
}

int wholeMinutes(qint64 ms)
{
    return int((ms + 59999) / 60000);
}

// How often it changed since the last one told, where that was more than this once.
void addSummary(NotifyEvent& event, int changes, qint64 sinceMs)
{
    if (changes > 1)
        event.message += QStringLiteral(" (%1 cambios en %2 min)")
                             .arg(changes)
                             .arg(wholeMinutes(event.timeMs - sinceMs));
}

} // namespace

EventTracker::EventTracker(const Settings& settings)
    : m_settings(settings)
{
}

void EventTracker::start(qint64 nowMs)
{
    m_lastAnsweredMs = nowMs;
}

QList<NotifyEvent> EventTracker::transition(const SafetyTransition& change)
{
    QList<NotifyEvent> out;
    const bool known = m_safe.has_value();
    if (known && *m_safe == change.safe)
        return out;
    m_safe = change.safe;
    if (!known)
        return out;
    const QString reason
        = change.reason.isEmpty() ? QStringLiteral("sin motivo indicado") : change.reason;
    if (change.safe)
        offer(makeEvent(Kind::Safe, change.timeMs, QStringLiteral("seguro de nuevo"),
                  QStringLiteral("Condiciones seguras de nuevo tras la espera: %1").arg(reason)),
            out);
    else
        offer(makeEvent(Kind::Unsafe, change.timeMs, QStringLiteral("condiciones no seguras"),
                  QStringLiteral("No seguro: %1").arg(reason)),
            out);
    return out;
}

QList<NotifyEvent> EventTracker::poll(
    qint64 timeMs, const ConditionsReadings& readings, const QString& outcome)
{
    QList<NotifyEvent> out;
    if (readings.refreshMinutes > 0)
        m_settings.refreshMinutes = readings.refreshMinutes;
    if (readings.outcome == ConditionsReadings::Outcome::Complete) {
        if (m_stale || m_failing) {
            const int minutes = wholeMinutes(timeMs - m_lastAnsweredMs);
            offer(makeEvent(Kind::Recovered, timeMs, QStringLiteral("datos recuperados"),
                      QStringLiteral("La fuente responde de nuevo tras %1 min sin datos")
                          .arg(minutes)),
                out);
        }
        m_lastAnsweredMs = timeMs;
        m_failedInRow = 0;
        m_stale = m_failing = false;
    } else if (readings.outcome != ConditionsReadings::Outcome::NotRun) {
        // An error answer carries no data either: the source is failing all the same.
        if (++m_failedInRow >= m_settings.failuresInRow && !m_failing) {
            m_failing = true;
            offer(makeEvent(Kind::Failing, timeMs, QStringLiteral("la fuente falla"),
                      m_failedInRow == 1
                          ? QStringLiteral("Sondeo fallido: %1").arg(failureReason(outcome))
                          : QStringLiteral("%1 sondeos fallidos seguidos; el último: %2")
                                .arg(m_failedInRow)
                                .arg(failureReason(outcome))),
                out);
        }
    }
    checkStale(timeMs, out);
    release(timeMs, out);
    return out;
}

QList<NotifyEvent> EventTracker::tick(qint64 nowMs)
{
    QList<NotifyEvent> out;
    checkStale(nowMs, out);
    release(nowMs, out);
    return out;
}

void EventTracker::checkStale(qint64 nowMs, QList<NotifyEvent>& out)
{
    const qint64 limitMs = (2 * qint64(m_settings.refreshMinutes) + 1) * 60 * 1000;
    if (m_stale || nowMs - m_lastAnsweredMs <= limitMs)
        return;
    m_stale = true;
    offer(makeEvent(Kind::Stale, nowMs, QStringLiteral("datos sin actualizar"),
              QStringLiteral("Ningún sondeo respondido desde hace %1 min")
                  .arg(wholeMinutes(nowMs - m_lastAnsweredMs))),
        out);
}

void EventTracker::offer(NotifyEvent event, QList<NotifyEvent>& out)
{
    // A change undoes what its opposite held: that one is no longer the state to tell.
    if (event.kind == Kind::Unsafe)
        gate(Kind::Safe).held.reset();
    if (event.kind == Kind::Recovered) {
        gate(Kind::Stale).held.reset();
        gate(Kind::Failing).held.reset();
    }
    if (event.kind == Kind::Stale || event.kind == Kind::Failing)
        gate(Kind::Recovered).held.reset();

    Gate& g = gate(event.kind);
    ++g.changes;
    const bool quiet = g.sentMs && event.timeMs - *g.sentMs < quietMs();
    if (quiet && event.kind != Kind::Unsafe) {
        g.held = std::move(event);
        return;
    }
    if (g.sentMs)
        addSummary(event, g.changes, *g.sentMs);
    g.sentMs = event.timeMs;
    g.changes = 0;
    out.append(std::move(event));
}

void EventTracker::release(qint64 nowMs, QList<NotifyEvent>& out)
{
    for (Gate& g : m_gates) {
        if (!g.held || nowMs - *g.sentMs < quietMs())
            continue;
        NotifyEvent event = std::move(*g.held);
        g.held.reset();
        event.timeMs = nowMs;
        addSummary(event, g.changes, *g.sentMs);
        g.sentMs = nowMs;
        g.changes = 0;
        out.append(std::move(event));
    }
}
