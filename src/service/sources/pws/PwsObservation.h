#pragma once

#include "SourceAnswers.h"

#include <QJsonObject>
#include <optional>

// The conditions answer of the station-owner source, from the station's observation and the
// forecast service's current values. A null or absent value is a field the answer lacks; the
// texts are written as the XML service wrote its own (one decimal, "65%", Spanish names).
namespace PwsObservation
{

struct Input {
    QJsonObject observation; // observations[0] of the current-observation answer
    QJsonObject forecast; // the whole forecast answer, for its "current" values
    std::optional<double> rainLastHour; // from the day's records; precipRate stands in
    std::optional<double> pressureTrend; // of the latest record of the day
};

Observation fromJson(const Input& input);

} // namespace PwsObservation
