#pragma once

#include "ConditionsReadings.h"
#include "DataFileWriter.h"
#include "PollEffects.h"
#include "SourceAnswers.h"

#include <QDateTime>
#include <QStringList>
#include <functional>
#include <optional>

class AlertSink;
class DataLine;
class ObservationWalk;
class SafeConditionEvaluation;
class SettingsStore;
class WeatherSource;
struct ConditionsPage;
struct ConfigPage;

// How one poll of current conditions ended, for its caller.
struct ConditionsResult {
    bool safe = false; // the poll's SafeCondition
    PollEffects effects;
    // How the poll ended, as its log line says it: "safe", "not safe: sky \"Nublado\"",
    // "failed load: HTTP status 500", "error answer: ...", "run-time failure: ...".
    QString outcome;
    QStringList brokenLimits; // each limit the verdict found broken, as the log names it
    QString alertText; // the notes joined, or "Fallo en Nubora"
    // The answer as the source handed it over; none when the poll ended before or at the load.
    std::optional<Observation> observation;
    ConditionsReadings readings;
};

// One poll of current conditions: fetch, show, judge, write the data file, alert.
// Also keeps what the window carries from one poll to the next.
class ConditionsPoll
{
public:
    using Clock = std::function<QDateTime()>;

    ConditionsPoll(const WeatherSource& service, const SettingsStore& store, AlertSink* alertSink,
        Clock clock = &QDateTime::currentDateTime);

    // Never throws; every failure ends in the poll's tail.
    ConditionsResult WriteMeteo(const ConfigPage& config, const QString& DecimalSep,
        const QStringList& ObservationField, ConditionsPage& page);

    // The window's caption for a poll at that moment: "Nubora (hh:mm:ss)".
    static QString captionAt(const QDateTime& time);

    qint16 Periodo_Refresco = 0;
    double ObsEpoch = 0;
    double TzOffsetHours = 0;

    // Releases the data file, as the window does when it closes.
    void releaseFile() { m_file.release(); }

private:
    // Everything before the download: the data file's place, the period, the emptied page and
    // its start colours. Returns the file's path; throws PollFailure.
    QString prepare(
        const ConfigPage& config, ConditionsPage& page, SafeConditionEvaluation& evaluation);
    // False when the answer ends the walk early (an error answer); throws for a failed read.
    bool walk(const Observation& observation, const QStringList& ObservationField,
        ObservationWalk& walker, DataLine& line, SafeConditionEvaluation& evaluation,
        ConditionsResult& result);
    // After a walk that reached its end: the wind test and the closing pieces of the line.
    void closeWalk(const ConfigPage& config, const Observation& observation,
        const ObservationWalk& walker, DataLine& line, SafeConditionEvaluation& evaluation,
        ConditionsPage& page);
    // The log line, the alert and the result, on every way the poll ends.
    void finish(const ConfigPage& config, const SafeConditionEvaluation& evaluation,
        QString outcome, ConditionsResult& result);

    const WeatherSource& m_service;
    const SettingsStore& m_store;
    AlertSink* m_alertSink;
    Clock m_clock;
    DataFileWriter m_file;
    ConditionsReadings m_readings;
};
