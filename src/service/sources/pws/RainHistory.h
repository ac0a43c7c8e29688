#pragma once

#include <QDate>
#include <QJsonArray>
#include <QList>
#include <optional>

// The station's accumulated rain over the last hours, from its day's records and the
// observations polled since, to tell the rain of the last hour. The station's counter restarts
// at local midnight.
class RainHistory
{
public:
    struct Record {
        qint64 epoch = 0;
        QDate localDate;
        double precipTotal = 0;
    };

    // The records of a day's answer ("observations" of the all/1day request) that carry an
    // epoch and a rain total. The local date comes from obsTimeLocal, or from the epoch and
    // the station's offset where that is missing.
    static QList<Record> recordsFrom(const QJsonArray& observations, int utcOffsetSecs);

    // Keeps one record per epoch, in time order, and forgets what is too old to matter.
    void add(const Record& record);
    void addHistory(const QList<Record>& records, qint64 loadedAtEpoch);
    void clear();

    // The rain since the last record at or before one hour before the latest one: the latest
    // total minus that record's, plus, across midnight, what fell before midnight. Nothing when
    // no record is close enough to that hour; never negative.
    std::optional<double> lastHour(const Record& latest) const;

    // True when the records cannot tell the start of the hour before now: no day's answer
    // yet, or the last one ended more than an hour ago.
    bool needsHistory(qint64 nowEpoch) const;

private:
    static constexpr qint64 Hour = 3600;
    // A record further than this before the hour's start does not stand for it: a station
    // that was off for a while would make its "hour" longer.
    static constexpr qint64 StartTolerance = 15 * 60;

    QList<Record> m_records;
    std::optional<qint64> m_historyEnd;
};
