#include "StationSimulator.h"

#include "StopAwareTaskQueue.h"
#include "WeatherModel.h"

#include <QUrl>
#include <QXmlStreamWriter>
#include <QtMath>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <httplib.h>
#include <optional>
#include <thread>

namespace
{

enum class Behaviour { Weather, ErrorAnswer, NotXml, ServerError, Slow, Huge };
enum class Variant {
    Live,
    Clear,
    PartlyCloudy,
    Scattered,
    Humid,
    Rain,
    Windy,
    Gusty,
    Incomplete,
    EmptyPressure
};

struct Scenario {
    const char* id;
    Behaviour behaviour;
    Variant variant;
    bool indented;
    const char* city; // UTF-8
    const char* neighbourhood; // UTF-8
    double latitude;
    double longitude;
    int elevationM;
};

// The live station first; the geolookup lists it and three others as nearby.
const Scenario scenarios[] = {
    { "ISIMVIVO", Behaviour::Weather, Variant::Live, true, "Navacerrada", "Puerto de Navacerrada",
        40.7833, -4.0111, 1860 },
    { "ISIMDESPEJADO", Behaviour::Weather, Variant::Clear, true, "Colmenar Viejo", "El Vivero",
        40.6590, -3.7676, 883 },
    { "ISIMPARCIAL", Behaviour::Weather, Variant::PartlyCloudy, false, "Tres Cantos",
        "Sector Embarcaciones", 40.6007, -3.7081, 722 },
    { "ISIMDISPERSAS", Behaviour::Weather, Variant::Scattered, true, "Alcalá de Henares",
        "Casco Histórico", 40.4818, -3.3643, 588 },
    { "ISIMHUMEDO", Behaviour::Weather, Variant::Humid, false, "Aranjuez", "Jardín del Príncipe",
        40.0311, -3.6025, 495 },
    { "ISIMLLUVIA", Behaviour::Weather, Variant::Rain, true, "Rascafría", "El Paular", 40.9034,
        -3.8801, 1163 },
    { "ISIMVIENTO", Behaviour::Weather, Variant::Windy, false, "Somosierra", "Puerto de Somosierra",
        41.1330, -3.5817, 1444 },
    { "ISIMRACHAS", Behaviour::Weather, Variant::Gusty, true, "San Lorenzo de El Escorial",
        "Abantos", 40.5914, -4.1474, 1028 },
    { "ISIMINCOMPLETO", Behaviour::Weather, Variant::Incomplete, false, "Getafe", "Perales del Río",
        40.3057, -3.7329, 623 },
    { "ISIMVACIO", Behaviour::Weather, Variant::EmptyPressure, true, "Leganés", "Zarzaquemada",
        40.3272, -3.7635, 665 },
    { "ISIMERROR", Behaviour::ErrorAnswer, Variant::Clear, true, "Móstoles", "El Soto", 40.3223,
        -3.8650, 661 },
    { "ISIMNOXML", Behaviour::NotXml, Variant::Clear, true, "Pozuelo de Alarcón", "Somosaguas",
        40.4350, -3.8139, 690 },
    { "ISIMHTTP500", Behaviour::ServerError, Variant::Clear, true, "Boadilla del Monte",
        "Las Lomas", 40.4050, -3.8783, 689 },
    { "ISIMLENTO", Behaviour::Slow, Variant::Clear, true, "Majadahonda", "El Plantío", 40.4735,
        -3.8718, 743 },
    { "ISIMENORME", Behaviour::Huge, Variant::Clear, false, "Alcobendas", "La Moraleja", 40.5475,
        -3.6420, 670 },
};

const char* const nearbyIds[] = { "ISIMVIVO", "ISIMDESPEJADO", "ISIMPARCIAL", "ISIMVIENTO" };

constexpr double madridLatitude = 40.41999817;
constexpr double madridLongitude = -3.70000005;
constexpr int hourlyEntries = 36;
constexpr int incompleteHourlyEntries = 6;
constexpr qsizetype hugeBodyBytes = 2 * 1024 * 1024 + 256 * 1024;

const QString termsOfService
    = QStringLiteral("http://www.wunderground.com/weather/api/d/terms.html");
const QByteArray xmlContentType = QByteArrayLiteral("text/xml; charset=UTF-8");

const char* const spanishMonths[] = { "enero", "febrero", "marzo", "abril", "mayo", "junio",
    "julio", "agosto", "septiembre", "octubre", "noviembre", "diciembre" };
const char* const spanishMonthAbbrevs[]
    = { "ene", "feb", "mar", "abr", "may", "jun", "jul", "ago", "sep", "oct", "nov", "dic" };
const char* const spanishWeekdays[]
    = { "lunes", "martes", "miércoles", "jueves", "viernes", "sábado", "domingo" };
const char* const spanishWeekdayAbbrevs[] = { "lun", "mar", "mié", "jue", "vie", "sáb", "dom" };
const char* const englishMonths[] = { "January", "February", "March", "April", "May", "June",
    "July", "August", "September", "October", "November", "December" };
const char* const englishWeekdays[]
    = { "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday" };
const char* const spanishCompass[] = { "Norte", "NNE", "NE", "ENE", "Este", "ESE", "SE", "SSE",
    "Sur", "SSO", "SO", "OSO", "Oeste", "ONO", "NO", "NNO" };

QString utf8(const char* text)
{
    return QString::fromUtf8(text);
}

// Rounded to the decimals, never "-0.0".
QString fixed(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    double rounded = std::round(value * scale) / scale;
    if (rounded == 0)
        rounded = 0;
    return QString::number(rounded, 'f', decimals);
}

QString whole(double value)
{
    return QString::number(std::lround(value));
}

double fahrenheit(double celsius)
{
    return celsius * 9.0 / 5.0 + 32.0;
}

double mph(double kph)
{
    return kph / 1.609344;
}

double inches(double mm)
{
    return mm / 25.4;
}

double inchesOfMercury(double mb)
{
    return mb * 0.0295300;
}

QString compass(int degrees)
{
    const int sector = int(std::lround(((degrees % 360) + 360) % 360 / 22.5)) % 16;
    return utf8(spanishCompass[sector]);
}

QString conditionsText(Sky sky)
{
    switch (sky) {
    case Sky::Clear:
        return QStringLiteral("Despejado");
    case Sky::PartlyCloudy:
        return QStringLiteral("Parcialmente nublado");
    case Sky::Scattered:
        return QStringLiteral("Nubes dispersas");
    case Sky::MostlyCloudy:
        return QStringLiteral("Mayormente nublado");
    case Sky::Overcast:
        return QStringLiteral("Nublado");
    case Sky::Rain:
        return QStringLiteral("Lluvia ligera");
    }
    return {};
}

// The hourly forecast says "Lluvia" where an observation says "Lluvia ligera".
QString forecastText(Sky sky)
{
    return sky == Sky::Rain ? QStringLiteral("Lluvia") : conditionsText(sky);
}

QString forecastSummary(Sky sky, bool night)
{
    switch (sky) {
    case Sky::Clear:
        return night ? QStringLiteral("Despejado") : QStringLiteral("Soleado");
    case Sky::PartlyCloudy:
        return night ? QStringLiteral("Parcialmente nublado")
                     : QStringLiteral("Parcialmente soleado");
    case Sky::Scattered:
        return QStringLiteral("Nubes dispersas");
    case Sky::MostlyCloudy:
        return QStringLiteral("Mayormente nublado");
    case Sky::Overcast:
        return QStringLiteral("Nublado");
    case Sky::Rain:
        return QStringLiteral("Lluvia");
    }
    return {};
}

QString iconName(Sky sky)
{
    switch (sky) {
    case Sky::Clear:
        return QStringLiteral("clear");
    case Sky::PartlyCloudy:
    case Sky::Scattered:
        return QStringLiteral("partlycloudy");
    case Sky::MostlyCloudy:
        return QStringLiteral("mostlycloudy");
    case Sky::Overcast:
        return QStringLiteral("cloudy");
    case Sky::Rain:
        return QStringLiteral("rain");
    }
    return {};
}

int forecastCode(Sky sky)
{
    switch (sky) {
    case Sky::Clear:
        return 1;
    case Sky::PartlyCloudy:
    case Sky::Scattered:
        return 2;
    case Sky::MostlyCloudy:
        return 3;
    case Sky::Overcast:
        return 4;
    case Sky::Rain:
        return 13;
    }
    return 1;
}

int skyCover(Sky sky)
{
    switch (sky) {
    case Sky::Clear:
        return 5;
    case Sky::PartlyCloudy:
        return 35;
    case Sky::Scattered:
        return 45;
    case Sky::MostlyCloudy:
        return 70;
    case Sky::Overcast:
        return 95;
    case Sky::Rain:
        return 100;
    }
    return 0;
}

bool isNight(const QDateTime& time)
{
    const double hour = WeatherModel::localHour(time);
    return hour < 8.0 || hour >= 18.0;
}

QString iconUrl(Sky sky, bool night)
{
    return QStringLiteral("http://icons.wxug.com/i/c/k/%1%2.gif")
        .arg(night ? QStringLiteral("nt_") : QString(), iconName(sky));
}

QDateTime stationTime(const QDateTime& time)
{
    return time.toOffsetFromUtc(WeatherModel::utcOffsetSeconds);
}

QString offsetText()
{
    const int minutes = WeatherModel::utcOffsetSeconds / 60;
    return QStringLiteral("%1%2%3")
        .arg(minutes < 0 ? QLatin1Char('-') : QLatin1Char('+'))
        .arg(std::abs(minutes) / 60, 2, 10, QLatin1Char('0'))
        .arg(std::abs(minutes) % 60, 2, 10, QLatin1Char('0'));
}

// "Mon, 07 Dec 2026 19:24:00 +0100", whatever the process locale.
QString rfc822(const QDateTime& time)
{
    static const char* const days[] = { "Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun" };
    const QDateTime local = stationTime(time);
    const QDate date = local.date();
    return QStringLiteral("%1, %2 %3 %4 %5 %6")
        .arg(QLatin1String(days[date.dayOfWeek() - 1]))
        .arg(date.day(), 2, 10, QLatin1Char('0'))
        .arg(QLatin1String(englishMonths[date.month() - 1]).left(3))
        .arg(date.year())
        .arg(local.time().toString(QStringLiteral("HH:mm:ss")), offsetText());
}

// "7:24 PM"
QString civilTime(const QTime& time)
{
    const int hour12 = time.hour() % 12 == 0 ? 12 : time.hour() % 12;
    return QStringLiteral("%1:%2 %3")
        .arg(hour12)
        .arg(time.minute(), 2, 10, QLatin1Char('0'))
        .arg(time.hour() < 12 ? QStringLiteral("AM") : QStringLiteral("PM"));
}

double distanceKm(double latitude, double longitude)
{
    const double p1 = qDegreesToRadians(latitude);
    const double p2 = qDegreesToRadians(madridLatitude);
    const double dp = p2 - p1;
    const double dl = qDegreesToRadians(madridLongitude - longitude);
    const double a = std::sin(dp / 2) * std::sin(dp / 2)
        + std::cos(p1) * std::cos(p2) * std::sin(dl / 2) * std::sin(dl / 2);
    return 6371.0 * 2.0 * std::atan2(std::sqrt(a), std::sqrt(1.0 - a));
}

const Scenario* findScenario(const QString& station)
{
    const QString wanted = station.toUpper();
    for (const Scenario& scenario : scenarios) {
        if (wanted == QLatin1String(scenario.id))
            return &scenario;
    }
    return nullptr;
}

WeatherModel::Flavour flavourOf(Variant variant)
{
    switch (variant) {
    case Variant::Live:
        return WeatherModel::Live;
    case Variant::PartlyCloudy:
        return WeatherModel::PartlyCloudy;
    case Variant::Scattered:
        return WeatherModel::Scattered;
    case Variant::Humid:
        return WeatherModel::Humid;
    case Variant::Rain:
        return WeatherModel::Rain;
    case Variant::Windy:
        return WeatherModel::Windy;
    case Variant::Gusty:
        return WeatherModel::Gusty;
    case Variant::Clear:
    case Variant::Incomplete:
    case Variant::EmptyPressure:
        return WeatherModel::Clear;
    }
    return WeatherModel::Clear;
}

// The fixed observations: a clear, calm winter evening near Madrid and its variations.
WeatherSample fixedObservation(Variant variant)
{
    WeatherSample sample;
    sample.tempC = 12.3;
    sample.windKph = 5.2;
    sample.gustKph = 8.0;
    sample.windDegrees = 4;
    sample.humidity = 65;
    sample.pressureMb = 1016;
    sample.pressureTrend = QStringLiteral("0");
    sample.visibilityKm = 10.0;
    sample.sky = Sky::Clear;
    switch (variant) {
    case Variant::PartlyCloudy:
        sample.sky = Sky::PartlyCloudy;
        break;
    case Variant::Scattered:
        sample.sky = Sky::Scattered;
        break;
    case Variant::Humid:
        sample.humidity = 91;
        break;
    case Variant::Rain:
        sample.humidity = 70;
        sample.rain1hMm = 0.3;
        sample.rainTodayMm = 2.1;
        sample.sky = Sky::Rain;
        sample.pressureMb = 1009;
        sample.pressureTrend = QStringLiteral("-");
        sample.visibilityKm = 8.0;
        break;
    case Variant::Windy:
        sample.windKph = 22.5;
        sample.gustKph = 30.1;
        break;
    case Variant::Gusty:
        sample.windKph = 10.0;
        sample.gustKph = 18.0;
        break;
    case Variant::Live:
    case Variant::Clear:
    case Variant::Incomplete:
    case Variant::EmptyPressure:
        break;
    }
    return sample;
}

// Dew points of the fixed observations, as the service reports them.
double fixedDewpoint(Variant variant)
{
    switch (variant) {
    case Variant::Humid:
        return 10.9;
    case Variant::Rain:
        return 7.0;
    default:
        return 5.9;
    }
}

QString decoded(std::string_view raw)
{
    return QUrl::fromPercentEncoding(QByteArray(raw.data(), qsizetype(raw.size())));
}

struct ParsedTarget {
    enum Kind { Unknown, Conditions, Hourly, Geolookup } kind = Unknown;
    QString key;
    QString station;
};

// "/api/<key>/conditions/lang:SP/q/pws:<station>.xml" and its kin, from the raw target so
// that an encoded "/" stays inside the key or station.
ParsedTarget parseTarget(std::string_view target)
{
    ParsedTarget parsed;
    const std::string_view path = target.substr(0, target.find('?'));
    constexpr std::string_view api = "/api/";
    if (path.substr(0, api.size()) != api)
        return parsed;
    const std::string_view rest = path.substr(api.size());
    const size_t slash = rest.find('/');
    if (slash == std::string_view::npos)
        return parsed;
    const std::string_view tail = rest.substr(slash + 1);
    constexpr std::string_view suffix = ".xml";
    const auto stationRequest = [&](std::string_view prefix, ParsedTarget::Kind kind) {
        if (tail.size() < prefix.size() + suffix.size() || tail.substr(0, prefix.size()) != prefix
            || tail.substr(tail.size() - suffix.size()) != suffix)
            return false;
        parsed.kind = kind;
        parsed.station
            = decoded(tail.substr(prefix.size(), tail.size() - prefix.size() - suffix.size()));
        return true;
    };
    if (tail == "geolookup/q/autoip.xml")
        parsed.kind = ParsedTarget::Geolookup;
    else if (!stationRequest("conditions/lang:SP/q/pws:", ParsedTarget::Conditions)
        && !stationRequest("hourly/lang:SP/q/pws:", ParsedTarget::Hourly))
        return parsed;
    parsed.key = decoded(rest.substr(0, slash));
    return parsed;
}

// Opens the document: `response` with the version, terms and features.
void startResponse(QXmlStreamWriter& xml, bool indented, const QString& feature)
{
    xml.setAutoFormatting(indented);
    xml.setAutoFormattingIndent(2);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("response"));
    xml.writeTextElement(QStringLiteral("version"), QStringLiteral("0.1"));
    xml.writeTextElement(QStringLiteral("termsofService"), termsOfService);
    xml.writeStartElement(QStringLiteral("features"));
    if (!feature.isEmpty())
        xml.writeTextElement(QStringLiteral("feature"), feature);
    xml.writeEndElement();
}

void finishResponse(QXmlStreamWriter& xml)
{
    xml.writeEndElement(); // response
    xml.writeEndDocument();
}

StationSimulator::Reply xmlReply(QByteArray body)
{
    return { 200, xmlContentType, std::move(body) };
}

StationSimulator::Reply errorReply(const QString& type, const QString& description)
{
    QByteArray body;
    QXmlStreamWriter xml(&body);
    // The service lists no feature in an error answer.
    startResponse(xml, true, QString());
    xml.writeStartElement(QStringLiteral("error"));
    xml.writeTextElement(QStringLiteral("type"), type);
    xml.writeTextElement(QStringLiteral("description"), description);
    xml.writeEndElement();
    finishResponse(xml);
    return xmlReply(body);
}

void writeElement(QXmlStreamWriter& xml, const char* name, const QString& value)
{
    xml.writeTextElement(QLatin1String(name), value);
}

void writeEnglishMetric(
    QXmlStreamWriter& xml, const char* name, const QString& english, const QString& metric)
{
    xml.writeStartElement(QLatin1String(name));
    writeElement(xml, "english", english);
    writeElement(xml, "metric", metric);
    xml.writeEndElement();
}

void writeDisplayLocation(QXmlStreamWriter& xml)
{
    xml.writeStartElement(QStringLiteral("display_location"));
    writeElement(xml, "full", utf8("Madrid, España"));
    writeElement(xml, "city", QStringLiteral("Madrid"));
    writeElement(xml, "state", QStringLiteral("M"));
    writeElement(xml, "state_name", utf8("España"));
    writeElement(xml, "country", QStringLiteral("SP"));
    writeElement(xml, "country_iso3166", QStringLiteral("ES"));
    writeElement(xml, "zip", QStringLiteral("00000"));
    writeElement(xml, "magic", QStringLiteral("1"));
    writeElement(xml, "wmo", QStringLiteral("08221"));
    writeElement(xml, "latitude", fixed(madridLatitude, 8));
    writeElement(xml, "longitude", fixed(madridLongitude, 8));
    writeElement(xml, "elevation", QStringLiteral("667.00000000"));
    xml.writeEndElement();
}

// The city must stay the second child: it is what the station caption shows.
void writeObservationLocation(QXmlStreamWriter& xml, const Scenario& scenario)
{
    xml.writeStartElement(QStringLiteral("observation_location"));
    writeElement(xml, "full",
        QStringLiteral("%1, %2, Madrid").arg(utf8(scenario.neighbourhood), utf8(scenario.city)));
    writeElement(xml, "city", utf8(scenario.city));
    writeElement(xml, "state", QStringLiteral("Madrid"));
    writeElement(xml, "country", QStringLiteral("SP"));
    writeElement(xml, "country_iso3166", QStringLiteral("ES"));
    writeElement(xml, "latitude", fixed(scenario.latitude, 6));
    writeElement(xml, "longitude", fixed(scenario.longitude, 6));
    writeElement(
        xml, "elevation", QStringLiteral("%1 ft").arg(std::lround(scenario.elevationM / 0.3048)));
    xml.writeEndElement();
}

QString temperatureString(double celsius)
{
    return QStringLiteral("%1 F (%2 C)").arg(fixed(fahrenheit(celsius), 1), fixed(celsius, 1));
}

QString precipMetric(double mm)
{
    // The service pads these with a blank.
    return QLatin1Char(' ') + (mm < 0.05 ? QStringLiteral("0") : fixed(mm, 1));
}

void writeCurrentObservation(QXmlStreamWriter& xml, const Scenario& scenario, const QDateTime& now)
{
    // Observations come in a few minutes behind, on the minute.
    const qint64 observed = (now.toSecsSinceEpoch() - 180) / 60 * 60;
    const QDateTime observedAt = QDateTime::fromSecsSinceEpoch(observed, Qt::UTC);
    const bool live = scenario.variant == Variant::Live;
    const WeatherSample sample
        = live ? WeatherModel::live(observedAt) : fixedObservation(scenario.variant);
    const double dewpoint = live ? WeatherModel::dewpointC(sample.tempC, sample.humidity)
                                 : fixedDewpoint(scenario.variant);
    const bool incomplete = scenario.variant == Variant::Incomplete;
    const QDateTime localObserved = stationTime(observedAt);
    const bool night = isNight(observedAt);
    const QString id = QLatin1String(scenario.id);

    xml.writeStartElement(QStringLiteral("current_observation"));
    xml.writeStartElement(QStringLiteral("image"));
    writeElement(xml, "url", QStringLiteral("http://icons.wxug.com/graphics/wu2/logo_130x80.png"));
    writeElement(xml, "title", QStringLiteral("Weather Underground"));
    writeElement(xml, "link", QStringLiteral("http://www.wunderground.com"));
    xml.writeEndElement();
    writeDisplayLocation(xml);
    writeObservationLocation(xml, scenario);
    writeElement(xml, "station_id", id);
    writeElement(xml, "observation_time",
        QStringLiteral("Last Updated on %1 %2, %3 CET")
            .arg(QLatin1String(englishMonths[localObserved.date().month() - 1]))
            .arg(localObserved.date().day())
            .arg(civilTime(localObserved.time())));
    writeElement(xml, "observation_time_rfc822", rfc822(observedAt));
    writeElement(xml, "observation_epoch", QString::number(observed));
    writeElement(xml, "local_time_rfc822", rfc822(now));
    writeElement(xml, "local_epoch", QString::number(now.toSecsSinceEpoch()));
    writeElement(xml, "local_tz_short", QStringLiteral("CET"));
    writeElement(xml, "local_tz_long", QStringLiteral("Europe/Madrid"));
    writeElement(xml, "local_tz_offset", offsetText());
    writeElement(xml, "weather", conditionsText(sample.sky));
    writeElement(xml, "temperature_string", temperatureString(sample.tempC));
    writeElement(xml, "temp_f", fixed(fahrenheit(sample.tempC), 1));
    if (!incomplete)
        writeElement(xml, "temp_c", fixed(sample.tempC, 1));
    writeElement(xml, "relative_humidity", QStringLiteral("%1%").arg(sample.humidity));
    const QString direction = compass(sample.windDegrees);
    QString wind = sample.windKph < 1.0
        ? QStringLiteral("En calma")
        : QStringLiteral("Del %1 a %2 MPH").arg(direction, fixed(mph(sample.windKph), 1));
    if (sample.windKph >= 1.0 && sample.gustKph > sample.windKph)
        wind += QStringLiteral(" con rachas de %1 MPH").arg(fixed(mph(sample.gustKph), 1));
    writeElement(xml, "wind_string", wind);
    writeElement(xml, "wind_dir", direction);
    writeElement(xml, "wind_degrees", QString::number(sample.windDegrees));
    writeElement(xml, "wind_mph", fixed(mph(sample.windKph), 1));
    writeElement(xml, "wind_gust_mph", fixed(mph(sample.gustKph), 1));
    if (!incomplete) {
        writeElement(xml, "wind_kph", fixed(sample.windKph, 1));
        writeElement(xml, "wind_gust_kph", fixed(sample.gustKph, 1));
    }
    writeElement(xml, "pressure_mb",
        scenario.variant == Variant::EmptyPressure ? QString() : whole(sample.pressureMb));
    writeElement(xml, "pressure_in", fixed(inchesOfMercury(sample.pressureMb), 2));
    writeElement(xml, "pressure_trend", sample.pressureTrend);
    writeElement(xml, "dewpoint_string", temperatureString(dewpoint));
    writeElement(xml, "dewpoint_f", fixed(fahrenheit(dewpoint), 1));
    writeElement(xml, "dewpoint_c", fixed(dewpoint, 1));

    const auto writeDerived = [&](const char* stem, std::optional<double> celsius) {
        const QString name = QLatin1String(stem);
        xml.writeTextElement(name + QStringLiteral("_string"),
            celsius ? temperatureString(*celsius) : QStringLiteral("NA"));
        xml.writeTextElement(name + QStringLiteral("_f"),
            celsius ? fixed(fahrenheit(*celsius), 1) : QStringLiteral("NA"));
        xml.writeTextElement(
            name + QStringLiteral("_c"), celsius ? fixed(*celsius, 1) : QStringLiteral("NA"));
    };
    const std::optional<double> heatIndex = WeatherModel::heatIndexC(sample.tempC, sample.humidity);
    const std::optional<double> windchill = WeatherModel::windchillC(sample.tempC, sample.windKph);
    writeDerived("heat_index", heatIndex);
    writeDerived("windchill", windchill);
    writeDerived("feelslike", windchill ? windchill : heatIndex ? heatIndex : sample.tempC);

    writeElement(xml, "visibility_mi",
        sample.visibilityKnown ? fixed(sample.visibilityKm / 1.609344, 1) : QStringLiteral("N/A"));
    writeElement(xml, "visibility_km",
        sample.visibilityKnown ? fixed(sample.visibilityKm, 1) : QStringLiteral("N/A"));
    // Only the live station has a solar sensor; the others report the service's "no data".
    writeElement(xml, "solarradiation",
        live ? QString::number(sample.solarRadiation) : QStringLiteral("--"));
    writeElement(xml, "UV",
        live ? QString::number(std::lround(sample.solarRadiation / 90.0)) : QStringLiteral("-1"));
    writeElement(xml, "precip_1hr_string",
        QStringLiteral("%1 in (%2 mm)")
            .arg(fixed(inches(sample.rain1hMm), 2), precipMetric(sample.rain1hMm)));
    writeElement(xml, "precip_1hr_in", fixed(inches(sample.rain1hMm), 2));
    writeElement(xml, "precip_1hr_metric", precipMetric(sample.rain1hMm));
    writeElement(xml, "precip_today_string",
        QStringLiteral("%1 in (%2 mm)")
            .arg(fixed(inches(sample.rainTodayMm), 2), precipMetric(sample.rainTodayMm).trimmed()));
    writeElement(xml, "precip_today_in", fixed(inches(sample.rainTodayMm), 2));
    writeElement(xml, "precip_today_metric", precipMetric(sample.rainTodayMm));
    writeElement(xml, "icon", iconName(sample.sky));
    writeElement(xml, "icon_url", iconUrl(sample.sky, night));
    writeElement(xml, "forecast_url",
        QStringLiteral("http://www.wunderground.com/global/stations/08221.html"));
    writeElement(xml, "history_url",
        QStringLiteral("http://www.wunderground.com/weatherstation/WXDailyHistory.asp?ID=") + id);
    writeElement(xml, "ob_url",
        QStringLiteral("http://www.wunderground.com/cgi-bin/findweather/getForecast?query=%1,%2")
            .arg(fixed(scenario.latitude, 6), fixed(scenario.longitude, 6)));
    xml.writeEndElement(); // current_observation
}

// Past observations appended to make the huge answer: the service's history records.
void writeHistory(QXmlStreamWriter& xml, const QByteArray& body, const QDateTime& now)
{
    xml.writeStartElement(QStringLiteral("history"));
    xml.writeStartElement(QStringLiteral("observations"));
    qint64 at = (now.toSecsSinceEpoch() - 180) / 300 * 300;
    while (body.size() < hugeBodyBytes) {
        const QDateTime time = QDateTime::fromSecsSinceEpoch(at, Qt::UTC);
        const QDateTime local = stationTime(time);
        const WeatherSample sample = WeatherModel::live(time);
        xml.writeStartElement(QStringLiteral("observation"));
        xml.writeStartElement(QStringLiteral("date"));
        writeElement(xml, "pretty", rfc822(time));
        writeElement(xml, "year", QString::number(local.date().year()));
        writeElement(
            xml, "mon", QStringLiteral("%1").arg(local.date().month(), 2, 10, QLatin1Char('0')));
        writeElement(
            xml, "mday", QStringLiteral("%1").arg(local.date().day(), 2, 10, QLatin1Char('0')));
        writeElement(
            xml, "hour", QStringLiteral("%1").arg(local.time().hour(), 2, 10, QLatin1Char('0')));
        writeElement(
            xml, "min", QStringLiteral("%1").arg(local.time().minute(), 2, 10, QLatin1Char('0')));
        writeElement(xml, "tzname", QStringLiteral("Europe/Madrid"));
        xml.writeEndElement();
        writeElement(xml, "tempm", fixed(sample.tempC, 1));
        writeElement(xml, "tempi", fixed(fahrenheit(sample.tempC), 1));
        writeElement(
            xml, "dewptm", fixed(WeatherModel::dewpointC(sample.tempC, sample.humidity), 1));
        writeElement(xml, "hum", QString::number(sample.humidity));
        writeElement(xml, "wspdm", fixed(sample.windKph, 1));
        writeElement(xml, "wgustm", fixed(sample.gustKph, 1));
        writeElement(xml, "wdire", compass(sample.windDegrees));
        writeElement(xml, "pressurem", whole(sample.pressureMb));
        writeElement(xml, "conds", conditionsText(sample.sky));
        xml.writeEndElement();
        at -= 300;
    }
    xml.writeEndElement();
    xml.writeEndElement();
}

// The huge answer goes out uncompressed with its full length declared, as a careless server
// would send it; brotli at httplib's quality would also take seconds over it.
StationSimulator::Reply hugeOrPlain(const Scenario& scenario, QByteArray body)
{
    StationSimulator::Reply reply = xmlReply(std::move(body));
    reply.compressible = scenario.behaviour != Behaviour::Huge;
    return reply;
}

StationSimulator::Reply conditionsReply(const Scenario& scenario, const QDateTime& now)
{
    QByteArray body;
    QXmlStreamWriter xml(&body);
    startResponse(xml, scenario.indented, QStringLiteral("conditions"));
    writeCurrentObservation(xml, scenario, now);
    if (scenario.behaviour == Behaviour::Huge)
        writeHistory(xml, body, now);
    finishResponse(xml);
    return hugeOrPlain(scenario, body);
}

void writeTimeOfForecast(QXmlStreamWriter& xml, const QDateTime& time)
{
    const QDateTime local = stationTime(time);
    const QDate date = local.date();
    const QTime clock = local.time();
    const auto padded
        = [](int value) { return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0')); };
    const QString weekday = utf8(spanishWeekdays[date.dayOfWeek() - 1]);
    const QString month = utf8(spanishMonths[date.month() - 1]);
    const QString englishWeekday = QLatin1String(englishWeekdays[date.dayOfWeek() - 1]);

    xml.writeStartElement(QStringLiteral("FCTTIME"));
    writeElement(xml, "hour", QString::number(clock.hour()));
    writeElement(xml, "hour_padded", padded(clock.hour()));
    writeElement(xml, "min", padded(clock.minute()));
    writeElement(xml, "min_unpadded", QString::number(clock.minute()));
    writeElement(xml, "sec", QString::number(clock.second()));
    writeElement(xml, "year", QString::number(date.year()));
    writeElement(xml, "mon", QString::number(date.month()));
    writeElement(xml, "mon_padded", padded(date.month()));
    writeElement(xml, "mon_abbrev", utf8(spanishMonthAbbrevs[date.month() - 1]));
    writeElement(xml, "mday", QString::number(date.day()));
    writeElement(xml, "mday_padded", padded(date.day()));
    writeElement(xml, "yday", QString::number(date.dayOfYear() - 1));
    writeElement(xml, "isdst", QStringLiteral("0"));
    writeElement(xml, "epoch", QString::number(time.toSecsSinceEpoch()));
    writeElement(xml, "pretty",
        QStringLiteral("%1 CET on %2 %3, %4")
            .arg(civilTime(clock), QLatin1String(englishMonths[date.month() - 1]),
                padded(date.day()))
            .arg(date.year()));
    writeElement(xml, "civil", civilTime(clock));
    writeElement(xml, "month_name", month);
    // Child 17, which the forecast's date caption reads as the month: the full name, so the
    // caption reads as a long date.
    writeElement(xml, "month_name_abbrev", month);
    writeElement(xml, "weekday_name", weekday);
    writeElement(xml, "weekday_name_night", weekday + QStringLiteral(" por la noche"));
    writeElement(xml, "weekday_name_abbrev", utf8(spanishWeekdayAbbrevs[date.dayOfWeek() - 1]));
    writeElement(xml, "weekday_name_unlang", englishWeekday);
    writeElement(xml, "weekday_name_night_unlang", englishWeekday + QStringLiteral(" Night"));
    writeElement(xml, "ampm", clock.hour() < 12 ? QStringLiteral("AM") : QStringLiteral("PM"));
    writeElement(xml, "tz", QString());
    writeElement(xml, "age", QString());
    writeElement(xml, "UTCDATE", QString());
    xml.writeEndElement();
}

void writeForecastEntry(
    QXmlStreamWriter& xml, const WeatherSample& sample, const QDateTime& time, bool emptyHumidity)
{
    const auto bothScales = [&](const char* name, std::optional<double> celsius) {
        if (celsius)
            writeEnglishMetric(xml, name, whole(fahrenheit(*celsius)), whole(*celsius));
        else
            writeEnglishMetric(xml, name, QStringLiteral("-9999"), QStringLiteral("-9999"));
    };
    const double windKph = std::round(sample.windKph);
    const std::optional<double> windchill = WeatherModel::windchillC(sample.tempC, windKph);
    const std::optional<double> heatIndex = WeatherModel::heatIndexC(sample.tempC, sample.humidity);
    const bool night = isNight(time);

    xml.writeStartElement(QStringLiteral("forecast"));
    writeTimeOfForecast(xml, time);
    bothScales("temp", sample.tempC);
    bothScales("dewpoint", WeatherModel::dewpointC(sample.tempC, sample.humidity));
    writeElement(xml, "condition", forecastText(sample.sky));
    writeElement(xml, "icon", iconName(sample.sky));
    writeElement(xml, "icon_url", iconUrl(sample.sky, night));
    writeElement(xml, "fctcode", QString::number(forecastCode(sample.sky)));
    writeElement(xml, "sky", QString::number(skyCover(sample.sky)));
    writeEnglishMetric(xml, "wspd", whole(mph(windKph)), whole(windKph));
    xml.writeStartElement(QStringLiteral("wdir"));
    writeElement(xml, "dir", compass(sample.windDegrees));
    writeElement(xml, "degrees", QString::number(sample.windDegrees));
    xml.writeEndElement();
    writeElement(xml, "wx", forecastSummary(sample.sky, night));
    writeElement(xml, "uvi", QString::number(std::lround(sample.solarRadiation / 90.0)));
    writeElement(xml, "humidity", emptyHumidity ? QString() : QString::number(sample.humidity));
    bothScales("windchill", windchill);
    bothScales("heatindex", heatIndex);
    bothScales("feelslike", windchill ? windchill : heatIndex ? heatIndex : sample.tempC);
    const double rainMm = sample.sky == Sky::Rain ? sample.rain1hMm : 0.0;
    writeEnglishMetric(xml, "qpf", rainMm > 0 ? fixed(inches(rainMm), 2) : QStringLiteral("0.0"),
        rainMm > 0 ? fixed(rainMm, 1) : QStringLiteral("0"));
    writeEnglishMetric(xml, "snow", QStringLiteral("0.0"), QStringLiteral("0"));
    writeElement(xml, "pop", QString::number(sample.popPercent));
    writeEnglishMetric(
        xml, "mslp", fixed(inchesOfMercury(sample.pressureMb), 2), whole(sample.pressureMb));
    xml.writeEndElement();
}

StationSimulator::Reply hourlyReply(const Scenario& scenario, const QDateTime& now)
{
    QByteArray body;
    QXmlStreamWriter xml(&body);
    startResponse(xml, scenario.indented, QStringLiteral("hourly"));
    xml.writeStartElement(QStringLiteral("hourly_forecast"));
    // The station's offset is whole hours, so its full hours are the UTC ones.
    const qint64 firstHour = (now.toSecsSinceEpoch() / 3600 + 1) * 3600;
    const WeatherModel::Flavour flavour = flavourOf(scenario.variant);
    const bool huge = scenario.behaviour == Behaviour::Huge;
    const int entries
        = scenario.variant == Variant::Incomplete ? incompleteHourlyEntries : hourlyEntries;
    for (int i = 0; huge ? body.size() < hugeBodyBytes : i < entries; ++i) {
        const QDateTime time = QDateTime::fromSecsSinceEpoch(firstHour + qint64(i) * 3600, Qt::UTC);
        writeForecastEntry(xml, WeatherModel::forecastHour(flavour, i, time), time,
            scenario.variant == Variant::EmptyPressure && i == 4);
    }
    xml.writeEndElement();
    finishResponse(xml);
    return hugeOrPlain(scenario, body);
}

StationSimulator::Reply geolookupReply()
{
    QByteArray body;
    QXmlStreamWriter xml(&body);
    startResponse(xml, true, QStringLiteral("geolookup"));
    xml.writeStartElement(QStringLiteral("location"));
    writeElement(xml, "type", QStringLiteral("INTLCITY"));
    writeElement(xml, "country", QStringLiteral("SP"));
    writeElement(xml, "country_iso3166", QStringLiteral("ES"));
    writeElement(xml, "country_name", QStringLiteral("Spain"));
    writeElement(xml, "state", QStringLiteral("M"));
    writeElement(xml, "city", QStringLiteral("Madrid"));
    writeElement(xml, "tz_short", QStringLiteral("CET"));
    writeElement(xml, "tz_long", QStringLiteral("Europe/Madrid"));
    writeElement(xml, "lat", fixed(madridLatitude, 8));
    writeElement(xml, "lon", fixed(madridLongitude, 8));
    writeElement(xml, "zip", QStringLiteral("00000"));
    writeElement(xml, "magic", QStringLiteral("1"));
    writeElement(xml, "wmo", QStringLiteral("08221"));
    writeElement(xml, "l", QStringLiteral("/q/zmw:00000.1.08221"));
    writeElement(xml, "requesturl", QStringLiteral("global/stations/08221.html"));
    writeElement(
        xml, "wuiurl", QStringLiteral("https://www.wunderground.com/global/stations/08221.html"));
    xml.writeStartElement(QStringLiteral("nearby_weather_stations"));

    struct Airport {
        const char* city;
        const char* icao;
        double latitude;
        double longitude;
    };
    static constexpr Airport airports[] = {
        { "Madrid / Barajas", "LEMD", 40.47000122, -3.55999994 },
        { "Madrid / Cuatro Vientos", "LEVS", 40.36999893, -3.77999997 },
        { "Madrid / Getafe", "LEGT", 40.29999924, -3.72000003 },
        { "Madrid / Torrejon", "LETO", 40.50000000, -3.45000005 },
    };
    xml.writeStartElement(QStringLiteral("airport"));
    for (const Airport& airport : airports) {
        xml.writeStartElement(QStringLiteral("station"));
        writeElement(xml, "city", QLatin1String(airport.city));
        writeElement(xml, "state", QStringLiteral("M"));
        writeElement(xml, "country", QStringLiteral("SP"));
        writeElement(xml, "icao", QLatin1String(airport.icao));
        writeElement(xml, "lat", fixed(airport.latitude, 8));
        writeElement(xml, "lon", fixed(airport.longitude, 8));
        xml.writeEndElement();
    }
    xml.writeEndElement();

    xml.writeStartElement(QStringLiteral("pws"));
    for (const char* id : nearbyIds) {
        const Scenario& scenario = *findScenario(QLatin1String(id));
        const double km = distanceKm(scenario.latitude, scenario.longitude);
        xml.writeStartElement(QStringLiteral("station"));
        writeElement(xml, "neighborhood", utf8(scenario.neighbourhood));
        writeElement(xml, "city", utf8(scenario.city));
        writeElement(xml, "state", QStringLiteral("Madrid"));
        writeElement(xml, "country", QStringLiteral("SP"));
        writeElement(xml, "id", QLatin1String(scenario.id));
        writeElement(xml, "distance_km", whole(km));
        writeElement(xml, "distance_mi", whole(km / 1.609344));
        xml.writeEndElement();
    }
    xml.writeEndElement(); // pws
    xml.writeEndElement(); // nearby_weather_stations
    xml.writeEndElement(); // location
    finishResponse(xml);
    return xmlReply(body);
}

StationSimulator::Reply notFoundReply()
{
    return { 404, QByteArrayLiteral("text/plain; charset=UTF-8"),
        QByteArrayLiteral("Not Found\n") };
}

// A maintenance page with a success status: meant to fail as XML (unclosed tags, an HTML
// entity), so only the parse can tell it is no answer.
StationSimulator::Reply notXmlReply()
{
    return { 200, QByteArrayLiteral("text/html; charset=UTF-8"),
        QByteArrayLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">"
                          "<title>Mantenimiento</title></head>\n<body><h1>Servicio en "
                          "mantenimiento</h1>\n<p>Vuelva a intentarlo m&aacute;s tarde.<br>"
                          "Gracias.</p>\n</body></html>\n") };
}

// Well-formed on purpose: only the status says it is a failure.
StationSimulator::Reply serverErrorReply()
{
    return { 500, QByteArrayLiteral("text/html; charset=UTF-8"),
        QByteArrayLiteral("<html><body><h1>500 Internal Server Error</h1></body></html>\n") };
}

bool requestsSlowStation(const std::string& target)
{
    const ParsedTarget parsed = parseTarget(target);
    if (parsed.kind != ParsedTarget::Conditions && parsed.kind != ParsedTarget::Hourly)
        return false;
    if (parsed.key.isEmpty())
        return false;
    const Scenario* scenario = findScenario(parsed.station);
    return scenario && scenario->behaviour == Behaviour::Slow;
}

// Sleeps in short steps; false as soon as the server is stopping.
bool waitUnlessStopping(int seconds, const std::atomic_bool& stopping)
{
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + std::chrono::seconds(seconds);
    while (steady_clock::now() < deadline) {
        if (stopping.load())
            return false;
        const auto left = duration_cast<milliseconds>(deadline - steady_clock::now());
        std::this_thread::sleep_for(std::clamp(left, milliseconds(1), milliseconds(50)));
    }
    return !stopping.load();
}

} // namespace

StationSimulator::StationSimulator()
    : m_clock([] { return QDateTime::currentDateTimeUtc(); })
{
}

void StationSimulator::setClock(std::function<QDateTime()> clock)
{
    std::lock_guard lock(m_clockMutex);
    m_clock = clock ? std::move(clock) : [] { return QDateTime::currentDateTimeUtc(); };
}

QDateTime StationSimulator::now() const
{
    std::function<QDateTime()> clock;
    {
        std::lock_guard lock(m_clockMutex);
        clock = m_clock;
    }
    return clock().toUTC();
}

void StationSimulator::setSlowSeconds(int seconds)
{
    m_slowSeconds.store(std::max(0, seconds));
}

StationSimulator::Reply StationSimulator::answer(const std::string& target) const
{
    const ParsedTarget parsed = parseTarget(target);
    if (parsed.kind == ParsedTarget::Unknown)
        return notFoundReply();
    if (parsed.key.isEmpty())
        return errorReply(QStringLiteral("keynotfound"), QStringLiteral("this key does not exist"));
    if (parsed.kind == ParsedTarget::Geolookup)
        return geolookupReply();
    if (parsed.station.isEmpty())
        return errorReply(
            QStringLiteral("querynotfound"), QStringLiteral("No cities match your search query"));
    const Scenario* scenario = findScenario(parsed.station);
    if (!scenario)
        return errorReply(QStringLiteral("Station:OFFLINE"),
            QStringLiteral("The station you're looking for either doesn't exist or "
                           "is simply offline right now."));
    switch (scenario->behaviour) {
    case Behaviour::ErrorAnswer:
        return errorReply(QStringLiteral("internalerror"),
            QStringLiteral("The service could not complete this request."));
    case Behaviour::NotXml:
        return notXmlReply();
    case Behaviour::ServerError:
        return serverErrorReply();
    case Behaviour::Weather:
    case Behaviour::Slow:
    case Behaviour::Huge:
        break;
    }
    return parsed.kind == ParsedTarget::Conditions ? conditionsReply(*scenario, now())
                                                   : hourlyReply(*scenario, now());
}

std::shared_ptr<const StationSimulator::Reply> StationSimulator::renderedAnswer(
    const std::string& target) const
{
    const QDateTime second = QDateTime::fromSecsSinceEpoch(now().toSecsSinceEpoch(), Qt::UTC);
    {
        const std::lock_guard<std::mutex> lock(m_renderedMutex);
        const auto found = m_rendered.find(target);
        if (found != m_rendered.end() && found->second.at == second)
            return found->second.reply;
    }
    auto reply = std::make_shared<const Reply>(answer(target));
    const std::lock_guard<std::mutex> lock(m_renderedMutex);
    if (m_rendered.size() >= 64)
        m_rendered.clear();
    m_rendered[target] = Rendered { second, reply };
    return reply;
}

void StationSimulator::registerRoutes(httplib::Server& server)
{
    auto stopping = std::make_shared<std::atomic_bool>(false);
    server.new_task_queue
        = [stopping] { return new StopAwareTaskQueue(stopping, CPPHTTPLIB_THREAD_POOL_COUNT); };
    server.Get(R"(/api/[\s\S]*)",
        [this, stopping](const httplib::Request& request, httplib::Response& response) {
            if (requestsSlowStation(request.target)
                && !waitUnlessStopping(slowSeconds(), *stopping)) {
                response.status = 503;
                response.set_content("Service Unavailable\n", "text/plain");
                return;
            }
            const std::shared_ptr<const Reply> reply = renderedAnswer(request.target);
            response.status = reply->status;
            if (reply->compressible) {
                response.set_content(reply->body.constData(), size_t(reply->body.size()),
                    reply->contentType.toStdString());
                return;
            }
            // httplib compresses set_content bodies when the client accepts it, but never a
            // body that comes from a provider with a declared length.
            response.set_content_provider(size_t(reply->body.size()),
                reply->contentType.toStdString(),
                [reply](size_t offset, size_t length, httplib::DataSink& sink) {
                    return sink.write(reply->body.constData() + offset, length);
                });
        });
}

QStringList StationSimulator::stationIds()
{
    QStringList ids;
    for (const Scenario& scenario : scenarios)
        ids.append(QLatin1String(scenario.id));
    return ids;
}

QStringList StationSimulator::nearbyStationIds()
{
    QStringList ids;
    for (const char* id : nearbyIds)
        ids.append(QLatin1String(id));
    return ids;
}
