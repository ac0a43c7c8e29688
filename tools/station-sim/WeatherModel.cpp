#include "WeatherModel.h"

#include <QtMath>
#include <algorithm>
#include <cmath>

namespace
{

constexpr double twoPi = 2.0 * M_PI;

// A well-mixed 32-bit value from an hour number: the live sky's "random" choices.
quint32 mix(qint64 value)
{
    quint64 x = quint64(value) * 0x9E3779B97F4A7C15ull;
    x ^= x >> 29;
    x *= 0xBF58476D1CE4E5B9ull;
    x ^= x >> 32;
    return quint32(x);
}

qint64 floorDiv(qint64 a, qint64 b)
{
    qint64 q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

// Hours since the epoch, fractional.
double epochHours(const QDateTime& time)
{
    return double(time.toMSecsSinceEpoch()) / 3600000.0;
}

// 1 at the given local hour, -1 twelve hours away.
double daily(double localHour, double peakHour)
{
    return std::cos(twoPi * (localHour - peakHour) / 24.0);
}

// The live sky repeats a nine-hour round (so it drifts against the day): two hours with
// some clouds and one overcast, mostly cloudy or rainy hour, the rest clear. Which cloud
// type each slot gets changes from round to round. With the night's damp hours kept to about
// four and the windy spell away from the cloudy slots, any ten forecast hours hold a clear,
// calm, dry hour, a partly cloudy calm one and a cloudy one.
Sky liveSkyAt(qint64 hourNumber)
{
    const qint64 slot = hourNumber - floorDiv(hourNumber, 9) * 9;
    const quint32 pick = mix(hourNumber);
    switch (slot) {
    case 2:
        return (pick & 1u) ? Sky::PartlyCloudy : Sky::Scattered;
    case 5:
        return (pick & 1u) ? Sky::Scattered : Sky::PartlyCloudy;
    case 7: {
        static constexpr Sky heavy[] = { Sky::MostlyCloudy, Sky::Overcast, Sky::Rain };
        return heavy[pick % 3u];
    }
    default:
        return Sky::Clear;
    }
}

double liveRainRate(qint64 hourNumber)
{
    return liveSkyAt(hourNumber) == Sky::Rain ? 0.3 + 0.1 * (mix(hourNumber) % 5u) : 0.0;
}

double livePressure(double hours)
{
    return 1014.0 + 7.0 * std::sin(twoPi * hours / 71.0) + 0.8 * std::sin(twoPi * hours / 12.42);
}

int solarRadiation(const QDateTime& time, Sky sky)
{
    const QDateTime local = time.toOffsetFromUtc(WeatherModel::utcOffsetSeconds);
    const int day = local.date().dayOfYear();
    const double season = std::cos(twoPi * (day + 10) / 365.25); // 1 in late December
    const double dayLength = 12.0 - 2.8 * season;
    const double solarNoon = 13.2; // Madrid on winter time
    const double sinceSunrise = WeatherModel::localHour(time) - (solarNoon - dayLength / 2.0);
    if (sinceSunrise <= 0 || sinceSunrise >= dayLength)
        return 0;
    const double peak = 650.0 - 300.0 * season;
    double cloud = 1.0;
    switch (sky) {
    case Sky::Clear:
        break;
    case Sky::PartlyCloudy:
        cloud = 0.75;
        break;
    case Sky::Scattered:
        cloud = 0.8;
        break;
    case Sky::MostlyCloudy:
        cloud = 0.45;
        break;
    case Sky::Overcast:
        cloud = 0.25;
        break;
    case Sky::Rain:
        cloud = 0.15;
        break;
    }
    return int(std::lround(peak * cloud * std::sin(M_PI * sinceSunrise / dayLength)));
}

double visibilityFor(Sky sky)
{
    switch (sky) {
    case Sky::Rain:
        return 6.0;
    case Sky::Overcast:
        return 9.0;
    default:
        return 10.0;
    }
}

} // namespace

double WeatherModel::localHour(const QDateTime& time)
{
    const QTime local = time.toOffsetFromUtc(utcOffsetSeconds).time();
    return local.msecsSinceStartOfDay() / 3600000.0;
}

WeatherSample WeatherModel::live(const QDateTime& time)
{
    const double hours = epochHours(time);
    const double hour = localHour(time);
    const QDateTime local = time.toOffsetFromUtc(utcOffsetSeconds);
    const int day = local.date().dayOfYear();
    const qint64 hourNumber = qint64(std::floor(hours));

    WeatherSample sample;
    sample.sky = liveSkyAt(hourNumber);

    // A mountain pass: about 1 C in January, 18 C in July, six degrees either side by day.
    const double seasonalMean = 9.5 - 8.5 * std::cos(twoPi * (day - 15) / 365.25);
    sample.tempC = seasonalMean + 6.0 * daily(hour, 15.0) + 0.8 * std::sin(twoPi * hours / 5.3);

    double humidity = 62.0 + 19.5 * daily(hour, 4.5) + 1.5 * std::sin(twoPi * hours / 6.1);
    if (sample.sky == Sky::Rain)
        humidity = std::max(humidity, 90.0);
    sample.humidity = std::clamp(int(std::lround(humidity)), 15, 99);

    // A breeze that swells and fades, with a gusty spell at the start of each sky round.
    const double intoRound = hours - 9.0 * std::floor(hours / 9.0);
    double fromSpell = std::abs(intoRound - 0.7);
    fromSpell = std::min(fromSpell, 9.0 - fromSpell);
    const double spell = 8.0 * std::exp(-fromSpell * fromSpell / 0.8);
    const double wind = 7.0 + 3.0 * std::sin(twoPi * hours / 7.3) + 1.5 * daily(hour, 16.0) + spell;
    sample.windKph = std::max(0.0, wind);
    sample.gustKph = sample.windKph < 1.0 ? 0.0 : sample.windKph * 1.45 + 1.5;
    const double direction
        = 250.0 + 70.0 * std::sin(twoPi * hours / 23.0) + 30.0 * std::sin(twoPi * hours / 5.7);
    sample.windDegrees = int(std::lround(std::fmod(direction + 720.0, 360.0))) % 360;

    sample.pressureMb = livePressure(hours);
    const double change = sample.pressureMb - livePressure(hours - 3.0);
    sample.pressureTrend = change > 0.7 ? QStringLiteral("+")
        : change < -0.7                 ? QStringLiteral("-")
                                        : QStringLiteral("0");

    // The last hour's rain: this hour's rate so far plus the tail of the previous hour's.
    const double intoHour = hours - double(hourNumber);
    sample.rain1hMm
        = liveRainRate(hourNumber) * intoHour + liveRainRate(hourNumber - 1) * (1.0 - intoHour);
    const qint64 midnight = hourNumber - qint64(std::floor(hour));
    for (qint64 h = midnight; h < hourNumber; ++h)
        sample.rainTodayMm += liveRainRate(h);
    sample.rainTodayMm += liveRainRate(hourNumber) * intoHour;

    switch (sample.sky) {
    case Sky::Rain:
        sample.popPercent = 70 + int(mix(hourNumber) % 20u);
        break;
    case Sky::Overcast:
        sample.popPercent = 30;
        break;
    case Sky::MostlyCloudy:
        sample.popPercent = 20;
        break;
    default:
        sample.popPercent = int(mix(hourNumber) % 10u);
        break;
    }
    sample.solarRadiation = solarRadiation(time, sample.sky);
    sample.visibilityKm = visibilityFor(sample.sky);
    const qint64 slot = hourNumber - floorDiv(hourNumber, 9) * 9;
    sample.visibilityKnown = slot != 4;
    return sample;
}

WeatherSample WeatherModel::forecastHour(Flavour flavour, int index, const QDateTime& time)
{
    if (flavour == Live) {
        WeatherSample sample = live(time);
        // A forecast hour's rain is the hour ahead, not the one behind.
        sample.rain1hMm = liveRainRate(qint64(std::floor(epochHours(time))));
        return sample;
    }

    const double hour = localHour(time);
    const double i = index;
    WeatherSample sample;
    sample.tempC = 12.0 + 5.0 * daily(hour, 15.0);
    sample.pressureMb = 1016.0 - 0.05 * i;
    sample.windDegrees = int(std::lround(std::fmod(360.0 + 15.0 * std::sin(0.4 * i), 360.0)));
    sample.sky = Sky::Clear;

    switch (flavour) {
    case Live:
    case Clear:
        if (index % 9 == 3)
            sample.sky = Sky::Scattered;
        else if (index % 9 == 7)
            sample.sky = Sky::MostlyCloudy;
        sample.windKph = 5.0 + 3.0 * std::sin(0.7 * i);
        sample.humidity = int(std::lround(62.0 + 22.0 * daily(hour, 4.5)));
        break;
    case PartlyCloudy:
        sample.sky = index % 11 == 8 ? Sky::Overcast
            : index % 6 == 4         ? Sky::Clear
                                     : Sky::PartlyCloudy;
        sample.windKph = 8.0 + 4.0 * std::sin(0.6 * i);
        sample.humidity = int(std::lround(60.0 + 18.0 * daily(hour, 4.5)));
        break;
    case Scattered:
        sample.sky = index % 7 == 5 ? Sky::Clear
            : index % 5 == 2        ? Sky::PartlyCloudy
                                    : Sky::Scattered;
        sample.windKph = 7.0 + 4.0 * std::sin(0.5 * i);
        sample.humidity = int(std::lround(58.0 + 18.0 * daily(hour, 4.5)));
        break;
    case Humid:
        if (index % 8 == 6)
            sample.sky = Sky::PartlyCloudy;
        sample.windKph = 4.0 + 2.0 * std::sin(0.9 * i);
        sample.humidity = int(std::lround(88.0 + 6.0 * daily(hour, 4.5)));
        break;
    case Rain:
        sample.sky = index % 9 == 8 ? Sky::MostlyCloudy
            : index % 4 == 3        ? Sky::Overcast
                                    : Sky::Rain;
        sample.windKph = 10.0 + 4.0 * std::sin(0.8 * i);
        sample.humidity = int(std::lround(90.0 + 5.0 * daily(hour, 4.5)));
        sample.pressureMb = 1009.0 - 0.1 * i;
        break;
    case Windy:
        if (index % 4 == 1)
            sample.sky = Sky::PartlyCloudy;
        sample.windKph = 24.0 + 7.0 * std::sin(0.5 * i);
        sample.humidity = int(std::lround(50.0 + 10.0 * daily(hour, 4.5)));
        break;
    case Gusty:
        if (index % 7 == 4)
            sample.sky = Sky::Scattered;
        sample.windKph = 14.0 + 4.5 * std::sin(1.3 * i);
        sample.humidity = int(std::lround(60.0 + 15.0 * daily(hour, 4.5)));
        break;
    }
    sample.gustKph = sample.windKph * 1.4 + 1.0;
    if (sample.sky == Sky::Rain) {
        sample.rain1hMm = 0.4 + 0.3 * (1.0 + std::sin(i));
        sample.popPercent = 85;
    } else if (sample.sky == Sky::Overcast || sample.sky == Sky::MostlyCloudy) {
        sample.popPercent = flavour == Rain ? 50 : 20;
    }
    sample.solarRadiation = solarRadiation(time, sample.sky);
    sample.visibilityKm = visibilityFor(sample.sky);
    return sample;
}

double WeatherModel::dewpointC(double tempC, double humidity)
{
    // Magnus formula, good to a few tenths over the range the stations report.
    constexpr double a = 17.62;
    constexpr double b = 243.12;
    const double gamma = std::log(std::max(humidity, 1.0) / 100.0) + a * tempC / (b + tempC);
    return b * gamma / (a - gamma);
}

std::optional<double> WeatherModel::windchillC(double tempC, double windKph)
{
    if (tempC > 10.0 || windKph <= 4.8)
        return std::nullopt;
    const double v = std::pow(windKph, 0.16);
    return 13.12 + 0.6215 * tempC - 11.37 * v + 0.3965 * tempC * v;
}

std::optional<double> WeatherModel::heatIndexC(double tempC, double humidity)
{
    if (tempC < 27.0)
        return std::nullopt;
    const double f = tempC * 9.0 / 5.0 + 32.0;
    const double indexF = 0.5 * (f + 61.0 + (f - 68.0) * 1.2 + humidity * 0.094);
    return (indexF - 32.0) * 5.0 / 9.0;
}
