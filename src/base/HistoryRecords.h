#pragma once

#include "ConditionsReadings.h"

#include <QList>
#include <QStringList>
#include <optional>

// One conditions poll as the archive keeps it.
struct PollRecord {
    qint64 timeMs = 0; // when the poll ended, milliseconds since the epoch
    // The outcome, the verdict, the source, the station and every value the observation had;
    // a value the observation lacked stays absent.
    ConditionsReadings readings;
    QString
        outcome; // as the poll's log line gives it ("safe", "not safe: ...", "failed load: ...")
    QStringList brokenLimits; // each limit the poll found broken, in words
};

// A change of the safety that the network devices report.
struct SafetyTransition {
    qint64 timeMs = 0;
    bool safe = false;
    QString reason; // why it is not safe, or what made it safe again
};

// The means over a span of archived polls. Each value is the mean over the polls that had it,
// absent where none had it.
struct HistoryMeans {
    qint64 firstMs = 0; // the oldest and newest poll of the span that had a value
    qint64 lastMs = 0;
    int polls = 0;
    std::optional<double> temperature; // °C
    std::optional<double> dewpoint;
    std::optional<double> humidity; // %
    std::optional<double> pressureHpa; // sea level, as the source gives it
    std::optional<double> stationPressureHpa; // where the source gives it
    std::optional<double> windKph;
    std::optional<double> gustKph;
    std::optional<double> windDegrees; // the direction of the mean wind vector
    std::optional<double> rain1hMm; // the mean rate over the span, mm/h
    std::optional<double> cloudCover; // %
};

// What the archive answers, to readers on any thread.
class HistoryReader
{
public:
    virtual ~HistoryReader() = default;

    // The polls that ended within [fromMs, toMs], oldest first.
    virtual QList<PollRecord> polls(qint64 fromMs, qint64 toMs) const = 0;
    // Nothing where no poll ended within the span.
    virtual std::optional<HistoryMeans> means(qint64 fromMs, qint64 toMs) const = 0;
    // The oldest poll the archive holds; nothing while it holds none.
    virtual std::optional<qint64> firstPollMs() const = 0;
};
