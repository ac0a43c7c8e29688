#include "MeansAccumulator.h"

#include <cmath>
#include <numbers>

void MeansAccumulator::Sum::add(const std::optional<double>& value)
{
    if (value && std::isfinite(*value)) {
        total += *value;
        ++count;
    }
}

std::optional<double> MeansAccumulator::Sum::mean() const
{
    return count ? std::optional<double>(total / count) : std::nullopt;
}

void MeansAccumulator::add(qint64 timeMs, const ConditionsReadings& r)
{
    ++m_rows;
    const std::array<const std::optional<double>*, ValueCount> values { &r.temperature, &r.dewpoint,
        &r.humidity, &r.pressureHpa, &r.stationPressureHpa, &r.windKph, &r.gustKph, &r.rain1hMm,
        &r.cloudCover };
    bool any = false;
    for (int i = 0; i < ValueCount; ++i) {
        m_sums[i].add(*values[i]);
        any = any || values[i]->has_value();
    }
    if (r.windKph && r.windDegrees && *r.windKph > 0) {
        const double radians = *r.windDegrees * std::numbers::pi / 180.0;
        m_east += *r.windKph * std::sin(radians);
        m_north += *r.windKph * std::cos(radians);
        m_hasDirection = true;
    }
    if (!any)
        return;
    if (m_valued == 0 || timeMs < m_firstMs)
        m_firstMs = timeMs;
    if (m_valued == 0 || timeMs > m_lastMs)
        m_lastMs = timeMs;
    ++m_valued;
}

std::optional<HistoryMeans> MeansAccumulator::result() const
{
    if (m_rows == 0)
        return std::nullopt;
    HistoryMeans means;
    means.firstMs = m_firstMs;
    means.lastMs = m_lastMs;
    means.polls = m_valued;
    means.temperature = m_sums[Temperature].mean();
    means.dewpoint = m_sums[Dewpoint].mean();
    means.humidity = m_sums[Humidity].mean();
    means.pressureHpa = m_sums[Pressure].mean();
    means.stationPressureHpa = m_sums[StationPressure].mean();
    means.windKph = m_sums[Wind].mean();
    means.gustKph = m_sums[Gust].mean();
    means.rain1hMm = m_sums[Rain].mean();
    means.cloudCover = m_sums[Cloud].mean();
    if (m_hasDirection) {
        double degrees = std::atan2(m_east, m_north) * 180.0 / std::numbers::pi;
        if (degrees < 0)
            degrees += 360.0;
        means.windDegrees = degrees;
    }
    return means;
}
