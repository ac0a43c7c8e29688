#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

enum class Sky { Clear, PartlyCloudy, Scattered, MostlyCloudy, Overcast, Rain };

// One moment's weather at a station, in the service's metric units.
struct WeatherSample {
    double tempC = 0;
    int humidity = 0;
    double windKph = 0;
    double gustKph = 0;
    int windDegrees = 0;
    double pressureMb = 1013;
    QString pressureTrend = QStringLiteral("0");
    Sky sky = Sky::Clear;
    double rain1hMm = 0;
    double rainTodayMm = 0;
    int popPercent = 0;
    int solarRadiation = 0; // W/m2
    // The live station's visibility sensor drops out now and then ("N/A").
    bool visibilityKnown = true;
    double visibilityKm = 10.0;
};

// The weather the simulated stations report. Every value is a pure function of the time, so
// a given clock always gives the same documents.
class WeatherModel
{
public:
    // Hourly flavours of the fixed scenarios; Live follows the drifting station.
    enum Flavour { Live, Clear, PartlyCloudy, Scattered, Humid, Rain, Windy, Gusty };

    // Every simulated station keeps Madrid's winter time all year.
    static constexpr int utcOffsetSeconds = 3600;

    // The drifting station: a daily temperature curve over a seasonal mean, humidity rising
    // at night, wind that varies over hours and a sky that changes every few hours.
    static WeatherSample live(const QDateTime& time);

    // Forecast hour `index` (0 = the next full hour, at `time`) of a flavour. The fixed
    // flavours are keyed to the index so that the first ten hours always hold a mix.
    static WeatherSample forecastHour(Flavour flavour, int index, const QDateTime& time);

    static double dewpointC(double tempC, double humidity);
    // Nothing where the service reports "NA": too warm or too calm for a wind chill.
    static std::optional<double> windchillC(double tempC, double windKph);
    // Nothing below the temperatures where the service starts reporting one.
    static std::optional<double> heatIndexC(double tempC, double humidity);

    static double localHour(const QDateTime& time);
};
