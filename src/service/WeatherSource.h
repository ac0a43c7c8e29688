#pragma once

#include "LoadFailure.h"
#include "SourceAnswers.h"

#include <QString>
#include <optional>

// Where the polls get their answers from. A source answers each kind of request with plain
// values (SourceAnswers.h); nothing when the load failed, with the reason in lastFailure().
// Every request blocks the calling thread, bounded by the fetch limits. The station is
// ignored where a kind does not need it.
class WeatherSource
{
public:
    virtual ~WeatherSource() = default;

    virtual std::optional<Observation> conditions(
        const QString& apiKey, const QString& station) const = 0;
    virtual std::optional<HourlyAnswer> hourly(
        const QString& apiKey, const QString& station) const = 0;
    // The station shown is the one a source may search around.
    virtual std::optional<StationList> nearbyStations(
        const QString& apiKey, const QString& station) const = 0;

    // Why the last request gave nothing, for the log; no reason where a source keeps none.
    // A source may also set it beside an answer, to say why the answer is empty.
    virtual LoadFailure lastFailure() const { return {}; }
    // The name a user chooses the source by ("Fuente"); empty for a source outside the registry.
    virtual QString name() const { return {}; }
};
