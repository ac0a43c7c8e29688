#pragma once

#include "ConditionsReadings.h"

#include <array>
#include <optional>

// The measured values of a poll as the archive's columns: one nullable REAL column each, in
// this order after the poll's fixed columns. Writer, readers and the export share it.
struct PollValueColumn {
    const char* name;
    std::optional<double> ConditionsReadings::*member;
};

inline constexpr std::array<PollValueColumn, 15> PollValueColumns { {
    { "temperature", &ConditionsReadings::temperature },
    { "humidity", &ConditionsReadings::humidity },
    { "dewpoint", &ConditionsReadings::dewpoint },
    { "wind_kph", &ConditionsReadings::windKph },
    { "gust_kph", &ConditionsReadings::gustKph },
    { "wind_degrees", &ConditionsReadings::windDegrees },
    { "pressure_hpa", &ConditionsReadings::pressureHpa },
    { "station_pressure_hpa", &ConditionsReadings::stationPressureHpa },
    { "rain_1h_mm", &ConditionsReadings::rain1hMm },
    { "rain_today_mm", &ConditionsReadings::rainTodayMm },
    { "cloud_cover", &ConditionsReadings::cloudCover },
    { "visibility_km", &ConditionsReadings::visibilityKm },
    { "elevation_m", &ConditionsReadings::elevationM },
    { "latitude", &ConditionsReadings::latitude },
    { "longitude", &ConditionsReadings::longitude },
} };

// The poll's fixed columns, before the values; the texts after them.
inline constexpr const char* PollLeadingColumns = "time_ms, source, station, outcome_kind, "
                                                  "outcome, safe, reasons, broken_limits, "
                                                  "observation_time_ms, refresh_minutes";
inline constexpr int PollLeadingCount = 10;
inline constexpr const char* PollTrailingColumns = "sky, wind_dir, cloud_condition";

// How the outcome kind is stored: words, so that the file reads without this program.
inline const char* outcomeKindName(ConditionsReadings::Outcome outcome)
{
    switch (outcome) {
    case ConditionsReadings::Outcome::Failed:
        return "failed";
    case ConditionsReadings::Outcome::ErrorAnswer:
        return "error answer";
    case ConditionsReadings::Outcome::Complete:
        return "complete";
    case ConditionsReadings::Outcome::NotRun:
        break;
    }
    return "not run";
}

inline ConditionsReadings::Outcome outcomeKindFromName(const QString& name)
{
    for (auto kind : { ConditionsReadings::Outcome::Failed,
             ConditionsReadings::Outcome::ErrorAnswer, ConditionsReadings::Outcome::Complete }) {
        if (name == QLatin1String(outcomeKindName(kind)))
            return kind;
    }
    return ConditionsReadings::Outcome::NotRun;
}
