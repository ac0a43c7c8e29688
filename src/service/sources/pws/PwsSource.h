#pragma once

#include "FetchLimits.h"
#include "ParallelFetch.h"
#include "PwsKeptAnswers.h"
#include "WeatherSource.h"

#include <QDateTime>
#include <functional>
#include <memory>
#include <vector>

// The station-owner source: the station's own observations from the station-owner service,
// the sky, visibility, cloud cover and hourly forecast at the station's coordinates from an open
// forecast service. Both answer in JSON, read straight into the plain answers of every source.
//
// The key is suspended by the service when it asks too often, so answers are used again while
// they are fresh and every request to the station-owner service is counted against the key's
// budget. The requests of one conditions poll run at the same time.
class PwsSource : public WeatherSource
{
public:
    using Clock = std::function<QDateTime()>;
    using Answer = ParallelFetch::Answer;
    // Fetches every address at the same time; one result per address, in the same order.
    using Transport
        = std::function<std::vector<std::optional<Answer>>(const std::vector<QByteArray>&)>;

    static QString defaultStationUrl() { return QStringLiteral("https://api.weather.com"); }
    static QString defaultForecastUrl() { return QStringLiteral("https://api.open-meteo.com"); }

    static constexpr qint64 ObservationReuseSecs = PwsKeptAnswers::ObservationReuseSecs;
    static constexpr qint64 ForecastReuseSecs = PwsKeptAnswers::ForecastReuseSecs;
    static constexpr qint64 HistoryRetrySecs = PwsKeptAnswers::HistoryRetrySecs;

    explicit PwsSource(QString stationUrl = defaultStationUrl(),
        QString forecastUrl = defaultForecastUrl(), FetchLimits limits = {},
        Clock clock = &QDateTime::currentDateTimeUtc, Transport transport = {});
    ~PwsSource() override;

    std::optional<Observation> conditions(
        const QString& apiKey, const QString& station) const override;
    std::optional<HourlyAnswer> hourly(
        const QString& apiKey, const QString& station) const override;
    std::optional<StationList> nearbyStations(
        const QString& apiKey, const QString& station) const override;
    // Also set beside an empty list of nearby stations, to say why it is empty.
    LoadFailure lastFailure() const override;

    QString currentObservationUrl(const QString& apiKey, const QString& station) const;
    QString dayRecordsUrl(const QString& apiKey, const QString& station) const;
    QString forecastUrl(double latitude, double longitude) const;
    QString nearbyStationsUrl(const QString& apiKey, double latitude, double longitude) const;

    // Requests sent to the station-owner service with that key in the last 24 hours.
    int stationRequestsInLastDay(const QString& apiKey) const;

private:
    struct State;

    std::vector<std::optional<Answer>> fetchAll(const std::vector<QByteArray>& urls) const;
    std::optional<Answer> fetchOne(const QString& url) const;
    // The requests of one conditions poll, sent together: the observation where the kept one
    // is stale, the day's records where due, the forecast where the station's place is known
    // and the kept forecast is not fresh. False where the budget refused the observation.
    bool fetchForConditions(
        const QString& apiKey, const QString& station, qint64 nowMs, bool* forecastLoaded) const;
    // Asks for the observation where no place is known and the kept one is stale. False where
    // the budget refused it.
    bool placeStation(const QString& apiKey, const QString& station, qint64 nowMs) const;
    // The forecast at the station's place; false, with the reason kept, when it is unusable.
    bool fetchForecast(qint64 nowMs) const;

    QString m_stationUrl;
    QString m_forecastUrl;
    Clock m_clock;
    Transport m_transport;
    // Answers kept between requests; the polls hold the source as const, as they hold any.
    std::unique_ptr<State> m_state;
};
