#include "PwsHourly.h"

#include "PwsJson.h"
#include "PwsTexts.h"

#include <QJsonArray>
#include <cmath>

namespace
{

// The reasons the page gives where a read fails, as it gives them for the XML service's
// answers: an empty value, a date or an hour that is not there.
const QString EmptyValue = QStringLiteral("text read from an element without text");
const QString MissingHour = QStringLiteral("child read through a missing node");

QString whole(double value)
{
    // std::lround, not qRound: -0.4 gives "0", never "-0".
    return QString::number(std::lround(value));
}

QString two(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

// The hour's value of one of the hourly lists; nothing for a null or a missing one.
std::optional<double> hourValue(const QJsonObject& hourly, const QString& key, int i)
{
    const QJsonValue value = hourly.value(key).toArray().at(i);
    if (!value.isDouble())
        return std::nullopt;
    return value.toDouble();
}

ForecastHour::Cell wholeCell(std::optional<double> value)
{
    return value ? ForecastHour::Cell(whole(*value)) : std::nullopt;
}

ForecastHour hourAt(const QJsonObject& hours, int i, const QTime& time)
{
    ForecastHour hour;
    hour.hour = two(time.hour());
    hour.minute = two(time.minute());
    hour.temperature = wholeCell(hourValue(hours, QStringLiteral("temperature_2m"), i));
    hour.humidity = wholeCell(hourValue(hours, QStringLiteral("relative_humidity_2m"), i));
    hour.wind = wholeCell(hourValue(hours, QStringLiteral("wind_speed_10m"), i));
    if (const std::optional<double> code = hourValue(hours, QStringLiteral("weather_code"), i))
        hour.sky = PwsTexts::weatherText(static_cast<int>(std::lround(*code)));
    if (!hour.temperature || !hour.humidity || !hour.wind || !hour.sky)
        hour.failure = EmptyValue;
    return hour;
}

} // namespace

namespace PwsHourly
{

std::optional<HourlyAnswer> fromJson(const QJsonObject& forecast, const QDateTime& now)
{
    const QJsonObject hours = forecast.value(QLatin1String("hourly")).toObject();
    const QJsonArray times = hours.value(QLatin1String("time")).toArray();
    if (times.isEmpty())
        return std::nullopt;
    const int offset = forecast.value(QLatin1String("utc_offset_seconds")).toInt();
    // The answer's times are the station's wall-clock times, without a zone.
    const QDateTime localNow = now.toUTC().addSecs(offset);

    HourlyAnswer answer;
    answer.missingHourFailure = MissingHour;
    for (int i = 0; i < times.size(); ++i) {
        const QDateTime local = PwsJson::wallClock(times.at(i).toString());
        if (!local.isValid())
            return std::nullopt;
        if (local <= localNow)
            continue;
        if (answer.hours.isEmpty()) {
            // The date caption reads as a long date with the full names.
            const QDate date = local.date();
            answer.weekday = PwsTexts::weekdayName(date.dayOfWeek());
            answer.day = QString::number(date.day());
            answer.month = PwsTexts::monthName(date.month());
            answer.year = QString::number(date.year());
        }
        answer.hours.append(hourAt(hours, i, local.time()));
    }
    if (answer.hours.isEmpty())
        answer.dateFailure = MissingHour;
    return answer;
}

} // namespace PwsHourly
