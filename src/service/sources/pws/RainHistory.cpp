#include "RainHistory.h"

#include "PwsJson.h"

#include <QDateTime>
#include <QJsonObject>
#include <QTimeZone>
#include <algorithm>

QList<RainHistory::Record> RainHistory::recordsFrom(
    const QJsonArray& observations, int utcOffsetSecs)
{
    QList<Record> records;
    for (const QJsonValue& value : observations) {
        const QJsonObject observation = value.toObject();
        const std::optional<qint64> epoch = PwsJson::epoch(observation);
        const QJsonValue total = observation.value(QLatin1String("metric"))
                                     .toObject()
                                     .value(QLatin1String("precipTotal"));
        if (!epoch || !total.isDouble())
            continue;
        Record record;
        record.epoch = *epoch;
        record.precipTotal = total.toDouble();
        const QString local = observation.value(QLatin1String("obsTimeLocal")).toString();
        record.localDate = QDate::fromString(local.left(10), Qt::ISODate);
        if (!record.localDate.isValid())
            record.localDate
                = QDateTime::fromSecsSinceEpoch(record.epoch + utcOffsetSecs, QTimeZone::utc())
                      .date();
        records.append(record);
    }
    return records;
}

void RainHistory::add(const Record& record)
{
    const auto at = std::lower_bound(m_records.begin(), m_records.end(), record.epoch,
        [](const Record& r, qint64 epoch) { return r.epoch < epoch; });
    if (at != m_records.end() && at->epoch == record.epoch)
        *at = record;
    else
        m_records.insert(at, record);
    // Two hours cover the hour asked for, its start tolerance and the day before midnight.
    const qint64 keepFrom = m_records.last().epoch - 2 * Hour - StartTolerance;
    m_records.erase(m_records.begin(),
        std::find_if(m_records.begin(), m_records.end(),
            [keepFrom](const Record& r) { return r.epoch >= keepFrom; }));
}

void RainHistory::addHistory(const QList<Record>& records, qint64 loadedAtEpoch)
{
    qint64 end = 0;
    for (const Record& record : records) {
        add(record);
        end = std::max(end, record.epoch);
    }
    // A day's answer just after midnight may hold nothing yet; it still covers up to when it
    // was loaded.
    m_historyEnd = records.isEmpty() ? loadedAtEpoch : end;
}

void RainHistory::clear()
{
    m_records.clear();
    m_historyEnd.reset();
}

std::optional<double> RainHistory::lastHour(const Record& latest) const
{
    const qint64 start = latest.epoch - Hour;
    const Record* base = nullptr;
    for (const Record& record : m_records) {
        if (record.epoch > start)
            break;
        base = &record;
    }
    if (!base || base->epoch < start - StartTolerance)
        return std::nullopt;

    double rain = latest.precipTotal - base->precipTotal;
    if (base->localDate != latest.localDate) {
        // The counter restarted at midnight: what fell after it is the latest total, and what
        // fell before it is the last total of the base's day minus the base's own.
        double lastOfDay = base->precipTotal;
        for (const Record& record : m_records)
            if (record.localDate == base->localDate && record.epoch < latest.epoch)
                lastOfDay = std::max(lastOfDay, record.precipTotal);
        rain = latest.precipTotal + (lastOfDay - base->precipTotal);
    }
    return std::max(0.0, rain);
}

bool RainHistory::needsHistory(qint64 nowEpoch) const
{
    return !m_historyEnd || *m_historyEnd < nowEpoch - Hour;
}
