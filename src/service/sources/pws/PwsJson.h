#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <optional>

// Reading the values of the two JSON services' answers that more than one reader needs.
namespace PwsJson
{

// A JSON number; nothing for null, a missing key or any other type.
std::optional<double> number(const QJsonObject& object, const QString& key);

// A record's "epoch" in whole seconds; nothing where it is no time a station could send
// (before 1970 or after the year 5000), which also keeps it within qint64.
std::optional<qint64> epoch(const QJsonObject& record);

// A wall-clock time without a zone ("2026-12-06 07:05:00" or "2026-12-06T07:00"), held as if
// it were UTC so that no local rule of this computer shifts it; invalid when unreadable.
QDateTime wallClock(const QString& text);

// Local time of the observation minus its UTC time, in seconds; nothing when either is
// missing or unreadable.
std::optional<int> utcOffsetSecs(const QJsonObject& observation);

} // namespace PwsJson
