#include "PwsDocuments.h"

#include "PwsTexts.h"

#include <QJsonArray>
#include <QLocale>
#include <QTimeZone>
#include <cmath>

namespace
{

QString oneDecimal(double value)
{
    return QString::number(value, 'f', 1);
}

QString whole(double value)
{
    // std::lround, not qRound: -0.4 gives "0", never "-0".
    return QString::number(std::lround(value));
}

QString offsetText(int seconds)
{
    const int minutes = std::abs(seconds) / 60;
    return QStringLiteral("%1%2%3")
        .arg(seconds < 0 ? QLatin1Char('-') : QLatin1Char('+'))
        .arg(minutes / 60, 2, 10, QLatin1Char('0'))
        .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

// A wall-clock time without a zone ("2026-12-06 07:05:00" or "2026-12-06T07:00"), held as if
// it were UTC so that no local rule of this computer shifts it.
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

QDomElement addElement(QDomDocument& document, QDomElement& parent, const QString& name)
{
    QDomElement element = document.createElement(name);
    parent.appendChild(element);
    return element;
}

QDomElement addText(
    QDomDocument& document, QDomElement& parent, const QString& name, const QString& text)
{
    QDomElement element = addElement(document, parent, name);
    if (!text.isEmpty())
        element.appendChild(document.createTextNode(text));
    return element;
}

void addOptional(QDomDocument& document, QDomElement& parent, const QString& name,
    const std::optional<QString>& text)
{
    if (text)
        addText(document, parent, name, *text);
}

std::optional<QString> formatted(std::optional<double> value, QString (*format)(double))
{
    if (!value)
        return std::nullopt;
    return format(*value);
}

std::optional<QString> nonEmptyString(const QJsonObject& object, const QString& key)
{
    const QString text = object.value(key).toString();
    if (text.isEmpty())
        return std::nullopt;
    return text;
}

QDomElement answerRoot(QDomDocument& document)
{
    QDomElement response = document.createElement(QStringLiteral("response"));
    document.appendChild(response);
    addText(document, response, QStringLiteral("version"), QStringLiteral("0.1"));
    return response;
}

// Either one element of the hour's value or, for a null, an empty element in its place.
std::optional<double> hourValue(const QJsonObject& hourly, const QString& key, int i)
{
    const QJsonValue value = hourly.value(key).toArray().at(i);
    if (!value.isDouble())
        return std::nullopt;
    return value.toDouble();
}

void addEnglishMetric(QDomDocument& document, QDomElement& entry, const QString& name,
    std::optional<double> metric, double (*toEnglish)(double))
{
    QDomElement pair = addElement(document, entry, name);
    addText(
        document, pair, QStringLiteral("english"), metric ? whole(toEnglish(*metric)) : QString());
    addText(document, pair, QStringLiteral("metric"), metric ? whole(*metric) : QString());
}

double fahrenheit(double celsius)
{
    return celsius * 9 / 5 + 32;
}

double mph(double kph)
{
    return kph / 1.609344;
}

void addForecastTime(
    QDomDocument& document, QDomElement& entry, const QDateTime& local, qint64 epoch)
{
    const QDate date = local.date();
    const QTime time = local.time();
    const QString weekday = PwsTexts::weekdayName(date.dayOfWeek());
    const QString month = PwsTexts::monthName(date.month());
    const QLocale english = QLocale::c();
    const auto two
        = [](int value) { return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0')); };
    const QString civil = english.toString(time, QStringLiteral("h:mm AP"));

    QDomElement fcttime = addElement(document, entry, QStringLiteral("FCTTIME"));
    // The XML service's 27 children, in its order; the forecast reads them by position.
    const QList<std::pair<const char*, QString>> children = {
        { "hour", QString::number(time.hour()) },
        { "hour_padded", two(time.hour()) },
        { "min", two(time.minute()) },
        { "min_unpadded", QString::number(time.minute()) },
        { "sec", QString::number(time.second()) },
        { "year", QString::number(date.year()) },
        { "mon", QString::number(date.month()) },
        { "mon_padded", two(date.month()) },
        { "mon_abbrev", month.left(3) },
        { "mday", QString::number(date.day()) },
        { "mday_padded", two(date.day()) },
        { "yday", QString::number(date.dayOfYear() - 1) },
        { "isdst", QStringLiteral("0") },
        { "epoch", QString::number(epoch) },
        { "pretty",
            QStringLiteral("%1 el %2 de %3 de %4")
                .arg(civil)
                .arg(date.day())
                .arg(month)
                .arg(date.year()) },
        { "civil", civil },
        { "month_name", month },
        // Read as the month of the date caption, which reads as a long date with the full name.
        { "month_name_abbrev", month },
        { "weekday_name", weekday },
        { "weekday_name_night", weekday + QStringLiteral(" por la noche") },
        { "weekday_name_abbrev", weekday.left(3) },
        { "weekday_name_unlang", english.dayName(date.dayOfWeek()) },
        { "weekday_name_night_unlang",
            english.dayName(date.dayOfWeek()) + QStringLiteral(" Night") },
        { "ampm", time.hour() < 12 ? QStringLiteral("AM") : QStringLiteral("PM") },
        { "tz", QString() },
        { "age", QString() },
        { "UTCDATE", QString() },
    };
    for (const auto& [name, text] : children)
        addText(document, fcttime, QString::fromLatin1(name), text);
}

} // namespace

namespace PwsDocuments
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

QDomDocument conditions(const ConditionsInput& input)
{
    const QJsonObject& observation = input.observation;
    const QJsonObject metric = observation.value(QLatin1String("metric")).toObject();
    const QJsonObject current = input.forecast.value(QLatin1String("current")).toObject();

    QDomDocument document;
    QDomElement response = answerRoot(document);
    QDomElement root = addElement(document, response, QStringLiteral("current_observation"));

    // An empty neighbourhood is no place name either: an empty element would fail the poll.
    if (const std::optional<QString> place
        = nonEmptyString(observation, QStringLiteral("neighborhood"))) {
        QDomElement location = addElement(document, root, QStringLiteral("observation_location"));
        const QString country = observation.value(QLatin1String("country")).toString();
        addText(document, location, QStringLiteral("full"),
            country.isEmpty() ? *place : *place + QStringLiteral(", ") + country);
        addText(document, location, QStringLiteral("city"), *place);
        addOptional(document, location, QStringLiteral("country"),
            nonEmptyString(observation, QStringLiteral("country")));
        addOptional(document, location, QStringLiteral("latitude"),
            formatted(number(observation, QStringLiteral("lat")),
                [](double v) { return QString::number(v, 'f', 6); }));
        addOptional(document, location, QStringLiteral("longitude"),
            formatted(number(observation, QStringLiteral("lon")),
                [](double v) { return QString::number(v, 'f', 6); }));
    }
    addOptional(document, root, QStringLiteral("station_id"),
        nonEmptyString(observation, QStringLiteral("stationID")));

    const std::optional<int> offset = utcOffsetSecs(observation);
    if (offset) {
        const QDateTime local
            = wallClock(observation.value(QLatin1String("obsTimeLocal")).toString());
        addText(document, root, QStringLiteral("observation_time_rfc822"),
            QLocale::c().toString(local, QStringLiteral("ddd, dd MMM yyyy HH:mm:ss "))
                + offsetText(*offset));
    }
    addOptional(document, root, QStringLiteral("observation_epoch"),
        formatted(number(observation, QStringLiteral("epoch")),
            [](double v) { return QString::number(std::llround(v)); }));
    if (offset)
        addText(document, root, QStringLiteral("local_tz_offset"), offsetText(*offset));

    addOptional(document, root, QStringLiteral("weather"),
        formatted(number(current, QStringLiteral("weather_code")),
            [](double v) { return PwsTexts::weatherText(static_cast<int>(std::lround(v))); }));
    addOptional(document, root, QStringLiteral("temp_c"),
        formatted(number(metric, QStringLiteral("temp")), oneDecimal));
    addOptional(document, root, QStringLiteral("relative_humidity"),
        formatted(number(observation, QStringLiteral("humidity")),
            [](double v) { return QString::number(v) + QLatin1Char('%'); }));
    addOptional(document, root, QStringLiteral("wind_dir"),
        formatted(number(observation, QStringLiteral("winddir")), PwsTexts::windDirection));
    addOptional(document, root, QStringLiteral("wind_kph"),
        formatted(number(metric, QStringLiteral("windSpeed")), oneDecimal));
    addOptional(document, root, QStringLiteral("wind_gust_kph"),
        formatted(number(metric, QStringLiteral("windGust")), oneDecimal));
    addOptional(document, root, QStringLiteral("pressure_mb"),
        formatted(number(metric, QStringLiteral("pressure")), oneDecimal));
    addOptional(document, root, QStringLiteral("pressure_trend"),
        formatted(input.pressureTrend, [](double v) {
            return v > 0 ? QStringLiteral("+") : v < 0 ? QStringLiteral("-") : QStringLiteral("0");
        }));
    addOptional(document, root, QStringLiteral("dewpoint_c"),
        formatted(number(metric, QStringLiteral("dewpt")), oneDecimal));
    addOptional(document, root, QStringLiteral("visibility_km"),
        formatted(number(current, QStringLiteral("visibility")),
            [](double v) { return oneDecimal(v / 1000); }));
    const std::optional<double> rain
        = input.rainLastHour ? input.rainLastHour : number(metric, QStringLiteral("precipRate"));
    addOptional(document, root, QStringLiteral("precip_1hr_metric"), formatted(rain, oneDecimal));
    addOptional(document, root, QStringLiteral("precip_today_metric"),
        formatted(number(metric, QStringLiteral("precipTotal")), oneDecimal));
    return document;
}

std::optional<QDomDocument> hourly(const QJsonObject& forecast, const QDateTime& now)
{
    const QJsonObject hours = forecast.value(QLatin1String("hourly")).toObject();
    const QJsonArray times = hours.value(QLatin1String("time")).toArray();
    if (times.isEmpty())
        return std::nullopt;
    const int offset = forecast.value(QLatin1String("utc_offset_seconds")).toInt();
    // The answer's times are the station's wall-clock times, without a zone.
    const QDateTime localNow = now.toUTC().addSecs(offset);

    QDomDocument document;
    QDomElement response = answerRoot(document);
    QDomElement list = addElement(document, response, QStringLiteral("hourly_forecast"));
    for (int i = 0; i < times.size(); ++i) {
        const QDateTime local = wallClock(times.at(i).toString());
        if (!local.isValid())
            return std::nullopt;
        if (local <= localNow)
            continue;

        const std::optional<double> code = hourValue(hours, QStringLiteral("weather_code"), i);
        const std::optional<double> humidity
            = hourValue(hours, QStringLiteral("relative_humidity_2m"), i);
        QDomElement entry = addElement(document, list, QStringLiteral("forecast"));
        addForecastTime(document, entry, local, local.toSecsSinceEpoch() - offset);
        addEnglishMetric(document, entry, QStringLiteral("temp"),
            hourValue(hours, QStringLiteral("temperature_2m"), i), fahrenheit);
        addEnglishMetric(document, entry, QStringLiteral("dewpoint"),
            hourValue(hours, QStringLiteral("dew_point_2m"), i), fahrenheit);
        addText(document, entry, QStringLiteral("condition"),
            code ? PwsTexts::weatherText(static_cast<int>(std::lround(*code))) : QString());
        // Positions 4 to 11 hold what the forecast service is not asked for.
        for (const char* name : { "icon", "icon_url", "fctcode", "sky" })
            addText(document, entry, QString::fromLatin1(name), QString());
        addEnglishMetric(document, entry, QStringLiteral("wspd"),
            hourValue(hours, QStringLiteral("wind_speed_10m"), i), mph);
        QDomElement direction = addElement(document, entry, QStringLiteral("wdir"));
        addText(document, direction, QStringLiteral("dir"), QString());
        addText(document, direction, QStringLiteral("degrees"), QString());
        for (const char* name : { "wx", "uvi" })
            addText(document, entry, QString::fromLatin1(name), QString());
        addText(
            document, entry, QStringLiteral("humidity"), humidity ? whole(*humidity) : QString());
    }
    return document;
}

QDomDocument stations(const QStringList& stationIds)
{
    QDomDocument document;
    QDomElement response = answerRoot(document);
    QDomElement location = addElement(document, response, QStringLiteral("location"));
    QDomElement nearby = addElement(document, location, QStringLiteral("nearby_weather_stations"));
    QDomElement pws = addElement(document, nearby, QStringLiteral("pws"));
    for (const QString& id : stationIds) {
        QDomElement station = addElement(document, pws, QStringLiteral("station"));
        addText(document, station, QStringLiteral("id"), id);
    }
    return document;
}

QDomDocument errorAnswer(const QString& type, const QString& description)
{
    QDomDocument document;
    QDomElement response = answerRoot(document);
    QDomElement error = addElement(document, response, QStringLiteral("error"));
    addText(document, error, QStringLiteral("type"), type);
    addText(document, error, QStringLiteral("description"), description);
    return document;
}

} // namespace PwsDocuments
