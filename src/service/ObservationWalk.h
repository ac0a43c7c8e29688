#pragma once

#include "ObservationField.h"

#include <QString>

class DataLine;
class SafeConditionEvaluation;
struct ConditionsPage;
struct ConditionsReadings;
struct ConfigPage;

// What one poll does with each value of an observation, one occurrence at a time and in the
// fields' order: the numbers it derives, then the data line, the page, the readings and the
// verdict, each a job of its own. The order within an occurrence is the order in which a
// failing conversion leaves its traces: whatever comes before it stays.
class ObservationWalk
{
public:
    // The numbers the verdict judges; a missing value keeps its start value.
    struct Values {
        double WindSpeed = 100;
        double GustSpeed = 100;
        qint16 Humidity = 100;
        double Rain1h = 100;
    };
    // What the program keeps from one poll to the next, for the day number.
    struct Kept {
        double& ObsEpoch;
        double& TzOffsetHours;
    };

    ObservationWalk(const ConfigPage& config, const QString& DecimalSep, Kept kept,
        ConditionsPage& page, ConditionsReadings& readings, SafeConditionEvaluation& evaluation,
        DataLine& line);

    // Throws PollFailure for a value that is not the number it must be, or a limit that is not.
    void handle(ObservationField::Index field, const QString& value);

    const Values& values() const { return m_values; }

private:
    void derive(ObservationField::Index field, const QString& value);
    void compose(ObservationField::Index field, const QString& value);
    void show(ObservationField::Index field, const QString& value);
    void record(ObservationField::Index field, const QString& value);
    void judge(ObservationField::Index field);

    const ConfigPage& m_config;
    const QString& m_decimalSep;
    Kept m_kept;
    ConditionsPage& m_page;
    ConditionsReadings& m_readings;
    SafeConditionEvaluation& m_evaluation;
    DataLine& m_line;
    Values m_values;
};
