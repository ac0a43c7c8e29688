#include "XmlApiDocuments.h"

#include "ConditionsAnswer.h"
#include "GeolookupAnswer.h"
#include "HourlyAnswer.h"
#include "ServiceTexts.h"

#include <cmath>

using namespace ServiceTexts;
using Scenarios::Behaviour;
using Scenarios::Scenario;
using Scenarios::Variant;

namespace
{

QString padded(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

ConditionsAnswer currentObservation(const Scenario& scenario, const QDateTime& now)
{
    // Observations come in a few minutes behind, on the minute.
    const qint64 observed = (now.toSecsSinceEpoch() - 180) / 60 * 60;
    const QDateTime observedAt = QDateTime::fromSecsSinceEpoch(observed, Qt::UTC);
    const bool live = scenario.variant == Variant::Live;
    const WeatherSample sample
        = live ? WeatherModel::live(observedAt) : Scenarios::fixedObservation(scenario.variant);
    const double dewpoint = live ? WeatherModel::dewpointC(sample.tempC, sample.humidity)
                                 : Scenarios::fixedDewpoint(scenario.variant);
    const bool incomplete = scenario.variant == Variant::Incomplete;
    const QDateTime localObserved = stationTime(observedAt);
    const QString id = QLatin1String(scenario.id);

    ConditionsAnswer answer;
    answer.setGroup("image",
        { { "url", "http://icons.wxug.com/graphics/wu2/logo_130x80.png" },
            { "title", "Weather Underground" }, { "link", "http://www.wunderground.com" } });
    answer.setGroup("display_location",
        { { "full", utf8("Madrid, España") }, { "city", "Madrid" }, { "state", "M" },
            { "state_name", utf8("España") }, { "country", "SP" }, { "country_iso3166", "ES" },
            { "zip", "00000" }, { "magic", "1" }, { "wmo", "08221" },
            { "latitude", fixed(madridLatitude, 8) }, { "longitude", fixed(madridLongitude, 8) },
            { "elevation", "667.00000000" } });
    // The city must stay the second child: it is what the station caption shows.
    answer.setGroup("observation_location",
        { { "full",
              QStringLiteral("%1, %2, Madrid")
                  .arg(utf8(scenario.neighbourhood), utf8(scenario.city)) },
            { "city", utf8(scenario.city) }, { "state", "Madrid" }, { "country", "SP" },
            { "country_iso3166", "ES" }, { "latitude", fixed(scenario.latitude, 6) },
            { "longitude", fixed(scenario.longitude, 6) },
            { "elevation",
                QStringLiteral("%1 ft").arg(std::lround(scenario.elevationM / 0.3048)) } });
    answer.set("station_id", id);
    answer.set("observation_time",
        QStringLiteral("Last Updated on %1 %2, %3 CET")
            .arg(englishMonth(localObserved.date().month()))
            .arg(localObserved.date().day())
            .arg(civilTime(localObserved.time())));
    answer.set("observation_time_rfc822", rfc822(observedAt));
    answer.set("observation_epoch", QString::number(observed));
    answer.set("local_time_rfc822", rfc822(now));
    answer.set("local_epoch", QString::number(now.toSecsSinceEpoch()));
    answer.set("local_tz_short", "CET");
    answer.set("local_tz_long", "Europe/Madrid");
    answer.set("local_tz_offset", offsetText());
    answer.set("weather", conditionsText(sample.sky));
    answer.set("temperature_string", temperatureString(sample.tempC));
    answer.set("temp_f", fixed(fahrenheit(sample.tempC), 1));
    if (!incomplete)
        answer.set("temp_c", fixed(sample.tempC, 1));
    answer.set("relative_humidity", QStringLiteral("%1%").arg(sample.humidity));
    const QString direction = compass(sample.windDegrees);
    QString wind = sample.windKph < 1.0
        ? QStringLiteral("En calma")
        : QStringLiteral("Del %1 a %2 MPH").arg(direction, fixed(mph(sample.windKph), 1));
    if (sample.windKph >= 1.0 && sample.gustKph > sample.windKph)
        wind += QStringLiteral(" con rachas de %1 MPH").arg(fixed(mph(sample.gustKph), 1));
    answer.set("wind_string", wind);
    answer.set("wind_dir", direction);
    answer.set("wind_degrees", QString::number(sample.windDegrees));
    answer.set("wind_mph", fixed(mph(sample.windKph), 1));
    answer.set("wind_gust_mph", fixed(mph(sample.gustKph), 1));
    if (!incomplete) {
        answer.set("wind_kph", fixed(sample.windKph, 1));
        answer.set("wind_gust_kph", fixed(sample.gustKph, 1));
    }
    answer.set("pressure_mb",
        scenario.variant == Variant::EmptyPressure ? QString() : whole(sample.pressureMb));
    answer.set("pressure_in", fixed(inchesOfMercury(sample.pressureMb), 2));
    answer.set("pressure_trend", sample.pressureTrend);
    answer.set("dewpoint_string", temperatureString(dewpoint));
    answer.set("dewpoint_f", fixed(fahrenheit(dewpoint), 1));
    answer.set("dewpoint_c", fixed(dewpoint, 1));

    const auto setDerived = [&](const QString& stem, std::optional<double> celsius) {
        const QString na = QStringLiteral("NA");
        answer.set(stem + QStringLiteral("_string"), celsius ? temperatureString(*celsius) : na);
        answer.set(stem + QStringLiteral("_f"), celsius ? fixed(fahrenheit(*celsius), 1) : na);
        answer.set(stem + QStringLiteral("_c"), celsius ? fixed(*celsius, 1) : na);
    };
    const std::optional<double> heatIndex = WeatherModel::heatIndexC(sample.tempC, sample.humidity);
    const std::optional<double> windchill = WeatherModel::windchillC(sample.tempC, sample.windKph);
    setDerived("heat_index", heatIndex);
    setDerived("windchill", windchill);
    setDerived("feelslike", windchill ? windchill : heatIndex ? heatIndex : sample.tempC);

    answer.set("visibility_mi",
        sample.visibilityKnown ? fixed(sample.visibilityKm / 1.609344, 1) : QStringLiteral("N/A"));
    answer.set("visibility_km",
        sample.visibilityKnown ? fixed(sample.visibilityKm, 1) : QStringLiteral("N/A"));
    // Only the live station has a solar sensor; the others report the service's "no data".
    answer.set("solarradiation", live ? QString::number(sample.solarRadiation) : "--");
    answer.set("UV", live ? QString::number(std::lround(sample.solarRadiation / 90.0)) : "-1");
    answer.set("precip_1hr_string",
        QStringLiteral("%1 in (%2 mm)")
            .arg(fixed(inches(sample.rain1hMm), 2), precipMetric(sample.rain1hMm)));
    answer.set("precip_1hr_in", fixed(inches(sample.rain1hMm), 2));
    answer.set("precip_1hr_metric", precipMetric(sample.rain1hMm));
    answer.set("precip_today_string",
        QStringLiteral("%1 in (%2 mm)")
            .arg(fixed(inches(sample.rainTodayMm), 2), precipMetric(sample.rainTodayMm).trimmed()));
    answer.set("precip_today_in", fixed(inches(sample.rainTodayMm), 2));
    answer.set("precip_today_metric", precipMetric(sample.rainTodayMm));
    answer.set("icon", iconName(sample.sky));
    answer.set("icon_url", iconUrl(sample.sky, isNight(observedAt)));
    answer.set("forecast_url", "http://www.wunderground.com/global/stations/08221.html");
    answer.set("history_url",
        QStringLiteral("http://www.wunderground.com/weatherstation/WXDailyHistory.asp?ID=") + id);
    answer.set("ob_url",
        QStringLiteral("http://www.wunderground.com/cgi-bin/findweather/getForecast?query=%1,%2")
            .arg(fixed(scenario.latitude, 6), fixed(scenario.longitude, 6)));
    return answer;
}

// Past observations appended to make the huge answer: the service's history records.
void writeHistory(AnswerWriter& w, const QDateTime& now)
{
    w.start("history");
    w.start("observations");
    qint64 at = (now.toSecsSinceEpoch() - 180) / 300 * 300;
    while (w.size() < Scenarios::hugeBodyBytes) {
        const QDateTime time = QDateTime::fromSecsSinceEpoch(at, Qt::UTC);
        const QDateTime local = stationTime(time);
        const WeatherSample sample = WeatherModel::live(time);
        w.start("observation");
        w.children("date",
            { { "pretty", rfc822(time) }, { "year", QString::number(local.date().year()) },
                { "mon", padded(local.date().month()) }, { "mday", padded(local.date().day()) },
                { "hour", padded(local.time().hour()) }, { "min", padded(local.time().minute()) },
                { "tzname", "Europe/Madrid" } });
        w.text("tempm", fixed(sample.tempC, 1));
        w.text("tempi", fixed(fahrenheit(sample.tempC), 1));
        w.text("dewptm", fixed(WeatherModel::dewpointC(sample.tempC, sample.humidity), 1));
        w.text("hum", QString::number(sample.humidity));
        w.text("wspdm", fixed(sample.windKph, 1));
        w.text("wgustm", fixed(sample.gustKph, 1));
        w.text("wdire", compass(sample.windDegrees));
        w.text("pressurem", whole(sample.pressureMb));
        w.text("conds", conditionsText(sample.sky));
        w.end();
        at -= 300;
    }
    w.end();
    w.end();
}

HourlyAnswerEntry::Time timeOfForecast(const QDateTime& time)
{
    const QDateTime local = stationTime(time);
    const QDate date = local.date();
    const QTime clock = local.time();
    const QString weekday = spanishWeekday(date.dayOfWeek());
    const QString month = spanishMonth(date.month());
    const QString weekdayUnlang = englishWeekday(date.dayOfWeek());

    HourlyAnswerEntry::Time t;
    t.hour = QString::number(clock.hour());
    t.hourPadded = padded(clock.hour());
    t.min = padded(clock.minute());
    t.minUnpadded = QString::number(clock.minute());
    t.sec = QString::number(clock.second());
    t.year = QString::number(date.year());
    t.mon = QString::number(date.month());
    t.monPadded = padded(date.month());
    t.monAbbrev = spanishMonthAbbrev(date.month());
    t.mday = QString::number(date.day());
    t.mdayPadded = padded(date.day());
    t.yday = QString::number(date.dayOfYear() - 1);
    t.isdst = QStringLiteral("0");
    t.epoch = QString::number(time.toSecsSinceEpoch());
    t.pretty = QStringLiteral("%1 CET on %2 %3, %4")
                   .arg(civilTime(clock), englishMonth(date.month()), padded(date.day()))
                   .arg(date.year());
    t.civil = civilTime(clock);
    t.monthName = month;
    // Child 17, which the forecast's date caption reads as the month: the full name, so the
    // caption reads as a long date.
    t.monthNameAbbrev = month;
    t.weekdayName = weekday;
    t.weekdayNameNight = weekday + QStringLiteral(" por la noche");
    t.weekdayNameAbbrev = spanishWeekdayAbbrev(date.dayOfWeek());
    t.weekdayNameUnlang = weekdayUnlang;
    t.weekdayNameNightUnlang = weekdayUnlang + QStringLiteral(" Night");
    t.ampm = clock.hour() < 12 ? QStringLiteral("AM") : QStringLiteral("PM");
    t.tz = QString();
    t.age = QString();
    t.utcDate = QString();
    return t;
}

HourlyAnswerEntry forecastEntry(
    const WeatherSample& sample, const QDateTime& time, bool emptyHumidity)
{
    const auto bothScales = [](std::optional<double> celsius) {
        if (celsius)
            return HourlyAnswerEntry::Scales { whole(fahrenheit(*celsius)), whole(*celsius) };
        return HourlyAnswerEntry::Scales { QStringLiteral("-9999"), QStringLiteral("-9999") };
    };
    const double windKph = std::round(sample.windKph);
    const std::optional<double> windchill = WeatherModel::windchillC(sample.tempC, windKph);
    const std::optional<double> heatIndex = WeatherModel::heatIndexC(sample.tempC, sample.humidity);
    const bool night = isNight(time);
    const double rainMm = sample.sky == Sky::Rain ? sample.rain1hMm : 0.0;

    HourlyAnswerEntry e;
    e.time = timeOfForecast(time);
    e.temp = bothScales(sample.tempC);
    e.dewpoint = bothScales(WeatherModel::dewpointC(sample.tempC, sample.humidity));
    e.condition = forecastText(sample.sky);
    e.icon = iconName(sample.sky);
    e.iconUrl = iconUrl(sample.sky, night);
    e.fctcode = QString::number(forecastCode(sample.sky));
    e.sky = QString::number(skyCover(sample.sky));
    e.wspd = { whole(mph(windKph)), whole(windKph) };
    e.windDir = compass(sample.windDegrees);
    e.windDegrees = QString::number(sample.windDegrees);
    e.wx = forecastSummary(sample.sky, night);
    e.uvi = QString::number(std::lround(sample.solarRadiation / 90.0));
    e.humidity = emptyHumidity ? QString() : QString::number(sample.humidity);
    e.windchill = bothScales(windchill);
    e.heatindex = bothScales(heatIndex);
    e.feelslike = bothScales(windchill ? windchill : heatIndex ? heatIndex : sample.tempC);
    e.qpf = { rainMm > 0 ? fixed(inches(rainMm), 2) : QStringLiteral("0.0"),
        rainMm > 0 ? fixed(rainMm, 1) : QStringLiteral("0") };
    e.snow = { QStringLiteral("0.0"), QStringLiteral("0") };
    e.pop = QString::number(sample.popPercent);
    e.mslp = { fixed(inchesOfMercury(sample.pressureMb), 2), whole(sample.pressureMb) };
    return e;
}

} // namespace

namespace XmlApiDocuments
{

QByteArray conditions(const Scenario& scenario, const QDateTime& now)
{
    AnswerWriter writer(scenario.indented, QStringLiteral("conditions"));
    currentObservation(scenario, now).write(writer);
    if (scenario.behaviour == Behaviour::Huge)
        writeHistory(writer, now);
    return writer.finish();
}

QByteArray hourly(const Scenario& scenario, const QDateTime& now)
{
    HourlyAnswer answer(scenario.indented);
    // The station's offset is whole hours, so its full hours are the UTC ones.
    const qint64 firstHour = (now.toSecsSinceEpoch() / 3600 + 1) * 3600;
    const WeatherModel::Flavour flavour = Scenarios::flavourOf(scenario.variant);
    const bool huge = scenario.behaviour == Behaviour::Huge;
    const int entries = scenario.variant == Variant::Incomplete ? Scenarios::incompleteHourlyEntries
                                                                : Scenarios::hourlyEntries;
    for (int i = 0; huge ? answer.size() < Scenarios::hugeBodyBytes : i < entries; ++i) {
        const QDateTime time = QDateTime::fromSecsSinceEpoch(firstHour + qint64(i) * 3600, Qt::UTC);
        answer.add(forecastEntry(WeatherModel::forecastHour(flavour, i, time), time,
            scenario.variant == Variant::EmptyPressure && i == 4));
    }
    return answer.finish();
}

QByteArray geolookup()
{
    GeolookupAnswer answer;
    answer.location = { { "type", "INTLCITY" }, { "country", "SP" }, { "country_iso3166", "ES" },
        { "country_name", "Spain" }, { "state", "M" }, { "city", "Madrid" }, { "tz_short", "CET" },
        { "tz_long", "Europe/Madrid" }, { "lat", fixed(madridLatitude, 8) },
        { "lon", fixed(madridLongitude, 8) }, { "zip", "00000" }, { "magic", "1" },
        { "wmo", "08221" }, { "l", "/q/zmw:00000.1.08221" },
        { "requesturl", "global/stations/08221.html" },
        { "wuiurl", "https://www.wunderground.com/global/stations/08221.html" } };
    const auto airport = [](const char* city, const char* icao, double lat, double lon) {
        return GeolookupAnswer::Airport { QLatin1String(city), "M", "SP", QLatin1String(icao),
            fixed(lat, 8), fixed(lon, 8) };
    };
    answer.airports = { airport("Madrid / Barajas", "LEMD", 40.47000122, -3.55999994),
        airport("Madrid / Cuatro Vientos", "LEVS", 40.36999893, -3.77999997),
        airport("Madrid / Getafe", "LEGT", 40.29999924, -3.72000003),
        airport("Madrid / Torrejon", "LETO", 40.50000000, -3.45000005) };
    for (const QString& id : Scenarios::nearbyStationIds()) {
        const Scenario& scenario = *Scenarios::find(id);
        const double km = distanceKm(scenario.latitude, scenario.longitude);
        answer.stations.append({ utf8(scenario.neighbourhood), utf8(scenario.city), "Madrid", "SP",
            QLatin1String(scenario.id), whole(km), whole(km / 1.609344) });
    }
    return answer.toXml(true);
}

} // namespace XmlApiDocuments
