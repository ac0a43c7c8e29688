#include "PwsSource.h"

#include "Logging.h"
#include "PwsDocuments.h"
#include "PwsReplies.h"
#include "RainHistory.h"
#include "RequestBudget.h"
#include "XmlAnswers.h"

#include <QHash>
#include <QJsonArray>
#include <QUrl>
#include <cmath>

namespace
{

QString encoded(const QString& text)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

QString coordinate(double value)
{
    // Four decimals place the station within about ten metres.
    return encoded(QString::number(value, 'f', 4));
}

const QString ObservationsRequest = QStringLiteral("observations");
const QString ForecastRequest = QStringLiteral("forecast");
const QString NearbyRequest = QStringLiteral("nearby stations");

struct Coordinates {
    double latitude = 0;
    double longitude = 0;

    bool operator==(const Coordinates&) const = default;
};

} // namespace

using PwsReplies::budgetSpent;
using PwsReplies::jsonObject;
using PwsReplies::named;

struct PwsSource::State {
    enum class Observed { Nothing, Failed, Silent, Observation };

    QString apiKey;
    QString station;

    Observed observed = Observed::Nothing;
    qint64 observedAtMs = 0;
    QJsonObject observation;
    std::optional<Coordinates> coordinates;
    int utcOffsetSecs = 0;

    RainHistory rain;
    std::optional<qint64> historyAskedAtMs;
    std::optional<double> pressureTrend;

    std::optional<Coordinates> forecastAt;
    qint64 forecastAtMs = 0;
    QJsonObject forecast;

    QHash<QString, RequestBudget> budgets;

    // Why the kept observation or the last forecast failed; why the last request gave nothing.
    LoadFailure observationFailure;
    LoadFailure forecastFailure;
    LoadFailure lastFailure;
    // Filled by the fetches of the last transport call, one per address, where the transport
    // is the network's own.
    std::vector<LoadFailure> fetchFailures;

    LoadFailure fetchFailure(std::size_t at, bool stationOwner) const
    {
        return PwsReplies::fetchFailure(fetchFailures, at, stationOwner);
    }

    // Why no coordinates came from the station's observation, fetched now or kept.
    LoadFailure whyNoCoordinates(qint64 nowMs) const
    {
        LoadFailure failure;
        switch (observed) {
        case Observed::Failed:
            failure = observationFailure;
            break;
        case Observed::Silent:
            failure = LoadFailure { LoadFailure::NoCoordinates,
                QStringLiteral("no observation in the last hour, HTTP status 204") };
            break;
        case Observed::Nothing:
        case Observed::Observation:
            failure = LoadFailure { LoadFailure::NoCoordinates,
                QStringLiteral("none in the observation") };
            break;
        }
        const qint64 ageSecs = (nowMs - observedAtMs) / 1000;
        failure.request = ageSecs > 0
            ? QStringLiteral("%1, kept from %2 s ago").arg(ObservationsRequest).arg(ageSecs)
            : ObservationsRequest;
        return failure;
    }

    // Another key or station: nothing kept of the last one is valid for it.
    void select(const QString& key, const QString& id)
    {
        if (key == apiKey && id == station)
            return;
        apiKey = key;
        station = id;
        observed = Observed::Nothing;
        observation = QJsonObject();
        coordinates.reset();
        utcOffsetSecs = 0;
        rain.clear();
        historyAskedAtMs.reset();
        pressureTrend.reset();
    }

    bool observationStale(qint64 nowMs) const
    {
        return observed == Observed::Nothing || nowMs - observedAtMs >= ObservationReuseSecs * 1000
            || nowMs < observedAtMs;
    }

    bool forecastFresh(qint64 nowMs) const
    {
        return coordinates && forecastAt == coordinates && nowMs >= forecastAtMs
            && nowMs - forecastAtMs < ForecastReuseSecs * 1000;
    }

    bool historyDue(qint64 nowMs) const
    {
        return rain.needsHistory(nowMs / 1000)
            && (!historyAskedAtMs || nowMs - *historyAskedAtMs >= HistoryRetrySecs * 1000
                || nowMs < *historyAskedAtMs);
    }

    void takeObservation(
        const std::optional<Answer>& answer, const LoadFailure& failure, qint64 nowMs)
    {
        observedAtMs = nowMs;
        observed = Observed::Failed;
        observationFailure = failure;
        if (!answer) {
            qCInfo(lcFetch).noquote()
                << "station-owner service: the current observation did not load:" << failure.text();
            return;
        }
        if (answer->status == 204) {
            qCInfo(lcFetch) << "station-owner service: no observation in the last hour (204)";
            observed = Observed::Silent;
            return;
        }
        const std::optional<QJsonObject> body = jsonObject(answer->body, &observationFailure);
        const QJsonValue first
            = body ? body->value(QLatin1String("observations")).toArray().at(0) : QJsonValue();
        if (!first.isObject()) {
            if (body)
                observationFailure = LoadFailure { LoadFailure::RefusedContent,
                    QStringLiteral("no observation in the answer") };
            qCInfo(lcFetch).noquote()
                << "station-owner service: the current observation is unreadable:"
                << observationFailure.text();
            return;
        }
        observed = Observed::Observation;
        observation = first.toObject();
        utcOffsetSecs = PwsDocuments::utcOffsetSecs(observation).value_or(utcOffsetSecs);
        const std::optional<double> latitude
            = PwsDocuments::number(observation, QStringLiteral("lat"));
        const std::optional<double> longitude
            = PwsDocuments::number(observation, QStringLiteral("lon"));
        if (latitude && longitude)
            coordinates = Coordinates { *latitude, *longitude };
        const QList<RainHistory::Record> latest
            = RainHistory::recordsFrom(QJsonArray { observation }, utcOffsetSecs);
        if (!latest.isEmpty())
            rain.add(latest.first());
    }

    void takeHistory(const std::optional<Answer>& answer, LoadFailure failure, qint64 nowMs)
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
            qCInfo(lcFetch).noquote()
                << "station-owner service: the day's records did not load:" << failure.text();
            return;
        }
        const QJsonArray records = body->value(QLatin1String("observations")).toArray();
        rain.addHistory(RainHistory::recordsFrom(records, utcOffsetSecs), nowMs / 1000);
        // The trend of the latest record, whatever order the answer lists them in.
        qint64 latestEpoch = -1;
        pressureTrend.reset();
        for (const QJsonValue& value : records) {
            const QJsonObject record = value.toObject();
            const qint64 epoch = PwsDocuments::epoch(record).value_or(-1);
            if (epoch < latestEpoch)
                continue;
            latestEpoch = epoch;
            pressureTrend = PwsDocuments::number(
                record.value(QLatin1String("metric")).toObject(), QStringLiteral("pressureTrend"));
        }
    }

    bool takeForecast(const std::optional<Answer>& answer, const LoadFailure& failure, qint64 nowMs)
    {
        forecastFailure = failure;
        const std::optional<QJsonObject> body
            = answer ? jsonObject(answer->body, &forecastFailure) : std::nullopt;
        if (!body || !body->value(QLatin1String("current")).isObject()) {
            if (body)
                forecastFailure = LoadFailure { LoadFailure::RefusedContent,
                    QStringLiteral("no current values") };
            qCInfo(lcFetch).noquote()
                << "forecast service: the forecast did not load:" << forecastFailure.text();
            return false;
        }
        forecast = *body;
        forecastAt = coordinates;
        forecastAtMs = nowMs;
        return true;
    }
};

PwsSource::PwsSource(
    QString stationUrl, QString forecastUrl, FetchLimits limits, Clock clock, Transport transport)
    : m_stationUrl(std::move(stationUrl))
    , m_forecastUrl(std::move(forecastUrl))
    , m_clock(std::move(clock))
    , m_transport(std::move(transport))
    , m_state(std::make_unique<State>())
{
    if (!m_transport)
        m_transport = [limits, state = m_state.get()](const std::vector<QByteArray>& urls) {
            return ParallelFetch::getAll(urls, limits, &state->fetchFailures);
        };
}

PwsSource::~PwsSource() = default;

std::optional<QDomDocument> PwsSource::requestDocument(
    RequestKind kind, const QString& apiKey, const QString& station) const
{
    m_state->lastFailure = LoadFailure();
    switch (kind) {
    case Conditions:
        return conditionsDocument(apiKey, station);
    case Hourly:
        return hourlyDocument(apiKey, station);
    case Geolookup:
        return nearbyDocument(apiKey, station);
    }
    return std::nullopt;
}

std::optional<Observation> PwsSource::conditions(
    const QString& apiKey, const QString& station) const
{
    const std::optional<QDomDocument> document = requestDocument(Conditions, apiKey, station);
    return document ? std::optional(XmlAnswers::observation(*document)) : std::nullopt;
}

std::optional<HourlyAnswer> PwsSource::hourly(const QString& apiKey, const QString& station) const
{
    const std::optional<QDomDocument> document = requestDocument(Hourly, apiKey, station);
    return document ? std::optional(XmlAnswers::hourly(*document)) : std::nullopt;
}

std::optional<StationList> PwsSource::nearbyStations(
    const QString& apiKey, const QString& station) const
{
    const std::optional<QDomDocument> document = requestDocument(Geolookup, apiKey, station);
    return document ? std::optional(XmlAnswers::stations(*document)) : std::nullopt;
}

QString PwsSource::currentObservationUrl(const QString& apiKey, const QString& station) const
{
    return m_stationUrl + QLatin1String("/v2/pws/observations/current?stationId=")
        + encoded(station) + QLatin1String("&format=json&units=m&numericPrecision=decimal&apiKey=")
        + encoded(apiKey);
}

QString PwsSource::dayRecordsUrl(const QString& apiKey, const QString& station) const
{
    return m_stationUrl + QLatin1String("/v2/pws/observations/all/1day?stationId=")
        + encoded(station) + QLatin1String("&format=json&units=m&numericPrecision=decimal&apiKey=")
        + encoded(apiKey);
}

QString PwsSource::forecastUrl(double latitude, double longitude) const
{
    return m_forecastUrl + QLatin1String("/v1/forecast?latitude=") + coordinate(latitude)
        + QLatin1String("&longitude=") + coordinate(longitude)
        + QLatin1String("&current=weather_code,visibility,cloud_cover"
                        "&hourly=temperature_2m,dew_point_2m,relative_humidity_2m,weather_code,"
                        "wind_speed_10m&forecast_hours=12&timezone=auto");
}

QString PwsSource::nearbyStationsUrl(const QString& apiKey, double latitude, double longitude) const
{
    return m_stationUrl + QLatin1String("/v3/location/near?geocode=") + coordinate(latitude)
        + QLatin1Char(',') + coordinate(longitude)
        + QLatin1String("&product=pws&format=json&apiKey=") + encoded(apiKey);
}

int PwsSource::stationRequestsInLastDay(const QString& apiKey) const
{
    const auto budget = m_state->budgets.constFind(apiKey);
    return budget == m_state->budgets.constEnd()
        ? 0
        : budget->usedInLastDay(m_clock().toMSecsSinceEpoch());
}

LoadFailure PwsSource::lastFailure() const
{
    return m_state->lastFailure;
}

std::vector<std::optional<PwsSource::Answer>> PwsSource::fetchAll(
    const std::vector<QByteArray>& urls) const
{
    m_state->fetchFailures.clear();
    return m_transport(urls);
}

std::optional<PwsSource::Answer> PwsSource::fetchOne(const QString& url) const
{
    const std::vector<std::optional<Answer>> answers = fetchAll({ url.toUtf8() });
    return answers.empty() ? std::nullopt : answers.front();
}

std::optional<QDomDocument> PwsSource::conditionsDocument(
    const QString& apiKey, const QString& station) const
{
    State& s = *m_state;
    const QDateTime now = m_clock();
    const qint64 nowMs = now.toMSecsSinceEpoch();
    s.select(apiKey, station);
    RequestBudget& budget = s.budgets[apiKey];

    std::vector<QByteArray> urls;
    int observationAt = -1;
    int historyAt = -1;
    int forecastAt = -1;
    if (s.observationStale(nowMs)) {
        if (!budget.take(nowMs)) {
            s.lastFailure = budgetSpent(budget, nowMs, ObservationsRequest);
            qCWarning(lcFetch).noquote()
                << "station-owner service: the key's request budget is spent ("
                    + s.lastFailure.detail + QLatin1Char(')');
            return std::nullopt;
        }
        observationAt = static_cast<int>(urls.size());
        urls.push_back(currentObservationUrl(apiKey, station).toUtf8());
    }
    if (s.historyDue(nowMs)) {
        s.historyAskedAtMs = nowMs;
        if (budget.take(nowMs)) {
            historyAt = static_cast<int>(urls.size());
            urls.push_back(dayRecordsUrl(apiKey, station).toUtf8());
        } else {
            qCInfo(lcFetch).noquote() << "station-owner service: the day's records not asked for:"
                                      << budgetSpent(budget, nowMs, QString()).text();
        }
    }
    if (s.coordinates && !s.forecastFresh(nowMs)) {
        forecastAt = static_cast<int>(urls.size());
        urls.push_back(forecastUrl(s.coordinates->latitude, s.coordinates->longitude).toUtf8());
    }

    const std::vector<std::optional<Answer>> answers
        = urls.empty() ? std::vector<std::optional<Answer>>() : fetchAll(urls);
    const auto answerAt = [&answers](int i) {
        return i >= 0 && i < static_cast<int>(answers.size()) ? answers[i] : std::nullopt;
    };
    if (observationAt >= 0)
        s.takeObservation(
            answerAt(observationAt), s.fetchFailure(std::size_t(observationAt), true), nowMs);
    if (historyAt >= 0)
        s.takeHistory(answerAt(historyAt), s.fetchFailure(std::size_t(historyAt), true), nowMs);
    bool forecastLoaded = forecastAt < 0
        || s.takeForecast(
            answerAt(forecastAt), s.fetchFailure(std::size_t(forecastAt), false), nowMs);

    if (s.observed == State::Observed::Silent)
        return PwsDocuments::errorAnswer(
            QStringLiteral("station_offline"), QStringLiteral("no observation in the last hour"));
    if (s.observed != State::Observed::Observation || !s.coordinates) {
        s.lastFailure = s.whyNoCoordinates(nowMs);
        return std::nullopt;
    }
    // The first poll of a station learns its coordinates from the observation itself.
    if (forecastLoaded && !s.forecastFresh(nowMs)) {
        const std::optional<Answer> answer
            = fetchOne(forecastUrl(s.coordinates->latitude, s.coordinates->longitude));
        forecastLoaded = s.takeForecast(answer, s.fetchFailure(0, false), nowMs);
    }
    // A station with no sky judgement is not safe: the load fails.
    if (!forecastLoaded) {
        s.lastFailure = named(s.forecastFailure, ForecastRequest);
        return std::nullopt;
    }

    PwsDocuments::ConditionsInput input;
    input.observation = s.observation;
    input.forecast = s.forecast;
    input.pressureTrend = s.pressureTrend;
    const QList<RainHistory::Record> latest
        = RainHistory::recordsFrom(QJsonArray { s.observation }, s.utcOffsetSecs);
    if (!latest.isEmpty())
        input.rainLastHour = s.rain.lastHour(latest.first());
    return PwsDocuments::conditions(input);
}

std::optional<QDomDocument> PwsSource::hourlyDocument(
    const QString& apiKey, const QString& station) const
{
    State& s = *m_state;
    const QDateTime now = m_clock();
    const qint64 nowMs = now.toMSecsSinceEpoch();
    s.select(apiKey, station);

    if (!s.coordinates && s.observationStale(nowMs)) {
        RequestBudget& budget = s.budgets[apiKey];
        if (!budget.take(nowMs)) {
            s.lastFailure = budgetSpent(budget, nowMs, ObservationsRequest);
            return std::nullopt;
        }
        const std::optional<Answer> answer = fetchOne(currentObservationUrl(apiKey, station));
        s.takeObservation(answer, s.fetchFailure(0, true), nowMs);
    }
    if (!s.coordinates) {
        if (s.observed == State::Observed::Silent)
            return PwsDocuments::errorAnswer(QStringLiteral("station_offline"),
                QStringLiteral("no observation in the last hour"));
        s.lastFailure = s.whyNoCoordinates(nowMs);
        return std::nullopt;
    }
    if (!s.forecastFresh(nowMs)) {
        const std::optional<Answer> answer
            = fetchOne(forecastUrl(s.coordinates->latitude, s.coordinates->longitude));
        if (!s.takeForecast(answer, s.fetchFailure(0, false), nowMs)) {
            s.lastFailure = named(s.forecastFailure, ForecastRequest);
            return std::nullopt;
        }
    }
    return PwsDocuments::hourly(s.forecast, now);
}

std::optional<QDomDocument> PwsSource::nearbyDocument(
    const QString& apiKey, const QString& station) const
{
    State& s = *m_state;
    // Searched around the station shown; with none, there is nothing to search around. The
    // reason is kept for the log beside the empty list.
    if (station.isEmpty()) {
        s.lastFailure = LoadFailure { LoadFailure::NoCoordinates,
            QStringLiteral("no station shown to search around") };
        return PwsDocuments::stations({});
    }
    const qint64 nowMs = m_clock().toMSecsSinceEpoch();
    s.select(apiKey, station);
    RequestBudget& budget = s.budgets[apiKey];

    if (!s.coordinates && s.observationStale(nowMs)) {
        if (!budget.take(nowMs)) {
            s.lastFailure = budgetSpent(budget, nowMs, ObservationsRequest);
            return std::nullopt;
        }
        const std::optional<Answer> answer = fetchOne(currentObservationUrl(apiKey, station));
        s.takeObservation(answer, s.fetchFailure(0, true), nowMs);
    }
    if (!s.coordinates) {
        s.lastFailure = s.whyNoCoordinates(nowMs);
        return PwsDocuments::stations({});
    }
    if (!budget.take(nowMs)) {
        s.lastFailure = budgetSpent(budget, nowMs, NearbyRequest);
        qCWarning(lcFetch).noquote() << "station-owner service: the key's request budget is spent ("
                + s.lastFailure.detail + QLatin1Char(')');
        return std::nullopt;
    }
    const std::optional<Answer> answer
        = fetchOne(nearbyStationsUrl(apiKey, s.coordinates->latitude, s.coordinates->longitude));
    LoadFailure failure = s.fetchFailure(0, true);
    const std::optional<QJsonObject> body
        = answer ? jsonObject(answer->body, &failure) : std::nullopt;
    if (!body) {
        s.lastFailure = named(failure, NearbyRequest);
        return std::nullopt;
    }
    QStringList ids;
    const QJsonArray found = body->value(QLatin1String("location"))
                                 .toObject()
                                 .value(QLatin1String("stationId"))
                                 .toArray();
    for (const QJsonValue& id : found)
        if (id.isString() && !id.toString().isEmpty())
            ids.append(id.toString());
    if (ids.isEmpty() && !body->value(QLatin1String("location")).isObject())
        s.lastFailure = LoadFailure { LoadFailure::RefusedContent,
            QStringLiteral("no location in the answer"), NearbyRequest };
    return PwsDocuments::stations(ids);
}
