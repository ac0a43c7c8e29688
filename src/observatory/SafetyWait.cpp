#include "SafetyWait.h"

#include "Logging.h"

namespace
{

int wholeNumber(const SafetyWait::SettingReader& setting, const char* key, int fallback, int most)
{
    const QString text = setting(QString::fromLatin1(key)).trimmed();
    if (text.isEmpty())
        return fallback;
    bool ok = false;
    const int value = text.toInt(&ok);
    if (ok && value >= 0 && value <= most)
        return value;
    qCWarning(lcSettings).noquote() << QStringLiteral("%1 \"%2\" is not a whole number from 0 to "
                                                      "%3; using %4")
                                           .arg(QString::fromLatin1(key), text)
                                           .arg(most)
                                           .arg(fallback);
    return fallback;
}

} // namespace

SafetyWait::Settings SafetyWait::readSettings(const SettingReader& setting)
{
    const Settings defaults;
    Settings settings;
    settings.waitMinutes = wholeNumber(setting, "EsperaSegura", defaults.waitMinutes, 24 * 60);
    // The forecast page shows ten hours, the first of them perhaps under way.
    settings.forecastHours
        = wholeNumber(setting, "HorasPrevisionSegura", defaults.forecastHours, 9);
    settings.maxAgeMinutes = wholeNumber(setting, "EdadMaxima", defaults.maxAgeMinutes, 24 * 60);
    return settings;
}

qint64 SafetyWait::replaySpanMs(const Settings& settings, int refreshMinutes)
{
    return (settings.waitMinutes + 2 * std::max(refreshMinutes, 1) + 1) * 60 * qint64(1000);
}

SafetyWait::SafetyWait(const Settings& settings)
    : m_state(settings)
{
}

void SafetyWait::start(qint64 nowMs, const HistoryReader* history, int refreshMinutes)
{
    // Older polls cannot make it safe sooner: a good run that began before the span is
    // replayed as beginning with its first poll within it.
    int replayed = 0;
    if (history) {
        const qint64 fromMs = nowMs - replaySpanMs(m_state.settings(), refreshMinutes);
        for (const PollRecord& poll : history->polls(fromMs, nowMs)) {
            m_state.addPoll(poll.timeMs, poll.readings);
            ++replayed;
        }
    }
    const SafetyVerdict verdict = m_state.verdict(nowMs);
    m_started = true;
    m_safe = verdict.safe;
    m_safeAtMs = verdict.safeAtMs;
    m_seenMs = nowMs;
    qCInfo(lcPoll).noquote() << QStringLiteral("network safety at start (%1 archived polls): %2")
                                    .arg(replayed)
                                    .arg(verdict.safe
                                            ? QStringLiteral("safe")
                                            : QStringLiteral("not safe: ") + verdict.reason);
    if (m_hook)
        m_hook({ nowMs, verdict.safe, verdict.reason });
}

void SafetyWait::addPoll(qint64 timeMs, const ConditionsReadings& readings)
{
    catchUp(timeMs);
    m_state.addPoll(timeMs, readings);
    report(timeMs);
}

void SafetyWait::setForecast(qint64 shownMs, const ForecastPage& page)
{
    catchUp(shownMs);
    m_state.setForecast(shownMs, page);
    report(shownMs);
}

void SafetyWait::tick(qint64 nowMs)
{
    catchUp(nowMs);
    report(nowMs);
}

void SafetyWait::catchUp(qint64 nowMs)
{
    // Each change is told at its own moment, not at the tick that noticed it.
    for (std::optional<qint64> next = m_state.nextChangeAfter(m_seenMs); next && *next < nowMs;
         next = m_state.nextChangeAfter(m_seenMs))
        report(*next);
}

void SafetyWait::report(qint64 timeMs)
{
    if (!m_started)
        return;
    m_seenMs = std::max(m_seenMs, timeMs);
    const SafetyVerdict verdict = m_state.verdict(timeMs);
    if (verdict.safe != m_safe) {
        m_safe = verdict.safe;
        SafetyTransition transition { timeMs, verdict.safe, verdict.reason };
        if (verdict.safe && m_state.settings().waitMinutes > 0)
            transition.reason = QStringLiteral("%1 min de condiciones seguras")
                                    .arg(m_state.settings().waitMinutes);
        qCInfo(lcPoll).noquote() << (verdict.safe
                ? QStringLiteral("network safety: safe: ") + transition.reason
                : QStringLiteral("network safety: not safe: ") + transition.reason);
        if (m_hook)
            m_hook(transition);
    }
    if (verdict.safeAtMs && verdict.safeAtMs != m_safeAtMs)
        qCInfo(lcPoll).noquote() << QStringLiteral("network safety: waiting: ") + verdict.reason;
    m_safeAtMs = verdict.safeAtMs;
}
