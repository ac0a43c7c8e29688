#pragma once

#include "FetchLimits.h"
#include "ParallelFetch.h"
#include "WeatherSource.h"

#include <QDateTime>
#include <QDomDocument>
#include <functional>
#include <memory>
#include <vector>

// The station-owner source: the station's own observations from the station-owner service,
// the sky, visibility and hourly forecast at the station's coordinates from an open forecast
// service. Answers come back as documents of the XML service's shape.
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

    // An observation (or a failed or silent answer) is used again for this long. The station
    // sends every few minutes; at a poll a minute this halves the requests.
    static constexpr qint64 ObservationReuseSecs = 115;
    // The forecast service's current values change every quarter of an hour.
    static constexpr qint64 ForecastReuseSecs = 600;
    // The day's records are asked for again no sooner than this after the last try.
    static constexpr qint64 HistoryRetrySecs = 600;

    explicit PwsSource(QString stationUrl = defaultStationUrl(),
        QString forecastUrl = defaultForecastUrl(), FetchLimits limits = {},
        Clock clock = &QDateTime::currentDateTimeUtc, Transport transport = {});
    ~PwsSource() override;

    enum RequestKind { Conditions, Hourly, Geolookup };

    std::optional<Observation> conditions(
        const QString& apiKey, const QString& station) const override;
    std::optional<HourlyAnswer> hourly(
        const QString& apiKey, const QString& station) const override;
    std::optional<StationList> nearbyStations(
        const QString& apiKey, const QString& station) const override;

    // The answers as documents of the XML service's shape, which the overrides above read.
    std::optional<QDomDocument> requestDocument(
        RequestKind kind, const QString& apiKey, const QString& station) const;
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
    std::optional<QDomDocument> conditionsDocument(
        const QString& apiKey, const QString& station) const;
    std::optional<QDomDocument> hourlyDocument(const QString& apiKey, const QString& station) const;
    std::optional<QDomDocument> nearbyDocument(const QString& apiKey, const QString& station) const;

    QString m_stationUrl;
    QString m_forecastUrl;
    Clock m_clock;
    Transport m_transport;
    // Answers kept between requests; the polls hold the source as const, as they hold any.
    std::unique_ptr<State> m_state;
};
