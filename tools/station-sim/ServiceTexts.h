#pragma once

#include "WeatherModel.h"

#include <QDateTime>
#include <QString>

// How the service writes numbers, units, skies and times in its Spanish answers.
namespace ServiceTexts
{

constexpr double madridLatitude = 40.41999817;
constexpr double madridLongitude = -3.70000005;

QString utf8(const char* text);
// Rounded to the decimals, never "-0.0".
QString fixed(double value, int decimals);
QString whole(double value);

double fahrenheit(double celsius);
double mph(double kph);
double inches(double mm);
double inchesOfMercury(double mb);
// "54.1 F (12.3 C)"
QString temperatureString(double celsius);
// The service pads these with a blank: " 0", " 0.3".
QString precipMetric(double mm);

// One of the sixteen Spanish compass points.
QString compass(int degrees);
QString conditionsText(Sky sky);
// The hourly forecast says "Lluvia" where an observation says "Lluvia ligera".
QString forecastText(Sky sky);
QString forecastSummary(Sky sky, bool night);
QString iconName(Sky sky);
QString iconUrl(Sky sky, bool night);
int forecastCode(Sky sky);
int skyCover(Sky sky);

bool isNight(const QDateTime& time);
QDateTime stationTime(const QDateTime& time);
// "+0100"
QString offsetText();
// "Mon, 07 Dec 2026 19:24:00 +0100", whatever the process locale.
QString rfc822(const QDateTime& time);
// "7:24 PM"
QString civilTime(const QTime& time);
QString englishMonth(int month);
QString englishWeekday(int dayOfWeek);
QString spanishMonth(int month);
QString spanishMonthAbbrev(int month);
QString spanishWeekday(int dayOfWeek);
QString spanishWeekdayAbbrev(int dayOfWeek);

// Great-circle distance from Madrid.
double distanceKm(double latitude, double longitude);

} // namespace ServiceTexts
