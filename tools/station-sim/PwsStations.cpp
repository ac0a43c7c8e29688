#include "PwsStations.h"

#include "WeatherModel.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimeZone>
#include <QUrl>
#include <QUrlQuery>
#include <cmath>

namespace
{

enum class Kind { Clear, Wet, Silent, NullFields, Midnight };

struct Station {
    const char* id;
    Kind kind;
    const char* neighbourhood; // UTF-8
    double latitude;
    double longitude;
    int elevationM;
};

const Station stations[] = {
    { "IPWSDESPEJADO", Kind::Clear, "Cerro de San Pedro", 40.7339, -3.7711, 1420 },
    { "IPWSLLUVIA", Kind::Wet, "Valle del Lozoya", 40.9210, -3.8812, 1105 },
    { "IPWSSILENCIO", Kind::Silent, "Valdemorillo", 40.5004, -4.0665, 810 },
    { "IPWSNULOS", Kind::NullFields, "Galapagar", 40.5786, -4.0034, 880 },
    { "IPWSMEDIANOCHE", Kind::Midnight, "Guadarrama", 40.6727, -4.0890, 965 },
};

constexpr qint64 RecordSpacing = 5 * 60;

const Station* stationById(const QString& id)
{
    for (const Station& station : stations)
        if (id == QLatin1String(station.id))
            return &station;
    return nullptr;
}

const Station* stationNear(double latitude, double longitude)
{
    for (const Station& station : stations)
        if (std::abs(station.latitude - latitude) < 0.001
            && std::abs(station.longitude - longitude) < 0.001)
            return &station;
    return nullptr;
}

// The station's offset from UTC at that moment. The midnight station keeps the time zone where
// it is always twenty to thirty-five minutes past midnight, so its rainy hour crosses midnight
// whenever it is asked.
int offsetSecs(const Station& station, const QDateTime& now)
{
    if (station.kind != Kind::Midnight)
        return WeatherModel::utcOffsetSeconds;
    const int utcMinute = now.toUTC().time().hour() * 60 + now.toUTC().time().minute();
    int offsetMinutes = ((20 - utcMinute) % 1440 + 1440) % 1440;
    offsetMinutes = (offsetMinutes + 14) / 15 * 15;
    if (offsetMinutes > 14 * 60)
        offsetMinutes -= 1440;
    return offsetMinutes * 60;
}

// Rain falling at that moment, in mm/h.
double rainRate(const Station& station, const QDateTime& local)
{
    const int minute = local.time().hour() * 60 + local.time().minute();
    switch (station.kind) {
    case Kind::Wet:
        return 2.4;
    case Kind::Midnight:
        return minute >= 23 * 60 + 30 || minute < 45 ? 3.0 : 0.0;
    default:
        return 0.0;
    }
}

// Rain since the station's local midnight, summed over the records' five-minute steps.
double rainSinceMidnight(const Station& station, qint64 epoch, int offset)
{
    const QDateTime local = QDateTime::fromSecsSinceEpoch(epoch + offset, QTimeZone::utc());
    const qint64 midnight = epoch - QTime(0, 0).secsTo(local.time());
    double total = 0;
    for (qint64 t = midnight; t < epoch; t += RecordSpacing)
        total += rainRate(station, QDateTime::fromSecsSinceEpoch(t + offset, QTimeZone::utc()))
            * RecordSpacing / 3600.0;
    return std::round(total * 100) / 100;
}

QJsonValue orNull(const Station& station, double value)
{
    return station.kind == Kind::NullFields ? QJsonValue() : QJsonValue(value);
}

QJsonObject observation(const Station& station, qint64 epoch, int offset)
{
    const QDateTime utc = QDateTime::fromSecsSinceEpoch(epoch, QTimeZone::utc());
    const QDateTime local = QDateTime::fromSecsSinceEpoch(epoch + offset, QTimeZone::utc());
    const bool wet = station.kind == Kind::Wet || station.kind == Kind::Midnight;
    QJsonObject metric {
        { "temp", orNull(station, wet ? 6.4 : 3.1) },
        { "dewpt", wet ? 5.9 : -4.2 },
        { "windSpeed", wet ? 11.2 : 4.3 },
        { "windGust", orNull(station, wet ? 19.8 : 7.6) },
        { "pressure", wet ? 1004.6 : 1021.3 },
        { "elev", station.elevationM },
        { "precipRate", rainRate(station, local) },
        { "precipTotal", rainSinceMidnight(station, epoch, offset) },
    };
    return QJsonObject {
        { "stationID", QLatin1String(station.id) },
        { "obsTimeUtc", utc.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ssZ")) },
        { "obsTimeLocal", local.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) },
        { "neighborhood",
            station.kind == Kind::NullFields
                ? QJsonValue()
                : QJsonValue(QString::fromUtf8(station.neighbourhood)) },
        { "country", "ES" },
        { "lat", station.latitude },
        { "lon", station.longitude },
        { "epoch", epoch },
        { "winddir", orNull(station, wet ? 247 : 12) },
        { "humidity", orNull(station, wet ? 96 : 58) },
        { "qcStatus", 1 },
        { "metric", metric },
    };
}

int weatherCode(Sky sky)
{
    switch (sky) {
    case Sky::Clear:
        return 0;
    case Sky::Scattered:
        return 1;
    case Sky::PartlyCloudy:
        return 2;
    case Sky::MostlyCloudy:
    case Sky::Overcast:
        return 3;
    case Sky::Rain:
        return 63;
    }
    return 0;
}

SimReply json(int status, const QJsonObject& object)
{
    return { status, QByteArrayLiteral("application/json; charset=UTF-8"),
        QJsonDocument(object).toJson(QJsonDocument::Compact) };
}

SimReply noContent()
{
    return { 204, QByteArray(), QByteArray() };
}

} // namespace

QStringList PwsStations::stationIds()
{
    QStringList ids;
    for (const Station& station : stations)
        ids.append(QLatin1String(station.id));
    return ids;
}

SimReply PwsStations::answer(
    const QString& path, const QMap<QString, QString>& query, const QDateTime& time)
{
    const QDateTime now = time.toUTC();
    // A station reports every five minutes.
    const qint64 latest = now.toSecsSinceEpoch() / RecordSpacing * RecordSpacing;
    const bool stationOwner
        = path.startsWith(QLatin1String("/v2/pws/")) || path == QLatin1String("/v3/location/near");
    if (stationOwner && (query.value("apiKey").isEmpty() || query.value("apiKey") == BadKey))
        return json(401, { { "success", false }, { "errors", QJsonArray { "Invalid apiKey." } } });

    if (path.startsWith(QLatin1String("/v2/pws/observations/"))) {
        const Station* station = stationById(query.value("stationId"));
        if (!station || station->kind == Kind::Silent)
            return noContent();
        const int offset = offsetSecs(*station, now);
        QJsonArray records;
        if (path.endsWith(QLatin1String("/current"))) {
            records.append(observation(*station, latest, offset));
        } else if (path.endsWith(QLatin1String("/all/1day"))) {
            // The last day's records, every five minutes; each carries the day's rain so far.
            for (qint64 t = latest - 24 * 3600 + RecordSpacing; t <= latest; t += RecordSpacing) {
                QJsonObject record = observation(*station, t, offset);
                QJsonObject metric = record.value("metric").toObject();
                metric.insert("pressureTrend", station->kind == Kind::Clear ? 0.3 : -0.8);
                record.insert("metric", metric);
                records.append(record);
            }
        } else {
            return SimReply::notFound();
        }
        return json(200, { { "observations", records } });
    }

    if (path == QLatin1String("/v3/location/near")) {
        QJsonArray ids;
        for (const QString& id : stationIds())
            if (id != QLatin1String("IPWSSILENCIO"))
                ids.append(id);
        return json(200, { { "location", QJsonObject { { "stationId", ids } } } });
    }

    if (path == QLatin1String("/v1/forecast")) {
        const Station* station
            = stationNear(query.value("latitude").toDouble(), query.value("longitude").toDouble());
        const bool wet = station && (station->kind == Kind::Wet || station->kind == Kind::Midnight);
        const int offset = station ? offsetSecs(*station, now) : WeatherModel::utcOffsetSeconds;
        const QDateTime localNow = now.addSecs(offset);
        const QDateTime hourStart(
            localNow.date(), QTime(localNow.time().hour(), 0), QTimeZone::utc());
        QJsonArray times, temperature, dewpoint, humidity, code, wind;
        for (int i = 0; i < 12; ++i) {
            const QDateTime utcHour = hourStart.addSecs(3600 * i - offset);
            const WeatherSample sample = WeatherModel::forecastHour(
                wet ? WeatherModel::Rain : WeatherModel::Clear, i, utcHour);
            times.append(hourStart.addSecs(3600 * i).toString(QStringLiteral("yyyy-MM-ddTHH:mm")));
            temperature.append(std::round(sample.tempC * 10) / 10);
            dewpoint.append(
                std::round(WeatherModel::dewpointC(sample.tempC, sample.humidity) * 10) / 10);
            humidity.append(sample.humidity);
            code.append(weatherCode(sample.sky));
            wind.append(std::round(sample.windKph * 10) / 10);
        }
        const QJsonObject current { { "time",
                                        localNow.toString(QStringLiteral("yyyy-MM-ddTHH:mm")) },
            { "interval", 900 }, { "weather_code", wet ? 63 : 0 },
            { "visibility", wet ? 4200.0 : 32400.0 }, { "cloud_cover", wet ? 100 : 4 } };
        const QJsonObject hourly { { "time", times }, { "temperature_2m", temperature },
            { "dew_point_2m", dewpoint }, { "relative_humidity_2m", humidity },
            { "weather_code", code }, { "wind_speed_10m", wind } };
        return json(200,
            { { "latitude", query.value("latitude").toDouble() },
                { "longitude", query.value("longitude").toDouble() },
                { "utc_offset_seconds", offset }, { "timezone", "GMT" }, { "current", current },
                { "hourly", hourly } });
    }
    return SimReply::notFound();
}

QList<SimRoute> PwsStations::routes()
{
    const auto answerTarget = [](std::string_view target, const QDateTime& now) {
        const QUrl url(QString::fromUtf8(target.data(), qsizetype(target.size())));
        QMap<QString, QString> query;
        for (const auto& [name, value] : QUrlQuery(url).queryItems(QUrl::FullyDecoded))
            query.insert(name, value);
        return answer(url.path(), query, now);
    };
    QList<SimRoute> routes;
    for (const char* prefix : { "/v2/pws/", "/v3/location/near", "/v1/forecast" })
        routes.append(SimRoute { prefix, answerTarget, {} });
    return routes;
}
