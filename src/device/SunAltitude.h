#pragma once

#include <QList>
#include <QPair>
#include <QtGlobal>

// Where the sun stands, by the low-precision almanac formulas (some 0.01° for this century):
// enough to shade the night on a graph.
namespace SunAltitude
{

// The sun's altitude above the horizon in degrees at a place and moment (ms since the epoch).
double degrees(double latitude, double longitude, qint64 timeMs);

// The spans within [fromMs, toMs] when the sun is below the horizon (its upper limb under the
// refracted horizon, -0.833°), found to within stepMs.
QList<QPair<qint64, qint64>> nights(
    double latitude, double longitude, qint64 fromMs, qint64 toMs, qint64 stepMs = 300000);

} // namespace SunAltitude
