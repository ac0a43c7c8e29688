#include "MqttValues.h"

#include <QDateTime>
#include <QTimeZone>

const QList<MqttValues::Value>& MqttValues::all()
{
    using R = ConditionsReadings;
    static const QList<Value> values {
        { "temperature", "Temperatura", "°C", "temperature", &R::temperature },
        { "humidity", "Humedad", "%", "humidity", &R::humidity },
        { "dewpoint", "Punto de rocío", "°C", "temperature", &R::dewpoint },
        { "wind_speed", "Viento", "km/h", "wind_speed", &R::windKph },
        { "wind_gust", "Racha", "km/h", "wind_speed", &R::gustKph },
        { "wind_direction", "Dirección del viento", "°", "", &R::windDegrees },
        { "pressure", "Presión", "hPa", "atmospheric_pressure", &R::pressureHpa },
        { "station_pressure", "Presión en la estación", "hPa", "atmospheric_pressure",
            &R::stationPressureHpa },
        { "rain_1h", "Lluvia última hora", "mm", "precipitation", &R::rain1hMm },
        { "rain_today", "Lluvia hoy", "mm", "precipitation", &R::rainTodayMm },
        { "cloud_cover", "Nubosidad", "%", "", &R::cloudCover },
        { "visibility", "Visibilidad", "km", "distance", &R::visibilityKm },
    };
    return values;
}

QByteArray MqttValues::text(double value)
{
    QByteArray number = QByteArray::number(value, 'f', 3);
    while (number.contains('.') && (number.endsWith('0') || number.endsWith('.')))
        number.chop(1);
    return number == "-0" ? QByteArray("0") : number;
}

QJsonObject MqttValues::state(qint64 timeMs, const ConditionsReadings& readings, bool safe,
    const QString& reason, const QString& outcome)
{
    QJsonObject state;
    state.insert(QStringLiteral("time"),
        QDateTime::fromMSecsSinceEpoch(timeMs, Qt::UTC).toString(Qt::ISODate));
    state.insert(QStringLiteral("safe"), safe);
    state.insert(QStringLiteral("reason"), reason);
    state.insert(QStringLiteral("outcome"), outcome);
    state.insert(QStringLiteral("source"), readings.source);
    state.insert(QStringLiteral("station"), readings.station);
    if (readings.observationTimeMs)
        state.insert(QStringLiteral("observation_time"),
            QDateTime::fromMSecsSinceEpoch(*readings.observationTimeMs, Qt::UTC)
                .toString(Qt::ISODate));
    for (const Value& value : all()) {
        if (const std::optional<double>& v = readings.*value.member)
            state.insert(QLatin1String(value.key), text(*v).toDouble());
    }
    return state;
}
