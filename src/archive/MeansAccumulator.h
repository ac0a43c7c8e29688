#pragma once

#include "HistoryRecords.h"

#include <array>

// Steps through polls and keeps running sums, so that the means of a long span need no copy
// of its polls. Each value is averaged over the polls that had it.
class MeansAccumulator
{
public:
    void add(qint64 timeMs, const ConditionsReadings& readings);
    // Nothing where no poll was added.
    std::optional<HistoryMeans> result() const;

private:
    struct Sum {
        double total = 0;
        int count = 0;
        void add(const std::optional<double>& value);
        std::optional<double> mean() const;
    };
    enum Value {
        Temperature,
        Dewpoint,
        Humidity,
        Pressure,
        StationPressure,
        Wind,
        Gust,
        Rain,
        Cloud,
        ValueCount
    };

    int m_rows = 0;
    int m_valued = 0;
    qint64 m_firstMs = 0;
    qint64 m_lastMs = 0;
    std::array<Sum, ValueCount> m_sums;
    // The wind vectors' sum, each weighted by its speed: calm adds nothing to the direction.
    double m_east = 0;
    double m_north = 0;
    bool m_hasDirection = false;
};
