#pragma once

#include "LoadFailure.h"

#include <QDomDocument>
#include <QString>
#include <optional>

// Where the polls get their answers from. Every source hands back documents shaped like the
// XML service's answers, so the polls read all of them the same way.
class WeatherSource
{
public:
    enum RequestKind { Conditions, Hourly, Geolookup };

    virtual ~WeatherSource() = default;

    // The answer to one request of a poll; nothing when the load failed. The station is ignored
    // where a kind does not need it. Blocks the calling thread, bounded by the fetch limits.
    virtual std::optional<QDomDocument> requestDocument(
        RequestKind kind, const QString& apiKey, const QString& station) const = 0;
    // Why the last request gave nothing, for the log; no reason where a source keeps none.
    virtual LoadFailure lastFailure() const { return {}; }
};
