#pragma once

#include <QDateTime>
#include <QDomDocument>
#include <QJsonObject>
#include <QStringList>
#include <optional>

// Documents shaped like the XML service's answers, built from the station-owner service's
// observation and the forecast service's answer. A null or absent value leaves its element out
// (in the hourly entries, where every child keeps its position, the element stays empty).
namespace PwsDocuments
{

struct ConditionsInput {
    QJsonObject observation; // observations[0] of the current-observation answer
    QJsonObject forecast; // the whole forecast answer, for its "current" values
    std::optional<double> rainLastHour; // from the day's records; precipRate stands in
    std::optional<double> pressureTrend; // of the latest record of the day
};

QDomDocument conditions(const ConditionsInput& input);

// The forecast entries from the first full hour after the moment given; nothing when the
// answer has no hourly times.
std::optional<QDomDocument> hourly(const QJsonObject& forecast, const QDateTime& now);

// A geolookup answer with one "id" per station, in the order given.
QDomDocument stations(const QStringList& stationIds);

// The service's error answer: an "error" element with its type and description.
QDomDocument errorAnswer(const QString& type, const QString& description);

// Local time of the observation minus its UTC time, in seconds; nothing when either is
// missing or unreadable.
std::optional<int> utcOffsetSecs(const QJsonObject& observation);

// A JSON number; nothing for null, a missing key or any other type.
std::optional<double> number(const QJsonObject& object, const QString& key);

// A record's "epoch" in whole seconds; nothing where it is no time a station could send
// (before 1970 or after the year 5000), which also keeps it within qint64.
std::optional<qint64> epoch(const QJsonObject& record);

} // namespace PwsDocuments
