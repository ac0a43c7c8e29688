#pragma once

#include "ConditionsPage.h"
#include "ForecastPage.h"

#include <memory>
#include <mutex>
#include <optional>

// What the status page shows beside the devices' snapshot: the window's "Actual" and
// "Previsión" pages as they stand, and the limits the graphs draw.
struct StatusView {
    int revision = 0; // counts the publications, for readers that ask what changed
    bool conditionsShown = false;
    bool forecastShown = false;
    ConditionsPage conditions;
    ForecastPage forecast;
    std::optional<double> humidityLimit; // %
    std::optional<double> windLimit; // km/h
};

// Hands the view from the window's thread to the server's threads, as SnapshotBoard does.
class StatusBoard
{
public:
    StatusBoard();

    void publishConditions(
        const ConditionsPage& page, const QString& humidityLimit, const QString& windLimit);
    void publishForecast(const ForecastPage& page);
    std::shared_ptr<const StatusView> current() const;

private:
    mutable std::mutex m_mutex;
    std::shared_ptr<const StatusView> m_current;
};
