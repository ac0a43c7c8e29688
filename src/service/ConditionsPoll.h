#pragma once

#include "ConditionsReadings.h"
#include "DataFileWriter.h"

#include <QDateTime>
#include <QStringList>
#include <functional>

class AlertSink;
class PollHost;
class QDomDocument;
class QDomNode;
class SafeConditionEvaluation;
class SettingsStore;
class WeatherSource;
struct ConditionsPage;
struct ConfigPage;

// One poll of current conditions: fetch, show, judge, write the data file, alert.
// Also keeps what the window carries from one poll to the next.
class ConditionsPoll
{
public:
    using Clock = std::function<QDateTime()>;

    ConditionsPoll(const WeatherSource& service, const SettingsStore& store, AlertSink* alertSink,
        Clock clock = &QDateTime::currentDateTime);

    // Never throws; every failure ends in the poll's tail. Returns the poll's SafeCondition.
    bool WriteMeteo(const ConfigPage& config, const QString& DecimalSep,
        const QStringList& ObservationField, ConditionsPage& page, PollHost& host);

    // The window's caption for a poll at that moment: "Nubora (hh:mm:ss)".
    static QString captionAt(const QDateTime& time);

    qint16 Periodo_Refresco = 0;
    double ObsEpoch = 0;
    double TzOffsetHours = 0;

    // What the last poll measured and how it ended, for the network device server.
    const ConditionsReadings& readings() const { return m_readings; }

    // Releases the data file, as the window does when it closes.
    void releaseFile() { m_file.release(); }

    // How the last poll ended, as its log line says: "safe", "not safe: sky \"Nublado\"",
    // "failed load: HTTP status 500", "error answer: ...", "run-time failure: ...".
    QString lastOutcome() const { return m_lastOutcome; }

private:
    struct PollValues;

    // Returns false when an error element ends the walk.
    bool handleElement(int index, const QDomNode& element, const ConfigPage& config,
        const QString& DecimalSep, PollValues& values, ConditionsPage& page,
        SafeConditionEvaluation& evaluation, PollHost& host);
    QString dayText() const;
    void readWindDegrees(const QDomDocument& document);

    const WeatherSource& m_service;
    const SettingsStore& m_store;
    AlertSink* m_alertSink;
    Clock m_clock;
    DataFileWriter m_file;
    QString m_lastOutcome;
    ConditionsReadings m_readings;
};
