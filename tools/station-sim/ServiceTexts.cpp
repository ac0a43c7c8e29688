#include "ServiceTexts.h"

#include <QtMath>
#include <cmath>

namespace ServiceTexts
{

namespace
{

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

} // namespace

QString utf8(const char* text)
{
    return QString::fromUtf8(text);
}

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

QString temperatureString(double celsius)
{
    return QStringLiteral("%1 F (%2 C)").arg(fixed(fahrenheit(celsius), 1), fixed(celsius, 1));
}

QString precipMetric(double mm)
{
    return QLatin1Char(' ') + (mm < 0.05 ? QStringLiteral("0") : fixed(mm, 1));
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

QString iconUrl(Sky sky, bool night)
{
    return QStringLiteral("http://icons.wxug.com/i/c/k/%1%2.gif")
        .arg(night ? QStringLiteral("nt_") : QString(), iconName(sky));
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

QString rfc822(const QDateTime& time)
{
    static const char* const days[] = { "Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun" };
    const QDateTime local = stationTime(time);
    const QDate date = local.date();
    return QStringLiteral("%1, %2 %3 %4 %5 %6")
        .arg(QLatin1String(days[date.dayOfWeek() - 1]))
        .arg(date.day(), 2, 10, QLatin1Char('0'))
        .arg(englishMonth(date.month()).left(3))
        .arg(date.year())
        .arg(local.time().toString(QStringLiteral("HH:mm:ss")), offsetText());
}

QString civilTime(const QTime& time)
{
    const int hour12 = time.hour() % 12 == 0 ? 12 : time.hour() % 12;
    return QStringLiteral("%1:%2 %3")
        .arg(hour12)
        .arg(time.minute(), 2, 10, QLatin1Char('0'))
        .arg(time.hour() < 12 ? QStringLiteral("AM") : QStringLiteral("PM"));
}

QString englishMonth(int month)
{
    return QLatin1String(englishMonths[month - 1]);
}

QString englishWeekday(int dayOfWeek)
{
    return QLatin1String(englishWeekdays[dayOfWeek - 1]);
}

QString spanishMonth(int month)
{
    return utf8(spanishMonths[month - 1]);
}

QString spanishMonthAbbrev(int month)
{
    return utf8(spanishMonthAbbrevs[month - 1]);
}

QString spanishWeekday(int dayOfWeek)
{
    return utf8(spanishWeekdays[dayOfWeek - 1]);
}

QString spanishWeekdayAbbrev(int dayOfWeek)
{
    return utf8(spanishWeekdayAbbrevs[dayOfWeek - 1]);
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

} // namespace ServiceTexts
