#include "StatusPage.h"

#include "ExportSpan.h"
#include "HistoryCsv.h"
#include "HistoryRecords.h"
#include "SnapshotBoard.h"
#include "StatusBoard.h"
#include "StatusGraphs.h"
#include "StatusHtml.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace
{

constexpr qint64 HourMs = 3600 * 1000;
constexpr int DefaultHours = 24;

AlpacaReply reply(int status, const QByteArray& body, const char* type)
{
    return { status, type, body.toStdString() };
}

AlpacaReply json(const QJsonObject& object, int status = 200)
{
    return reply(status, QJsonDocument(object).toJson(QJsonDocument::Compact),
        "application/json; charset=utf-8");
}

AlpacaReply badRequest(const QString& message)
{
    return json(QJsonObject { { QStringLiteral("error"), message } }, 400);
}

// The "hours" parameter: absent gives the default; 0 where it is not a whole number above 0.
int hoursParameter(const std::multimap<std::string, std::string>& query)
{
    const auto found = query.find("hours");
    if (found == query.end())
        return DefaultHours;
    bool ok = false;
    const int hours = QString::fromStdString(found->second).toInt(&ok);
    return ok && hours > 0 ? hours : 0;
}

void put(QJsonObject& object, const char* name, const std::optional<double>& value)
{
    object.insert(QLatin1String(name), value ? QJsonValue(*value) : QJsonValue());
}

QJsonObject values(const ConditionsReadings& r)
{
    QJsonObject out;
    put(out, "temperature", r.temperature);
    put(out, "humidity", r.humidity);
    put(out, "dewpoint", r.dewpoint);
    put(out, "windKph", r.windKph);
    put(out, "gustKph", r.gustKph);
    put(out, "windDegrees", r.windDegrees);
    put(out, "pressureHpa", r.pressureHpa);
    put(out, "stationPressureHpa", r.stationPressureHpa);
    put(out, "rain1hMm", r.rain1hMm);
    put(out, "rainTodayMm", r.rainTodayMm);
    put(out, "cloudCover", r.cloudCover);
    put(out, "visibilityKm", r.visibilityKm);
    out.insert(QStringLiteral("windDir"), r.windDirText);
    out.insert(QStringLiteral("sky"), r.sky);
    out.insert(QStringLiteral("skyCode"), r.cloudCondition);
    return out;
}

QString outcomeName(ConditionsReadings::Outcome outcome)
{
    switch (outcome) {
    case ConditionsReadings::Outcome::Failed:
        return QStringLiteral("failed");
    case ConditionsReadings::Outcome::ErrorAnswer:
        return QStringLiteral("error");
    case ConditionsReadings::Outcome::Complete:
        return QStringLiteral("complete");
    case ConditionsReadings::Outcome::NotRun:
        break;
    }
    return QStringLiteral("none");
}

QString version(const DeviceSnapshot& snapshot, const StatusView& view, qint64 nowMs)
{
    const SafetyVerdict verdict = snapshot.safety.verdict(nowMs);
    return QStringLiteral("%1/%2/%3/%4")
        .arg(snapshot.pollTimeMs)
        .arg(view.revision)
        .arg(verdict.safe ? 1 : 0)
        .arg(verdict.reason);
}

} // namespace

StatusPage::StatusPage(
    const SnapshotBoard& devices, const StatusBoard& view, const HistoryReader* history)
    : m_devices(devices)
    , m_view(view)
    , m_history(history)
{
}

bool StatusPage::handles(const std::string& path)
{
    return path == "/" || path.rfind("/nubora/", 0) == 0;
}

AlpacaReply StatusPage::answer(const std::string& method, const std::string& path,
    const std::multimap<std::string, std::string>& query, std::string* warning) const
{
    if (method != "GET" && method != "HEAD")
        return reply(405, "Solo se admite GET\n", "text/plain; charset=utf-8");
    if (path == "/nubora/v1/state")
        return state();
    if (path == "/nubora/v1/history.csv")
        return csv(query, warning);
    const int hours = hoursParameter(query);
    if (path == "/" || path == "/nubora/v1/parts" || path == "/nubora/v1/history") {
        if (hours == 0)
            return badRequest(QStringLiteral("hours: un número entero de horas mayor que 0"));
        if (path == "/")
            return cached(path, hours, [this, hours] { return page(std::min(hours, MaxHours)); });
        if (path == "/nubora/v1/parts")
            return cached(path, hours, [this, hours] { return parts(std::min(hours, MaxHours)); });
        return cached(path, hours, [this, hours] { return history(hours); });
    }
    return reply(404, "No existe\n", "text/plain; charset=utf-8");
}

AlpacaReply StatusPage::cached(
    const std::string& path, int hours, const std::function<AlpacaReply()>& render) const
{
    const qint64 now = m_devices.now();
    const QString stamp = version(*m_devices.current(), *m_view.current(), now) + u'/'
        + QString::number(now / 60000);
    const std::pair key { path, hours };
    {
        const std::lock_guard lock(m_cacheMutex);
        const auto found = m_cache.find(key);
        if (found != m_cache.end() && found->second.first == stamp)
            return found->second.second;
    }
    AlpacaReply reply = render();
    const std::lock_guard lock(m_cacheMutex);
    m_cache[key] = { stamp, reply };
    return reply;
}

QString StatusPage::graphs(int hours) const
{
    const qint64 now = m_devices.now();
    const qint64 from = now - hours * HourMs;
    const auto view = m_view.current();
    const QList<PollRecord> polls = m_history ? m_history->polls(from, now) : QList<PollRecord>();
    return StatusGraphs(polls, from, now, { view->humidityLimit, view->windLimit }).html();
}

AlpacaReply StatusPage::page(int hours) const
{
    const auto snapshot = m_devices.current();
    const auto view = m_view.current();
    const QString html = StatusHtml::document(StatusHtml::safety(*snapshot, m_devices.now()),
        StatusHtml::current(*view), StatusHtml::forecast(*view), graphs(hours), hours);
    return reply(200, html.toUtf8(), "text/html; charset=utf-8");
}

AlpacaReply StatusPage::parts(int hours) const
{
    const auto snapshot = m_devices.current();
    const auto view = m_view.current();
    const qint64 now = m_devices.now();
    return json({ { QStringLiteral("key"), version(*snapshot, *view, now) },
        { QStringLiteral("safety"), StatusHtml::safety(*snapshot, now) },
        { QStringLiteral("current"), StatusHtml::current(*view) },
        { QStringLiteral("forecast"), StatusHtml::forecast(*view) },
        { QStringLiteral("graphs"), graphs(hours) } });
}

AlpacaReply StatusPage::state() const
{
    const auto snapshot = m_devices.current();
    const auto view = m_view.current();
    const qint64 now = m_devices.now();
    const SafetyVerdict verdict = snapshot->safety.verdict(now);
    const ConditionsReadings& last = snapshot->last;
    QJsonObject out { { QStringLiteral("version"), version(*snapshot, *view, now) },
        { QStringLiteral("nowMs"), now }, { QStringLiteral("safe"), verdict.safe },
        { QStringLiteral("reason"), verdict.reason },
        { QStringLiteral("safeAtMs"),
            verdict.safeAtMs ? QJsonValue(*verdict.safeAtMs) : QJsonValue() },
        { QStringLiteral("polled"), snapshot->polled },
        { QStringLiteral("pollTimeMs"),
            snapshot->polled ? QJsonValue(snapshot->pollTimeMs) : QJsonValue() },
        { QStringLiteral("outcome"), outcomeName(last.outcome) },
        { QStringLiteral("pollSafe"), last.safe }, { QStringLiteral("reasons"), last.reasons },
        { QStringLiteral("source"), last.source }, { QStringLiteral("station"), last.station },
        { QStringLiteral("observationTimeMs"),
            last.observationTimeMs ? QJsonValue(*last.observationTimeMs) : QJsonValue() },
        { QStringLiteral("values"), values(last) },
        { QStringLiteral("forecastShown"), view->forecastShown } };
    QJsonObject limits;
    put(limits, "humidity", view->humidityLimit);
    put(limits, "windKph", view->windLimit);
    out.insert(QStringLiteral("limits"), limits);
    return json(out);
}

AlpacaReply StatusPage::history(int hours) const
{
    const bool capped = hours > MaxHours;
    hours = std::min(hours, MaxHours);
    const qint64 now = m_devices.now();
    const qint64 from = now - hours * HourMs;
    QJsonArray polls;
    for (const PollRecord& poll : m_history ? m_history->polls(from, now) : QList<PollRecord>())
        polls.append(QJsonObject { { QStringLiteral("timeMs"), poll.timeMs },
            { QStringLiteral("outcome"), outcomeName(poll.readings.outcome) },
            { QStringLiteral("log"), poll.outcome }, { QStringLiteral("safe"), poll.readings.safe },
            { QStringLiteral("reasons"), poll.readings.reasons },
            { QStringLiteral("brokenLimits"), QJsonArray::fromStringList(poll.brokenLimits) },
            { QStringLiteral("values"), values(poll.readings) } });
    QJsonObject out { { QStringLiteral("fromMs"), from }, { QStringLiteral("toMs"), now },
        { QStringLiteral("hours"), hours }, { QStringLiteral("capped"), capped },
        { QStringLiteral("archive"), m_history != nullptr }, { QStringLiteral("polls"), polls } };
    if (capped)
        out.insert(QStringLiteral("note"),
            QStringLiteral("Limitado a las últimas %1 horas").arg(MaxHours));
    return json(out);
}

AlpacaReply StatusPage::csv(
    const std::multimap<std::string, std::string>& query, std::string* warning) const
{
    // The span as --export-history reads it: FROM, then TO; without them the last 24 hours.
    QStringList arguments;
    const auto from = query.find("from");
    const auto to = query.find("to");
    if (to != query.end() && from == query.end())
        return badRequest(QStringLiteral("to: sólo junto con from"));
    if (from != query.end())
        arguments << QString::fromStdString(from->second);
    if (to != query.end())
        arguments << QString::fromStdString(to->second);
    const qint64 now = m_devices.now();
    QString error;
    auto span = ExportSpan::parse(arguments, QDateTime::fromMSecsSinceEpoch(now), &error);
    if (!span)
        return badRequest(
            error.replace(QStringLiteral("--export-history"), QStringLiteral("from/to")));
    if (span->toMs - span->fromMs > MaxHours * HourMs) {
        span->fromMs = span->toMs - MaxHours * HourMs;
        if (warning)
            *warning = QStringLiteral("Limitado a las %1 horas finales del periodo pedido")
                           .arg(MaxHours)
                           .toStdString();
    }
    QByteArray body = HistoryCsv::header();
    if (m_history)
        for (const PollRecord& poll : m_history->polls(span->fromMs, span->toMs))
            body += HistoryCsv::row(poll);
    return reply(200, body, "text/csv; charset=utf-8");
}
