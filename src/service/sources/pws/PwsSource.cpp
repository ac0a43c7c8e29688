#include "PwsSource.h"

#include "Logging.h"
#include "PwsHourly.h"
#include "PwsJson.h"
#include "PwsObservation.h"
#include "PwsReplies.h"

#include <QJsonArray>
#include <QUrl>

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

const QString ForecastRequest = QStringLiteral("forecast");

// A station that sent nothing in the last hour answers as the XML service did, with its error
// type after the description.
const QString StationOffline = QStringLiteral("no observation in the last hour (station_offline)");

void warnBudgetSpent(const LoadFailure& failure)
{
    qCWarning(lcFetch).noquote() << "station-owner service: the key's request budget is spent ("
            + failure.detail + QLatin1Char(')');
}

} // namespace

using PwsReplies::budgetSpent;
using PwsReplies::jsonObject;
using PwsReplies::named;
using PwsReplies::NearbyRequest;
using PwsReplies::ObservationsRequest;
using Observed = PwsKeptAnswers::Observed;

struct PwsSource::State {
    PwsKeptAnswers kept;
    // Why the last request gave nothing.
    LoadFailure lastFailure;
    // Filled by the fetches of the last transport call, one per address, where the transport
    // is the network's own.
    std::vector<LoadFailure> fetchFailures;

    LoadFailure fetchFailure(std::size_t at, bool stationOwner) const
    {
        return PwsReplies::fetchFailure(fetchFailures, at, stationOwner);
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
    const auto budget = m_state->kept.budgets.constFind(apiKey);
    return budget == m_state->kept.budgets.constEnd()
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

bool PwsSource::fetchForConditions(
    const QString& apiKey, const QString& station, qint64 nowMs, bool* forecastLoaded) const
{
    State& s = *m_state;
    PwsKeptAnswers& kept = s.kept;
    RequestBudget& budget = kept.budgets[apiKey];
    std::vector<QByteArray> urls;
    int observationAt = -1;
    int historyAt = -1;
    int forecastAt = -1;
    if (kept.observationStale(nowMs)) {
        if (!budget.take(nowMs)) {
            s.lastFailure = budgetSpent(budget, nowMs, ObservationsRequest);
            warnBudgetSpent(s.lastFailure);
            return false;
        }
        observationAt = static_cast<int>(urls.size());
        urls.push_back(currentObservationUrl(apiKey, station).toUtf8());
    }
    if (kept.historyDue(nowMs)) {
        kept.historyAskedAtMs = nowMs;
        if (budget.take(nowMs)) {
            historyAt = static_cast<int>(urls.size());
            urls.push_back(dayRecordsUrl(apiKey, station).toUtf8());
        } else {
            qCInfo(lcFetch).noquote() << "station-owner service: the day's records not asked for:"
                                      << budgetSpent(budget, nowMs, QString()).text();
        }
    }
    if (kept.coordinates && !kept.forecastFresh(nowMs)) {
        forecastAt = static_cast<int>(urls.size());
        urls.push_back(
            forecastUrl(kept.coordinates->latitude, kept.coordinates->longitude).toUtf8());
    }

    const std::vector<std::optional<Answer>> answers
        = urls.empty() ? std::vector<std::optional<Answer>>() : fetchAll(urls);
    const auto answerAt = [&answers](int i) {
        return i >= 0 && i < static_cast<int>(answers.size()) ? answers[i] : std::nullopt;
    };
    if (observationAt >= 0)
        kept.takeObservation(
            answerAt(observationAt), s.fetchFailure(std::size_t(observationAt), true), nowMs);
    if (historyAt >= 0)
        kept.takeHistory(answerAt(historyAt), s.fetchFailure(std::size_t(historyAt), true), nowMs);
    *forecastLoaded = forecastAt < 0
        || kept.takeForecast(
            answerAt(forecastAt), s.fetchFailure(std::size_t(forecastAt), false), nowMs);
    return true;
}

bool PwsSource::placeStation(const QString& apiKey, const QString& station, qint64 nowMs) const
{
    PwsKeptAnswers& kept = m_state->kept;
    if (kept.coordinates || !kept.observationStale(nowMs))
        return true;
    RequestBudget& budget = kept.budgets[apiKey];
    if (!budget.take(nowMs)) {
        m_state->lastFailure = budgetSpent(budget, nowMs, ObservationsRequest);
        return false;
    }
    const std::optional<Answer> answer = fetchOne(currentObservationUrl(apiKey, station));
    kept.takeObservation(answer, m_state->fetchFailure(0, true), nowMs);
    return true;
}

bool PwsSource::fetchForecast(qint64 nowMs) const
{
    PwsKeptAnswers& kept = m_state->kept;
    const std::optional<Answer> answer
        = fetchOne(forecastUrl(kept.coordinates->latitude, kept.coordinates->longitude));
    return kept.takeForecast(answer, m_state->fetchFailure(0, false), nowMs);
}

std::optional<Observation> PwsSource::conditions(
    const QString& apiKey, const QString& station) const
{
    State& s = *m_state;
    PwsKeptAnswers& kept = s.kept;
    s.lastFailure = LoadFailure();
    const qint64 nowMs = m_clock().toMSecsSinceEpoch();
    kept.select(apiKey, station);

    bool forecastLoaded = false;
    if (!fetchForConditions(apiKey, station, nowMs, &forecastLoaded))
        return std::nullopt;
    if (kept.observed == Observed::Silent) {
        Observation silent;
        silent.endWithError(StationOffline);
        return silent;
    }
    if (kept.observed != Observed::Observation || !kept.coordinates) {
        s.lastFailure = kept.whyNoCoordinates(nowMs);
        return std::nullopt;
    }
    // The first poll of a station learns its coordinates from the observation itself.
    if (forecastLoaded && !kept.forecastFresh(nowMs))
        forecastLoaded = fetchForecast(nowMs);
    // A station with no sky judgement is not safe: the load fails.
    if (!forecastLoaded) {
        s.lastFailure = named(kept.forecastFailure, ForecastRequest);
        return std::nullopt;
    }
    return PwsObservation::fromJson(kept.conditionsInput());
}

std::optional<HourlyAnswer> PwsSource::hourly(const QString& apiKey, const QString& station) const
{
    State& s = *m_state;
    PwsKeptAnswers& kept = s.kept;
    s.lastFailure = LoadFailure();
    const QDateTime now = m_clock();
    const qint64 nowMs = now.toMSecsSinceEpoch();
    kept.select(apiKey, station);

    if (!placeStation(apiKey, station, nowMs))
        return std::nullopt;
    if (!kept.coordinates) {
        if (kept.observed == Observed::Silent) {
            HourlyAnswer silent;
            silent.errorAnswer = true;
            silent.errorDescription = StationOffline;
            return silent;
        }
        s.lastFailure = kept.whyNoCoordinates(nowMs);
        return std::nullopt;
    }
    if (!kept.forecastFresh(nowMs) && !fetchForecast(nowMs)) {
        s.lastFailure = named(kept.forecastFailure, ForecastRequest);
        return std::nullopt;
    }
    return PwsHourly::fromJson(kept.forecast, now);
}

std::optional<StationList> PwsSource::nearbyStations(
    const QString& apiKey, const QString& station) const
{
    State& s = *m_state;
    PwsKeptAnswers& kept = s.kept;
    s.lastFailure = LoadFailure();
    // Searched around the station shown; with none, there is nothing to search around. The
    // reason is kept for the log beside the empty list.
    if (station.isEmpty()) {
        s.lastFailure = LoadFailure { LoadFailure::NoCoordinates,
            QStringLiteral("no station shown to search around") };
        return StationList();
    }
    const qint64 nowMs = m_clock().toMSecsSinceEpoch();
    kept.select(apiKey, station);

    if (!placeStation(apiKey, station, nowMs))
        return std::nullopt;
    if (!kept.coordinates) {
        s.lastFailure = kept.whyNoCoordinates(nowMs);
        return StationList();
    }
    RequestBudget& budget = kept.budgets[apiKey];
    if (!budget.take(nowMs)) {
        s.lastFailure = budgetSpent(budget, nowMs, NearbyRequest);
        warnBudgetSpent(s.lastFailure);
        return std::nullopt;
    }
    const std::optional<Answer> answer = fetchOne(
        nearbyStationsUrl(apiKey, kept.coordinates->latitude, kept.coordinates->longitude));
    LoadFailure failure = s.fetchFailure(0, true);
    const std::optional<QJsonObject> body
        = answer ? jsonObject(answer->body, &failure) : std::nullopt;
    if (!body) {
        s.lastFailure = named(failure, NearbyRequest);
        return std::nullopt;
    }
    StationList list;
    const QJsonObject location = body->value(QLatin1String("location")).toObject();
    for (const QJsonValue& id : location.value(QLatin1String("stationId")).toArray())
        if (id.isString() && !id.toString().isEmpty())
            list.ids.append(id.toString());
    if (list.ids.isEmpty() && !body->value(QLatin1String("location")).isObject())
        s.lastFailure = LoadFailure { LoadFailure::RefusedContent,
            QStringLiteral("no location in the answer"), NearbyRequest };
    return list;
}
