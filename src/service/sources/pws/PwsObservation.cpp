#include "PwsObservation.h"

#include "PwsJson.h"
#include "PwsTexts.h"

#include <QLocale>
#include <cmath>

namespace
{

using Field = ObservationField::Index;
using PwsJson::number;

QString oneDecimal(double value)
{
    return QString::number(value, 'f', 1);
}

QString offsetText(int seconds)
{
    const int minutes = std::abs(seconds) / 60;
    return QStringLiteral("%1%2%3")
        .arg(seconds < 0 ? QLatin1Char('-') : QLatin1Char('+'))
        .arg(minutes / 60, 2, 10, QLatin1Char('0'))
        .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QString trendText(double trend)
{
    return trend > 0 ? QStringLiteral("+") : trend < 0 ? QStringLiteral("-") : QStringLiteral("0");
}

// Adds the field's text where the value came.
void put(Observation& answer, Field field, std::optional<double> value, QString (*format)(double))
{
    if (value)
        answer.append(field, format(*value));
}

std::optional<double> finite(std::optional<double> value)
{
    return value && std::isfinite(*value) ? value : std::nullopt;
}

// The place and the time of the observation.
void putWhereAndWhen(Observation& answer, const QJsonObject& observation)
{
    // An empty neighbourhood is no place name either.
    const QString place = observation.value(QLatin1String("neighborhood")).toString();
    if (!place.isEmpty())
        answer.append(ObservationField::ObservationLocation, place);

    const std::optional<int> offset = PwsJson::utcOffsetSecs(observation);
    if (offset) {
        const QDateTime local
            = PwsJson::wallClock(observation.value(QLatin1String("obsTimeLocal")).toString());
        answer.append(ObservationField::ObservationTimeRfc822,
            QLocale::c().toString(local, QStringLiteral("ddd, dd MMM yyyy HH:mm:ss "))
                + offsetText(*offset));
    }
    put(answer, ObservationField::ObservationEpoch, number(observation, QStringLiteral("epoch")),
        [](double v) { return QString::number(std::llround(v)); });
    if (offset)
        answer.append(ObservationField::LocalTzOffset, offsetText(*offset));
}

} // namespace

namespace PwsObservation
{

Observation fromJson(const Input& input)
{
    using namespace ObservationField;
    const QJsonObject& observation = input.observation;
    const QJsonObject metric = observation.value(QLatin1String("metric")).toObject();
    const QJsonObject current = input.forecast.value(QLatin1String("current")).toObject();

    Observation answer;
    putWhereAndWhen(answer, observation);
    put(answer, TempC, number(metric, QStringLiteral("temp")), oneDecimal);
    put(answer, WindKph, number(metric, QStringLiteral("windSpeed")), oneDecimal);
    put(answer, WindGustKph, number(metric, QStringLiteral("windGust")), oneDecimal);
    const std::optional<double> degrees = number(observation, QStringLiteral("winddir"));
    put(answer, WindDir, degrees, PwsTexts::windDirection);
    put(answer, PressureMb, number(metric, QStringLiteral("pressure")), oneDecimal);
    put(answer, PressureTrend, input.pressureTrend, trendText);
    put(answer, RelativeHumidity, number(observation, QStringLiteral("humidity")),
        [](double v) { return QString::number(v) + QLatin1Char('%'); });
    put(answer, DewpointC, number(metric, QStringLiteral("dewpt")), oneDecimal);
    put(answer, Precip1hrMetric,
        input.rainLastHour ? input.rainLastHour : number(metric, QStringLiteral("precipRate")),
        oneDecimal);
    put(answer, PrecipTodayMetric, number(metric, QStringLiteral("precipTotal")), oneDecimal);
    put(answer, VisibilityKm, number(current, QStringLiteral("visibility")),
        [](double v) { return oneDecimal(v / 1000); });
    put(answer, Weather, number(current, QStringLiteral("weather_code")),
        [](double v) { return PwsTexts::weatherText(static_cast<int>(std::lround(v))); });

    answer.windDegrees = finite(degrees);
    answer.cloudCover = finite(number(current, QStringLiteral("cloud_cover")));
    answer.latitude = finite(number(observation, QStringLiteral("lat")));
    answer.longitude = finite(number(observation, QStringLiteral("lon")));
    // The station's own height; the forecast service's grid height where the station gives none.
    answer.elevationM = finite(number(metric, QStringLiteral("elev")));
    if (!answer.elevationM)
        answer.elevationM = finite(number(input.forecast, QStringLiteral("elevation")));
    return answer;
}

} // namespace PwsObservation
