#pragma once

#include <QString>
#include <optional>

// What one current-conditions poll measured, in the service's own units, for readers beyond
// the window (the network device server). The poll fills it beside the page; nothing of it
// is shown, written to the data file or alerted.
struct ConditionsReadings {
    enum class Outcome {
        NotRun,
        Failed, // no document: the fetch or the parse failed, or a setting was not a number
        ErrorAnswer, // the service answered with an error element
        Complete,
    };

    Outcome outcome = Outcome::NotRun;
    bool safe = false; // the poll's SafeCondition
    qint16 refreshMinutes = 0; // the refresh period the poll ran with
    QString reasons; // why the poll is not safe, in words ("Nublado - viento no medido")
    QString sky; // the sky text as the service gave it
    qint16 cloudCondition = 0; // the data file's sky code: 0 unknown, 1 clear, 2 cloudy, 3 very
    QString windDirText; // the 16-point text as the service gave it

    std::optional<double> temperature; // °C
    std::optional<double> humidity; // %
    std::optional<double> dewpoint; // °C
    std::optional<double> windKph;
    std::optional<double> gustKph;
    std::optional<double> windDegrees; // the service's own degrees, where it gives them
    std::optional<double> pressureHpa; // as the service gives it (sea level)
    std::optional<double> rain1hMm; // the last hour's rain
    std::optional<double> cloudCover; // %, where the source gives it

    // Beyond the walk's own values: for the archive and the network devices.
    QString source; // the source's name ("Fuente")
    QString station; // the station asked for
    std::optional<qint64> observationTimeMs; // the station's own time of the observation
    std::optional<double> rainTodayMm;
    std::optional<double> visibilityKm;
    std::optional<double> stationPressureHpa; // where the source gives it
    std::optional<double> elevationM;
    std::optional<double> latitude;
    std::optional<double> longitude;
};
