#include "NetworkSafety.h"

#include <QStringList>

namespace
{

constexpr qint64 MinuteMs = 60 * 1000;

} // namespace

NetworkSafety::NetworkSafety(const Settings& settings)
    : m_settings(settings)
{
}

qint64 NetworkSafety::staleAfterMs() const
{
    // The timer polls at least once a minute whatever the period says.
    const qint64 periodMinutes = std::max<qint64>(m_last.refreshMinutes, 1);
    return (2 * periodMinutes + 1) * MinuteMs;
}

QString NetworkSafety::pollTrouble(qint64 nowMs) const
{
    using Outcome = ConditionsReadings::Outcome;
    if (!m_polled)
        return QStringLiteral("Nubora aún no ha consultado la estación");
    if (nowMs - m_lastPollMs > staleAfterMs()) {
        return QStringLiteral("Datos sin actualizar desde hace %1 min")
            .arg((nowMs - m_lastPollMs) / MinuteMs);
    }
    switch (m_last.outcome) {
    case Outcome::NotRun:
    case Outcome::Failed:
        return QStringLiteral("Fallo en Nubora: sin datos de la estación");
    case Outcome::ErrorAnswer:
        return QStringLiteral("Fallo en Nubora: el servicio respondió con un error");
    case Outcome::Complete:
        break;
    }
    if (!m_last.safe)
        return m_last.reasons.isEmpty() ? QStringLiteral("Fallo en Nubora") : m_last.reasons;
    // A station that stopped sending is still served, with its last observation, for a while.
    if (m_settings.maxAgeMinutes > 0 && m_last.observationTimeMs
        && nowMs - *m_last.observationTimeMs > m_settings.maxAgeMinutes * MinuteMs) {
        return QStringLiteral("datos de hace %1 min")
            .arg((nowMs - *m_last.observationTimeMs) / MinuteMs);
    }
    return QString();
}

void NetworkSafety::addPoll(qint64 timeMs, const ConditionsReadings& readings)
{
    // A gap or an observation grown old since the last poll breaks the run as a bad poll does.
    const bool goodBefore = pollTrouble(timeMs).isEmpty();
    m_polled = true;
    m_lastPollMs = timeMs;
    m_last.outcome = readings.outcome;
    m_last.safe = readings.safe;
    m_last.refreshMinutes = readings.refreshMinutes;
    m_last.reasons = readings.reasons;
    m_last.observationTimeMs = readings.observationTimeMs;
    if (!pollTrouble(timeMs).isEmpty())
        m_goodSinceMs.reset();
    else if (!goodBefore || !m_goodSinceMs)
        m_goodSinceMs = timeMs;
}

void NetworkSafety::setForecast(qint64 shownMs, const ForecastPage& page)
{
    m_forecast = ForecastHold(page, shownMs);
}

SafetyVerdict NetworkSafety::verdict(qint64 nowMs) const
{
    SafetyVerdict verdict;
    QStringList why;
    const QString trouble = pollTrouble(nowMs);
    if (!trouble.isEmpty()) {
        why << trouble;
    } else if (m_goodSinceMs && *m_goodSinceMs + m_settings.waitMinutes * MinuteMs > nowMs) {
        verdict.safeAtMs = *m_goodSinceMs + m_settings.waitMinutes * MinuteMs;
        const qint64 leftMs = *verdict.safeAtMs - nowMs;
        why << QStringLiteral("Seguro en %1 min").arg((leftMs + MinuteMs - 1) / MinuteMs);
    }
    const QString hold = m_forecast.reason(nowMs, m_settings.forecastHours);
    if (!hold.isEmpty()) {
        why << hold;
        verdict.safeAtMs.reset();
    }
    verdict.safe = why.isEmpty();
    verdict.reason
        = verdict.safe ? QStringLiteral("Condiciones seguras") : why.join(QStringLiteral(" - "));
    return verdict;
}

std::optional<qint64> NetworkSafety::nextChangeAfter(qint64 afterMs) const
{
    std::optional<qint64> next = m_forecast.nextChangeAfter(afterMs, m_settings.forecastHours);
    const auto consider = [&next, afterMs](qint64 ms) {
        if (ms > afterMs && (!next || ms < *next))
            next = ms;
    };
    if (m_polled)
        consider(m_lastPollMs + staleAfterMs() + 1);
    if (m_polled && m_settings.maxAgeMinutes > 0 && m_last.observationTimeMs)
        consider(*m_last.observationTimeMs + m_settings.maxAgeMinutes * MinuteMs + 1);
    if (m_goodSinceMs)
        consider(*m_goodSinceMs + m_settings.waitMinutes * MinuteMs);
    return next;
}
