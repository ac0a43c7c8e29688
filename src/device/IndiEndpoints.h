#pragma once

#include "AlpacaApi.h"
#include "DeviceSnapshot.h"

// Two plain answers for INDI's stock weather drivers, served beside the Alpaca devices:
// /indi/safety for the Weather Safety Proxy (JSON roof status) and /indi/weather for the
// Weather Watcher (key=value lines). Both are answered with status 200 whatever happened, since
// those drivers take an HTTP error for a passing fault and keep their last state.
namespace IndiEndpoints
{

bool handles(std::string_view path);
AlpacaReply answer(
    std::string_view method, std::string_view path, const DeviceSnapshot& snapshot, qint64 nowMs);

// Why the roof may or may not open, in the program's Spanish texts; while the wait keeps it
// shut, how long is left.
QString reasons(const DeviceSnapshot& snapshot, qint64 nowMs);
// 0: safe now and the next three forecast hours pass every limit; 1: safe now, but one of
// those hours fails a limit; 2: not safe now (failed, not fresh, or waiting).
int forecastRating(const DeviceSnapshot& snapshot, qint64 nowMs);

} // namespace IndiEndpoints
