#include "SunAltitude.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>

namespace
{

constexpr double Rad = std::numbers::pi / 180;
constexpr double Horizon = -0.833;

} // namespace

namespace SunAltitude
{

double degrees(double latitude, double longitude, qint64 timeMs)
{
    const double d = double(timeMs) / 86400000.0 + 2440587.5 - 2451545.0; // days from J2000
    const double g = (357.529 + 0.98560028 * d) * Rad; // mean anomaly
    const double q = 280.459 + 0.98564736 * d; // mean longitude
    const double l = (q + 1.915 * std::sin(g) + 0.020 * std::sin(2 * g)) * Rad; // ecliptic
    const double e = (23.439 - 0.00000036 * d) * Rad; // obliquity
    const double rightAscension = std::atan2(std::cos(e) * std::sin(l), std::cos(l));
    const double declination = std::asin(std::sin(e) * std::sin(l));
    const double siderealDeg = std::fmod(280.46061837 + 360.98564736629 * d, 360.0);
    const double hourAngle = (siderealDeg + longitude) * Rad - rightAscension;
    const double lat = latitude * Rad;
    return std::asin(std::sin(lat) * std::sin(declination)
               + std::cos(lat) * std::cos(declination) * std::cos(hourAngle))
        / Rad;
}

QList<QPair<qint64, qint64>> nights(
    double latitude, double longitude, qint64 fromMs, qint64 toMs, qint64 stepMs)
{
    QList<QPair<qint64, qint64>> spans;
    std::optional<qint64> start;
    for (qint64 t = fromMs;; t = std::min(t + stepMs, toMs)) {
        const bool dark = degrees(latitude, longitude, t) < Horizon;
        if (dark && !start)
            start = t;
        if (!dark && start) {
            spans.append({ *start, t });
            start.reset();
        }
        if (t >= toMs)
            break;
    }
    if (start)
        spans.append({ *start, toMs });
    return spans;
}

} // namespace SunAltitude
