#include "ForecastHold.h"

#include <QDateTime>
#include <QStringList>

ForecastHold::ForecastHold(const ForecastPage& page, qint64 shownMs)
{
    // The first row may be the hour under way; each later row comes after the one before, so
    // the hours run on past midnight.
    QDateTime previous = QDateTime::fromMSecsSinceEpoch(shownMs - HourMs);
    for (const ForecastRow& row : page.rows) {
        const QTime time = QTime::fromString(row.Hr_Fct.text, QStringLiteral("H:mm"));
        if (!time.isValid())
            break; // an empty row: the forecast ends here
        QDateTime start(previous.date(), time);
        if (start <= previous)
            start = QDateTime(previous.date().addDays(1), time);
        m_hours.append({ start.toMSecsSinceEpoch(), trouble(row) });
        previous = start;
    }
}

QString ForecastHold::trouble(const ForecastRow& row)
{
    if (row.Hr_Fct.background == FieldColour::Green)
        return QString();
    // The bold cells are the limits the hour breaks.
    QStringList what;
    if (row.C_Fct.bold)
        what << row.C_Fct.text;
    if (row.H_Fct.bold)
        what << QStringLiteral("humedad %1%").arg(row.H_Fct.text);
    if (row.V_Fct.bold)
        what << QStringLiteral("viento %1 Km/h").arg(row.V_Fct.text);
    if (what.isEmpty())
        what << QStringLiteral("sin datos");
    return QStringLiteral("Previsión de las %1: %2")
        .arg(row.Hr_Fct.text, what.join(QStringLiteral(", ")));
}

QString ForecastHold::reason(qint64 nowMs, int hours) const
{
    if (hours <= 0)
        return QString();
    const qint64 endMs = nowMs + hours * HourMs;
    if (m_hours.isEmpty() || m_hours.last().startMs + HourMs < endMs)
        return QStringLiteral("Sin previsión para las próximas %1 h").arg(hours);
    for (const Hour& hour : m_hours) {
        if (hour.startMs + HourMs > nowMs && hour.startMs < endMs && !hour.trouble.isEmpty())
            return hour.trouble;
    }
    return QString();
}

std::optional<qint64> ForecastHold::nextChangeAfter(qint64 afterMs, int hours) const
{
    if (hours <= 0 || m_hours.isEmpty())
        return std::nullopt;
    const qint64 span = hours * HourMs;
    std::optional<qint64> next;
    const auto consider = [&next, afterMs](qint64 ms) {
        if (ms > afterMs && (!next || ms < *next))
            next = ms;
    };
    // The forecast stops reaching far enough.
    consider(m_hours.last().startMs + HourMs - span + 1);
    for (const Hour& hour : m_hours) {
        if (hour.trouble.isEmpty())
            continue;
        consider(hour.startMs - span + 1); // comes within reach
        consider(hour.startMs + HourMs); // is over
    }
    return next;
}
