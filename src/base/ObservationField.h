#pragma once

#include <QStringList>

// The element names of a current-conditions answer, in the order in which a poll handles
// them and writes the data-file pieces.
namespace ObservationField
{

enum Index {
    Error,
    ObservationLocation,
    ObservationTimeRfc822,
    ObservationEpoch,
    LocalTzOffset,
    TempC,
    WindKph,
    WindGustKph,
    WindDir,
    PressureMb,
    PressureTrend,
    RelativeHumidity,
    DewpointC,
    Precip1hrMetric,
    PrecipTodayMetric,
    VisibilityKm,
    Weather,
    Count
};

inline QStringList names()
{
    // One name a line, in the order of Index.
    // clang-format off
    return {
        QStringLiteral("error"),
        QStringLiteral("observation_location"),
        QStringLiteral("observation_time_rfc822"),
        QStringLiteral("observation_epoch"),
        QStringLiteral("local_tz_offset"),
        QStringLiteral("temp_c"),
        QStringLiteral("wind_kph"),
        QStringLiteral("wind_gust_kph"),
        QStringLiteral("wind_dir"),
        QStringLiteral("pressure_mb"),
        QStringLiteral("pressure_trend"),
        QStringLiteral("relative_humidity"),
        QStringLiteral("dewpoint_c"),
        QStringLiteral("precip_1hr_metric"),
        QStringLiteral("precip_today_metric"),
        QStringLiteral("visibility_km"),
        QStringLiteral("weather")
    };
    // clang-format on
}

} // namespace ObservationField
