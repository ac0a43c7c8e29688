#pragma once

#include "ForecastPage.h"
#include "PollEffects.h"
#include "SourceAnswers.h"

#include <QString>

struct ConfigPage;
class WeatherSource;

// The "Previsión" page: the next ten hours of the station's hourly forecast, each hour
// coloured by the humidity and wind limits and a clear sky.
class HourlyForecast
{
public:
    explicit HourlyForecast(const WeatherSource& service);

    // The window's Forecast. A failed download leaves the page as it was and the buttons
    // unlocked. Never throws.
    PollEffects Forecast(const ConfigPage& config, const QString& estacionCaption,
        const QString& DecimalSep, ForecastPage& page) const;

    // Everything after the button lock, on a loaded answer. Stops at the first read or
    // conversion that fails and leaves what it already wrote. Never throws; returns the
    // outcome for the log: Updated, "error answer: ..." or "run-time failure: ...".
    static QString fill(const HourlyAnswer& answer, const ConfigPage& config,
        const QString& estacionCaption, const QString& DecimalSep, ForecastPage& page);

    static inline const QString Updated = QStringLiteral("updated");

private:
    const WeatherSource& m_service;
};
