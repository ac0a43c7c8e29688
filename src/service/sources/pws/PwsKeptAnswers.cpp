#include "PwsKeptAnswers.h"

#include "Logging.h"
#include "PwsJson.h"
#include "PwsReplies.h"

#include <QJsonArray>

using PwsReplies::jsonObject;

void PwsKeptAnswers::select(const QString& key, const QString& id)
{
    if (key == m_apiKey && id == m_station)
        return;
    m_apiKey = key;
    m_station = id;
    observed = Observed::Nothing;
    m_observation = QJsonObject();
    coordinates.reset();
    m_utcOffsetSecs = 0;
    m_rain.clear();
    historyAskedAtMs.reset();
    m_pressureTrend.reset();
}

bool PwsKeptAnswers::observationStale(qint64 nowMs) const
{
    return observed == Observed::Nothing || nowMs - m_observedAtMs >= ObservationReuseSecs * 1000
        || nowMs < m_observedAtMs;
}

bool PwsKeptAnswers::forecastFresh(qint64 nowMs) const
{
    return coordinates && m_forecastAt == coordinates && nowMs >= m_forecastAtMs
        && nowMs - m_forecastAtMs < ForecastReuseSecs * 1000;
}

bool PwsKeptAnswers::historyDue(qint64 nowMs) const
{
    return m_rain.needsHistory(nowMs / 1000)
        && (!historyAskedAtMs || nowMs - *historyAskedAtMs >= HistoryRetrySecs * 1000
            || nowMs < *historyAskedAtMs);
}

LoadFailure PwsKeptAnswers::whyNoCoordinates(qint64 nowMs) const
{
    LoadFailure failure;
    switch (observed) {
    case Observed::Failed:
        failure = m_observationFailure;
        break;
    case Observed::Silent:
        failure = LoadFailure { LoadFailure::NoCoordinates,
            QStringLiteral("no observation in the last hour, HTTP status 204") };
        break;
    case Observed::Nothing:
    case Observed::Observation:
        failure
            = LoadFailure { LoadFailure::NoCoordinates, QStringLiteral("none in the observation") };
        break;
    }
    const qint64 ageSecs = (nowMs - m_observedAtMs) / 1000;
    failure.request = ageSecs > 0
        ? QStringLiteral("%1, kept from %2 s ago").arg(PwsReplies::ObservationsRequest).arg(ageSecs)
        : PwsReplies::ObservationsRequest;
    return failure;
}

void PwsKeptAnswers::takeObservation(
    const std::optional<Answer>& answer, const LoadFailure& failure, qint64 nowMs)
{
    m_observedAtMs = nowMs;
    observed = Observed::Failed;
    m_observationFailure = failure;
    if (!answer) {
        qCInfo(lcFetch).noquote() << "station-owner service: the current observation did not load:"
                                  << failure.text();
        return;
    }
    if (answer->status == 204) {
        qCInfo(lcFetch) << "station-owner service: no observation in the last hour (204)";
        observed = Observed::Silent;
        return;
    }
    const std::optional<QJsonObject> body = jsonObject(answer->body, &m_observationFailure);
    const QJsonValue first
        = body ? body->value(QLatin1String("observations")).toArray().at(0) : QJsonValue();
    if (!first.isObject()) {
        if (body)
            m_observationFailure = LoadFailure { LoadFailure::RefusedContent,
                QStringLiteral("no observation in the answer") };
        qCInfo(lcFetch).noquote() << "station-owner service: the current observation is unreadable:"
                                  << m_observationFailure.text();
        return;
    }
    observed = Observed::Observation;
    m_observation = first.toObject();
    m_utcOffsetSecs = PwsJson::utcOffsetSecs(m_observation).value_or(m_utcOffsetSecs);
    const std::optional<double> latitude = PwsJson::number(m_observation, QStringLiteral("lat"));
    const std::optional<double> longitude = PwsJson::number(m_observation, QStringLiteral("lon"));
    if (latitude && longitude)
        coordinates = Coordinates { *latitude, *longitude };
    const QList<RainHistory::Record> latest
        = RainHistory::recordsFrom(QJsonArray { m_observation }, m_utcOffsetSecs);
    if (!latest.isEmpty())
        m_rain.add(latest.first());
}

void PwsKeptAnswers::takeHistory(
    const std::optional<Answer>& answer, LoadFailure failure, qint64 nowMs)
{
    if (answer && answer->status == 204)
        failure = LoadFailure { LoadFailure::HttpStatus,
            QStringLiteral("204 (no observation in the last hour)") };
    const std::optional<QJsonObject> body
        = answer && answer->status != 204 ? jsonObject(answer->body, &failure) : std::nullopt;
    if (!body || !body->value(QLatin1String("observations")).isArray()) {
        if (body)
            failure = LoadFailure { LoadFailure::RefusedContent,
                QStringLiteral("no list of observations") };
        qCInfo(lcFetch).noquote() << "station-owner service: the day's records did not load:"
                                  << failure.text();
        return;
    }
    const QJsonArray records = body->value(QLatin1String("observations")).toArray();
    m_rain.addHistory(RainHistory::recordsFrom(records, m_utcOffsetSecs), nowMs / 1000);
    // The trend of the latest record, whatever order the answer lists them in.
    qint64 latestEpoch = -1;
    m_pressureTrend.reset();
    for (const QJsonValue& value : records) {
        const QJsonObject record = value.toObject();
        const qint64 epoch = PwsJson::epoch(record).value_or(-1);
        if (epoch < latestEpoch)
            continue;
        latestEpoch = epoch;
        m_pressureTrend = PwsJson::number(
            record.value(QLatin1String("metric")).toObject(), QStringLiteral("pressureTrend"));
    }
}

bool PwsKeptAnswers::takeForecast(
    const std::optional<Answer>& answer, const LoadFailure& failure, qint64 nowMs)
{
    forecastFailure = failure;
    const std::optional<QJsonObject> body
        = answer ? jsonObject(answer->body, &forecastFailure) : std::nullopt;
    if (!body || !body->value(QLatin1String("current")).isObject()) {
        if (body)
            forecastFailure
                = LoadFailure { LoadFailure::RefusedContent, QStringLiteral("no current values") };
        qCInfo(lcFetch).noquote() << "forecast service: the forecast did not load:"
                                  << forecastFailure.text();
        return false;
    }
    forecast = *body;
    m_forecastAt = coordinates;
    m_forecastAtMs = nowMs;
    return true;
}

PwsObservation::Input PwsKeptAnswers::conditionsInput() const
{
    PwsObservation::Input input;
    input.observation = m_observation;
    input.forecast = forecast;
    input.pressureTrend = m_pressureTrend;
    const QList<RainHistory::Record> latest
        = RainHistory::recordsFrom(QJsonArray { m_observation }, m_utcOffsetSecs);
    if (!latest.isEmpty())
        input.rainLastHour = m_rain.lastHour(latest.first());
    return input;
}
