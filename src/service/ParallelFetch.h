#pragma once

#include "FetchLimits.h"
#include "LoadFailure.h"

#include <QByteArray>
#include <optional>
#include <vector>

// Several bounded GETs at the same time, each through its own HttpFetch on its own thread, so
// that a poll needing two answers waits about as long as for the slower one. The caller blocks
// until every fetch has ended, each within the bounds of one fetch.
class ParallelFetch
{
public:
    struct Answer {
        long status = 0;
        QByteArray body;
    };

    // One result per address, in the same order; nothing for a failed fetch (network, a
    // status other than 2xx, a bound exceeded). With `failures`, it gets one entry per
    // address too: why that fetch failed, or no reason.
    static std::vector<std::optional<Answer>> getAll(const std::vector<QByteArray>& urls,
        const FetchLimits& limits, std::vector<LoadFailure>* failures = nullptr);
};
