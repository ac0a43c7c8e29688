#include "PwsSource.h"

#include "Logging.h"
#include "PwsDocuments.h"
#include "RainHistory.h"
#include "RequestBudget.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
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

std::optional<QJsonObject> jsonObject(const QByteArray& body)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

struct Coordinates {
    double latitude = 0;
    double longitude = 0;

    bool operator==(const Coordinates&) const = default;
};

} // namespace

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

    void takeObservation(const std::optional<Answer>& answer, qint64 nowMs)
    {
        observedAtMs = nowMs;
        observed = Observed::Failed;
        if (!answer) {
            qCInfo(lcFetch) << "station-owner service: the current observation did not load";
            return;
        }
        if (answer->status == 204) {
            qCInfo(lcFetch) << "station-owner service: no observation in the last hour (204)";
            observed = Observed::Silent;
            return;
        }
        const std::optional<QJsonObject> body = jsonObject(answer->body);
        const QJsonValue first
            = body ? body->value(QLatin1String("observations")).toArray().at(0) : QJsonValue();
        if (!first.isObject()) {
            qCInfo(lcFetch) << "station-owner service: the current observation is unreadable";
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

    void takeHistory(const std::optional<Answer>& answer, qint64 nowMs)
    {
        const std::optional<QJsonObject> body
            = answer && answer->status != 204 ? jsonObject(answer->body) : std::nullopt;
        if (!body || !body->value(QLatin1String("observations")).isArray()) {
            qCInfo(lcFetch) << "station-owner service: the day's records did not load";
            return;
        }
        const QJsonArray records = body->value(QLatin1String("observations")).toArray();
        rain.addHistory(RainHistory::recordsFrom(records, utcOffsetSecs), nowMs / 1000);
        // The trend of the latest record, whatever order the answer lists them in.
        qint64 latestEpoch = -1;
        pressureTrend.reset();
        for (const QJsonValue& value : records) {
            const QJsonObject record = value.toObject();
            const qint64 epoch = static_cast<qint64>(
                PwsDocuments::number(record, QStringLiteral("epoch")).value_or(-1));
            if (epoch < latestEpoch)
                continue;
            latestEpoch = epoch;
            pressureTrend = PwsDocuments::number(
                record.value(QLatin1String("metric")).toObject(), QStringLiteral("pressureTrend"));
        }
    }

    bool takeForecast(const std::optional<Answer>& answer, qint64 nowMs)
    {
        const std::optional<QJsonObject> body = answer ? jsonObject(answer->body) : std::nullopt;
        if (!body || !body->value(QLatin1String("current")).isObject()) {
            qCInfo(lcFetch) << "forecast service: the forecast did not load";
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
        m_transport = [limits](const std::vector<QByteArray>& urls) {
            return ParallelFetch::getAll(urls, limits);
        };
}

PwsSource::~PwsSource() = default;

std::optional<QDomDocument> PwsSource::requestDocument(
    RequestKind kind, const QString& apiKey, const QString& station) const
{
    switch (kind) {
    case Conditions:
        return conditions(apiKey, station);
    case Hourly:
        return hourly(apiKey, station);
    case Geolookup:
        return nearbyStations(apiKey, station);
    }
    return std::nullopt;
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

std::optional<PwsSource::Answer> PwsSource::fetchOne(const QString& url) const
{
    const std::vector<std::optional<Answer>> answers = m_transport({ url.toUtf8() });
    return answers.empty() ? std::nullopt : answers.front();
}

std::optional<QDomDocument> PwsSource::conditions(
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
            qCWarning(lcFetch) << "station-owner service: the key's request budget is spent";
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
        }
    }
    if (s.coordinates && !s.forecastFresh(nowMs)) {
        forecastAt = static_cast<int>(urls.size());
        urls.push_back(forecastUrl(s.coordinates->latitude, s.coordinates->longitude).toUtf8());
    }

    const std::vector<std::optional<Answer>> answers
        = urls.empty() ? std::vector<std::optional<Answer>>() : m_transport(urls);
    const auto answerAt = [&answers](int i) {
        return i >= 0 && i < static_cast<int>(answers.size()) ? answers[i] : std::nullopt;
    };
    if (observationAt >= 0)
        s.takeObservation(answerAt(observationAt), nowMs);
    if (historyAt >= 0)
        s.takeHistory(answerAt(historyAt), nowMs);
    bool forecastLoaded = forecastAt < 0 || s.takeForecast(answerAt(forecastAt), nowMs);

    if (s.observed == State::Observed::Silent)
        return PwsDocuments::errorAnswer(
            QStringLiteral("station_offline"), QStringLiteral("no observation in the last hour"));
    if (s.observed != State::Observed::Observation || !s.coordinates)
        return std::nullopt;
    // The first poll of a station learns its coordinates from the observation itself.
    if (forecastLoaded && !s.forecastFresh(nowMs))
        forecastLoaded = s.takeForecast(
            fetchOne(forecastUrl(s.coordinates->latitude, s.coordinates->longitude)), nowMs);
    // A station with no sky judgement is not safe: the load fails.
    if (!forecastLoaded)
        return std::nullopt;

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

std::optional<QDomDocument> PwsSource::hourly(const QString& apiKey, const QString& station) const
{
    State& s = *m_state;
    const QDateTime now = m_clock();
    const qint64 nowMs = now.toMSecsSinceEpoch();
    s.select(apiKey, station);

    if (!s.coordinates && s.observationStale(nowMs)) {
        if (!s.budgets[apiKey].take(nowMs))
            return std::nullopt;
        s.takeObservation(fetchOne(currentObservationUrl(apiKey, station)), nowMs);
    }
    if (!s.coordinates) {
        if (s.observed == State::Observed::Silent)
            return PwsDocuments::errorAnswer(QStringLiteral("station_offline"),
                QStringLiteral("no observation in the last hour"));
        return std::nullopt;
    }
    if (!s.forecastFresh(nowMs)
        && !s.takeForecast(
            fetchOne(forecastUrl(s.coordinates->latitude, s.coordinates->longitude)), nowMs))
        return std::nullopt;
    return PwsDocuments::hourly(s.forecast, now);
}

std::optional<QDomDocument> PwsSource::nearbyStations(
    const QString& apiKey, const QString& station) const
{
    // Searched around the station shown; with none, there is nothing to search around.
    if (station.isEmpty())
        return PwsDocuments::stations({});
    State& s = *m_state;
    const qint64 nowMs = m_clock().toMSecsSinceEpoch();
    s.select(apiKey, station);
    RequestBudget& budget = s.budgets[apiKey];

    if (!s.coordinates && s.observationStale(nowMs)) {
        if (!budget.take(nowMs))
            return std::nullopt;
        s.takeObservation(fetchOne(currentObservationUrl(apiKey, station)), nowMs);
    }
    if (!s.coordinates)
        return PwsDocuments::stations({});
    if (!budget.take(nowMs)) {
        qCWarning(lcFetch) << "station-owner service: the key's request budget is spent";
        return std::nullopt;
    }
    const std::optional<Answer> answer
        = fetchOne(nearbyStationsUrl(apiKey, s.coordinates->latitude, s.coordinates->longitude));
    const std::optional<QJsonObject> body = answer ? jsonObject(answer->body) : std::nullopt;
    if (!body)
        return std::nullopt;
    QStringList ids;
    const QJsonArray found = body->value(QLatin1String("location"))
                                 .toObject()
                                 .value(QLatin1String("stationId"))
                                 .toArray();
    for (const QJsonValue& id : found)
        if (id.isString() && !id.toString().isEmpty())
            ids.append(id.toString());
    return PwsDocuments::stations(ids);
}
