#pragma once

#include "LoadFailure.h"
#include "ParallelFetch.h"
#include "PwsObservation.h"
#include "RainHistory.h"
#include "RequestBudget.h"

#include <QHash>
#include <QJsonObject>
#include <QString>
#include <optional>
#include <vector>

// What the station-owner source keeps between requests for the station shown: its latest
// observation and where it stands, the day's rain records, the forecast at its place, and the
// request budget of each key. Each answer is taken in here as it comes, with the reason for
// the log where it is unusable.
class PwsKeptAnswers
{
public:
    using Answer = ParallelFetch::Answer;
    enum class Observed { Nothing, Failed, Silent, Observation };

    // An observation (or a failed or silent answer) is used again for this long. The station
    // sends every few minutes; at a poll a minute this halves the requests.
    static constexpr qint64 ObservationReuseSecs = 115;
    // The forecast service's current values change every quarter of an hour.
    static constexpr qint64 ForecastReuseSecs = 600;
    // The day's records are asked for again no sooner than this after the last try.
    static constexpr qint64 HistoryRetrySecs = 600;

    struct Coordinates {
        double latitude = 0;
        double longitude = 0;

        bool operator==(const Coordinates&) const = default;
    };

    // Another key or station: nothing kept of the last one is valid for it.
    void select(const QString& key, const QString& id);

    bool observationStale(qint64 nowMs) const;
    bool forecastFresh(qint64 nowMs) const;
    bool historyDue(qint64 nowMs) const;

    void takeObservation(
        const std::optional<Answer>& answer, const LoadFailure& failure, qint64 nowMs);
    void takeHistory(const std::optional<Answer>& answer, LoadFailure failure, qint64 nowMs);
    // False, with the reason in forecastFailure, when the answer is unusable.
    bool takeForecast(
        const std::optional<Answer>& answer, const LoadFailure& failure, qint64 nowMs);

    // Why no coordinates came from the station's observation, fetched now or kept.
    LoadFailure whyNoCoordinates(qint64 nowMs) const;
    // What the conditions answer is made of: the kept observation, forecast and records.
    PwsObservation::Input conditionsInput() const;

    Observed observed = Observed::Nothing;
    std::optional<Coordinates> coordinates;
    QJsonObject forecast;
    std::optional<qint64> historyAskedAtMs;
    QHash<QString, RequestBudget> budgets;
    LoadFailure forecastFailure;

private:
    QString m_apiKey;
    QString m_station;

    qint64 m_observedAtMs = 0;
    QJsonObject m_observation;
    int m_utcOffsetSecs = 0;
    LoadFailure m_observationFailure;

    RainHistory m_rain;
    std::optional<double> m_pressureTrend;

    std::optional<Coordinates> m_forecastAt;
    qint64 m_forecastAtMs = 0;
};
