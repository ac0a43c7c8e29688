#pragma once

#include "ObservationField.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

// What a weather source hands over for each kind of request: plain texts as the service sent
// them, never a document. The polls walk these exactly as the answers came, so every rule of
// the walk (order, repeated and missing values, an error answer or a failed read ending it at
// its place) holds for every source alike.

// A text that a source could not read where the walk expects one (an empty element, a missing
// child): the walk stops there with `reason` as its run-time failure.
struct ReadFailure {
    QString reason;
};

// One current-conditions answer.
struct Observation {
    enum class End {
        Complete,
        ErrorAnswer, // the service answered with an error; ends the walk at its own field
        ReadFailure, // a value could not be read; ends the walk at that place
    };

    // Every occurrence of each field, in the order the answer gave them. An empty list: the
    // answer lacks the field.
    std::array<QStringList, ObservationField::Count> values;

    // How the walk ends. Where it ends early, it ends after `endOccurrence` occurrences of
    // `endField` (those before it are walked as usual).
    End end = End::Complete;
    int endField = ObservationField::Count;
    int endOccurrence = 0;
    // The error answer's description, or the failed read's reason, for the log.
    QString endReason;

    // Values outside the walk, for observatory software on the network.
    std::optional<double> windDegrees; // the source's own degrees, where it sends them
    std::optional<double> cloudCover; // percent of sky covered, where the source gives it
    std::optional<double> stationPressureHpa; // at the station's height, where the source gives it
    std::optional<double> elevationM; // the station's height above sea level
    std::optional<double> latitude; // the station's, in degrees
    std::optional<double> longitude;

    void append(ObservationField::Index field, const QString& text) { values[field].append(text); }
    void endWithError(const QString& description)
    {
        end = End::ErrorAnswer;
        endField = ObservationField::Error;
        endOccurrence = 0;
        endReason = description;
    }
    void endWithReadFailure(ObservationField::Index field, const QString& reason)
    {
        end = End::ReadFailure;
        endField = field;
        endOccurrence = int(values[field].size());
        endReason = reason;
    }
};

// One hour of the hourly forecast, in the order the page reads it. A cell that could not be
// read holds the failure; the page stops at the first such cell.
struct ForecastHour {
    using Cell = std::optional<QString>;
    Cell hour; // "07"
    Cell minute; // "00"
    Cell temperature; // metric
    Cell humidity; // percent, without a sign
    Cell wind; // metric
    Cell sky; // the service's phrase
    QString failure; // why the first unreadable cell is missing
};

// An hourly-forecast answer.
struct HourlyAnswer {
    bool errorAnswer = false;
    QString errorDescription;
    // The date of the first hour, as the page's caption reads it; unread where missing.
    ForecastHour::Cell weekday, day, month, year;
    QString dateFailure; // why the date could not be read
    // The hours the answer holds, in order; the page reads ten and fails past the last one.
    QList<ForecastHour> hours;
    QString missingHourFailure; // the failure of a read past the last hour
};

// A station-lookup answer: the station identifiers in the answer's order.
struct StationList {
    QStringList ids;
    bool errorAnswer = false;
    QString errorDescription;
    // A read that failed after the ids above; empty when every id was read.
    QString failure;
};
