#include "PwsJson.h"

#include <QJsonValue>
#include <QTimeZone>
#include <cmath>

namespace PwsJson
{

std::optional<double> number(const QJsonObject& object, const QString& key)
{
    const QJsonValue value = object.value(key);
    if (!value.isDouble())
        return std::nullopt;
    return value.toDouble();
}

std::optional<qint64> epoch(const QJsonObject& record)
{
    constexpr double Latest = 95617584000.0; // 5000-01-01T00:00:00Z
    const std::optional<double> seconds = number(record, QStringLiteral("epoch"));
    if (!seconds || !(*seconds >= 0 && *seconds < Latest))
        return std::nullopt;
    return static_cast<qint64>(*seconds);
}

QDateTime wallClock(const QString& text)
{
    const QDate date = QDate::fromString(text.left(10), Qt::ISODate);
    const QString clock = text.mid(11);
    QTime time = QTime::fromString(clock, QStringLiteral("HH:mm:ss"));
    if (!time.isValid())
        time = QTime::fromString(clock, QStringLiteral("HH:mm"));
    if (!date.isValid() || !time.isValid()
        || (text.size() > 10 && text.at(10) != QLatin1Char(' ') && text.at(10) != QLatin1Char('T')))
        return QDateTime();
    return QDateTime(date, time, QTimeZone::utc());
}

std::optional<int> utcOffsetSecs(const QJsonObject& observation)
{
    const QDateTime local = wallClock(observation.value(QLatin1String("obsTimeLocal")).toString());
    QDateTime utc = QDateTime::fromString(
        observation.value(QLatin1String("obsTimeUtc")).toString(), Qt::ISODate);
    if (!local.isValid() || !utc.isValid())
        return std::nullopt;
    utc = utc.toUTC();
    // Whole minutes: the two times are given to the second, the offset is not finer.
    const qint64 seconds = utc.secsTo(local);
    return static_cast<int>(std::llround(seconds / 60.0) * 60);
}

} // namespace PwsJson
