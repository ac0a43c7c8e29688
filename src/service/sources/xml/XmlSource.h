#pragma once

#include "WeatherService.h"
#include "WeatherSource.h"

// The XML weather service as a source: each answer fetched and parsed by WeatherService, then
// read into the plain values the polls walk (XmlAnswers).
class XmlSource : public WeatherService, public WeatherSource
{
public:
    using WeatherService::WeatherService;

    std::optional<Observation> conditions(
        const QString& apiKey, const QString& station) const override;
    std::optional<HourlyAnswer> hourly(
        const QString& apiKey, const QString& station) const override;
    std::optional<StationList> nearbyStations(
        const QString& apiKey, const QString& station) const override;
    LoadFailure lastFailure() const override { return WeatherService::lastFailure(); }
};
