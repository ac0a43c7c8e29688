#include "ConditionsPage.h"
#include "ConditionsPoll.h"
#include "ConfigPage.h"
#include "ForecastPage.h"
#include "HourlyForecast.h"
#include "LoopbackServer.h"
#include "ObservationField.h"
#include "PwsHourly.h"
#include "PwsSource.h"
#include "RainHistory.h"
#include "RequestBudget.h"
#include "SettingsStore.h"
#include "StationSimulator.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>
#include <memory>

namespace
{

using Answer = PwsSource::Answer;

QDateTime utc(const QString& text)
{
    return QDateTime::fromString(text, Qt::ISODate).toUTC();
}

QJsonObject merged(QJsonObject base, const QJsonObject& patch)
{
    for (auto it = patch.begin(); it != patch.end(); ++it)
        base[it.key()] = it.value().isObject() && base.value(it.key()).isObject()
            ? QJsonValue(merged(base.value(it.key()).toObject(), it.value().toObject()))
            : it.value();
    return base;
}

QJsonObject json(const char* text)
{
    return QJsonDocument::fromJson(QByteArray(text)).object();
}

// One observation of the station at that UTC time, 07:05 local by default (+0100).
QJsonObject observationAt(const QDateTime& when, double total, const QJsonObject& patch = {})
{
    const QDateTime local = when.toOffsetFromUtc(3600);
    QJsonObject o = json(R"({"stationID":"IMADRI123","neighborhood":"Villaverde","country":"ES",
        "lat":40.35,"lon":-3.7,"winddir":22,"humidity":65,"metric":{"temp":12.34,"dewpt":5.8,
        "windSpeed":7.2,"windGust":11,"pressure":1013.2,"precipRate":0.6}})");
    o[QStringLiteral("obsTimeUtc")] = when.toString(Qt::ISODate);
    o[QStringLiteral("obsTimeLocal")] = local.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    o[QStringLiteral("epoch")] = when.toSecsSinceEpoch();
    o[QStringLiteral("metric")] = merged(
        o.value(QStringLiteral("metric")).toObject(), QJsonObject { { "precipTotal", total } });
    return merged(o, patch);
}

QByteArray body(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

// The current-observation answer of that one observation.
Answer currentAnswer(const QDateTime& when, double total, const QJsonObject& patch = {})
{
    return { 200, body({ { "observations", QJsonArray { observationAt(when, total, patch) } } }) };
}

// The day's records: "HH:mm=total/trend" (UTC) of that date, comma-separated.
Answer dayRecords(const QString& date, const QString& totals)
{
    QJsonArray records;
    for (const QString& item : totals.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList parts = item.split(QRegularExpression(QStringLiteral("[=/]")));
        QJsonObject record
            = observationAt(utc(date + "T" + parts[0] + ":00Z"), parts[1].toDouble());
        QJsonObject metric = record.value(QStringLiteral("metric")).toObject();
        metric[QStringLiteral("pressureTrend")] = parts.value(2, QStringLiteral("0.3")).toDouble();
        record[QStringLiteral("metric")] = metric;
        records.append(record);
    }
    return { 200, body(QJsonObject { { "observations", records } }) };
}

Answer forecastAnswer(const QJsonObject& currentPatch = {})
{
    QJsonArray times, temperature, humidity, code;
    // Twelve hours from the current one, local time, as the service lists them.
    for (int h = 0; h < 12; ++h) {
        times.append(QDateTime(QDate(2026, 12, 6), QTime(7 + h, 0)).toString("yyyy-MM-ddTHH:mm"));
        temperature.append(h == 3 ? QJsonValue() : QJsonValue(11.5 + h));
        humidity.append(70 + h);
        code.append(h < 2 ? 0 : 2);
    }
    const auto twelve
        = [](double value) { return QJsonArray::fromVariantList(QVariantList(12, value)); };
    const QJsonObject hourly { { "time", times }, { "temperature_2m", temperature },
        { "dew_point_2m", twelve(4.4) }, { "relative_humidity_2m", humidity },
        { "weather_code", code }, { "wind_speed_10m", twelve(9.6) } };
    const QJsonObject current = merged(
        json(R"({"time":"2026-12-06T07:00","weather_code":0,"visibility":24140,"cloud_cover":3})"),
        currentPatch);
    return { 200,
        body(QJsonObject {
            { "utc_offset_seconds", 3600 }, { "current", current }, { "hourly", hourly } }) };
}

// The two services, answering by path; a missing answer is a failed fetch.
struct FakeServices {
    std::optional<Answer> current;
    std::optional<Answer> day;
    std::optional<Answer> forecast = forecastAnswer();
    std::optional<Answer> near;
    QList<QList<QByteArray>> calls;

    std::vector<std::optional<Answer>> operator()(const std::vector<QByteArray>& urls)
    {
        calls.append(QList<QByteArray>(urls.begin(), urls.end()));
        std::vector<std::optional<Answer>> answers;
        for (const QByteArray& url : urls) {
            const QString path = QUrl(QString::fromUtf8(url)).path();
            answers.push_back(path.endsWith("/current") ? current
                    : path.endsWith("/1day")            ? day
                    : path.endsWith("/forecast")        ? forecast
                                                        : near);
        }
        return answers;
    }
};

struct Fixture {
    std::shared_ptr<FakeServices> services = std::make_shared<FakeServices>();
    QDateTime now = utc("2026-12-06T06:05:30Z");
    PwsSource source { "http://station.test", "http://forecast.test", {}, [this] { return now; },
        [this](const std::vector<QByteArray>& urls) { return (*services)(urls); } };
};

// "name=text" of every field of the conditions answer that is there, in the walk's order, then
// the source's own wind degrees and cloud cover where they came.
QString fieldsOf(const std::optional<Observation>& answer)
{
    if (!answer)
        return QStringLiteral("failed load");
    if (answer->end == Observation::End::ErrorAnswer)
        return QStringLiteral("error=") + answer->endReason;
    QStringList found;
    const QStringList names = ObservationField::names();
    for (int field = 0; field < ObservationField::Count; ++field)
        for (const QString& text : answer->values[field])
            found << names[field] + "=" + text;
    if (answer->windDegrees)
        found << "degrees=" + QString::number(*answer->windDegrees);
    if (answer->cloudCover)
        found << "cover=" + QString::number(*answer->cloudCover);
    return found.join(QLatin1Char(';'));
}

const QString FullObservation = QStringLiteral(
    "observation_location=Villaverde;observation_time_rfc822=Sun, 06 Dec 2026 07:05:00 +0100;"
    "observation_epoch=1796537100;local_tz_offset=+0100;temp_c=12.3;wind_kph=7.2;"
    "wind_gust_kph=11.0;wind_dir=NNE;pressure_mb=1013.2;pressure_trend=+;relative_humidity=65%;"
    "dewpoint_c=5.8;precip_1hr_metric=%1;precip_today_metric=%2;visibility_km=24.1;weather=%3;"
    "degrees=22;cover=3");

const QString SameDay = QStringLiteral("05:00=1.0,05:05=1.2,05:30=2.0,06:00=2.6");

// One conditions poll: the observation at that UTC time with a patch, the status of its answer
// (0: the fetch fails), the day's records ("-": the fetch fails), the forecast's "current"
// ("fail": the fetch fails), and an earlier poll with the same records.
struct PollCase {
    QDateTime at = utc("2026-12-06T06:05:00Z");
    QJsonObject patch;
    int status = 200;
    QString day = SameDay;
    QJsonObject sky;
    QDateTime earlier;
};

} // namespace

Q_DECLARE_METATYPE(PollCase)

class TestPwsSource : public QObject
{
    Q_OBJECT

private slots:
    void conditionsAnswer_data();
    void conditionsAnswer();
    void hourlyAnswerFillsTheForecastPage();
    void hourlyReadsFailWhereValuesAreMissing_data();
    void hourlyReadsFailWhereValuesAreMissing();
    void recordsWithoutAPlausibleTimeAreLeftOut();
    void typedTextCannotChangeTheAddress_data();
    void typedTextCannotChangeTheAddress();
    void aPollsRequestsGoTogetherOnceTheStationIsPlaced();
    void nearbyStationsInTheAnswersOrder();
    void overLoopbackEachRequestKeepsTheFetchBounds();
    void ownDegreesAndCoverReachThePollsReadings();
    void staysWithinTheKeysBudgetOverADay_data();
    void staysWithinTheKeysBudgetOverADay();
};

void TestPwsSource::conditionsAnswer_data()
{
    QTest::addColumn<PollCase>("poll");
    QTest::addColumn<QString>("fields");

    const auto row = [](const char* name, const PollCase& poll, const QString& fields) {
        QTest::newRow(name) << poll << fields;
    };
    row("clear", {}, FullObservation.arg("2.2", "3.4", "Despejado"));
    row("wet, falling pressure, rain code",
        { .patch = json(R"({"metric":{"precipTotal":9.0}})"),
            .day = SameDay + "/-0.2",
            .sky = json(R"({"weather_code":63})") },
        FullObservation.arg("7.8", "9.0", "Lluvia")
            .replace("pressure_trend=+", "pressure_trend=-"));
    row("null fields are missing, never 0",
        { .patch = json(
              R"({"neighborhood":null,"humidity":null,"winddir":null,"metric":{"temp":null,"windGust":null,"precipTotal":null}})"),
            .sky = json(R"({"visibility":null,"cloud_cover":null})") },
        "observation_time_rfc822=Sun, 06 Dec 2026 07:05:00 +0100;observation_epoch=1796537100;"
        "local_tz_offset=+0100;wind_kph=7.2;pressure_mb=1013.2;pressure_trend=+;"
        "dewpoint_c=5.8;precip_1hr_metric=0.6;weather=Despejado");
    // The 16-point name stands for a sector; the degrees go on as the station sent them.
    row("own degrees and cover beside the texts",
        { .patch = json(R"({"winddir":12.5})"), .sky = json(R"({"cloud_cover":87})") },
        FullObservation.arg("2.2", "3.4", "Despejado")
            .replace("degrees=22;cover=3", "degrees=12.5;cover=87"));
    row("no records: the rain rate stands in",
        { .day = "-", .sky = json(R"({"weather_code":42})") },
        FullObservation.arg("0.6", "3.4", "Desconocido").remove("pressure_trend=+;"));
    row("a gap before the hour: the rain rate stands in", { .day = "04:30=0.2" },
        FullObservation.arg("0.6", "3.4", "Despejado"));
    // 00:20 local: 1.0 since midnight, and 4.2 - 2.4 in the 40 minutes before it.
    row("rainy hour across midnight",
        { .at = utc("2026-12-06T23:20:00Z"),
            .patch = json(R"({"metric":{"precipTotal":1.0}})"),
            .day = "22:00=2.0,22:15=2.4,22:30=3.0,22:45=3.6,22:55=4.0",
            .earlier = utc("2026-12-06T22:59:00Z") },
        FullObservation.arg("2.8", "1.0", "Despejado")
            .replace("Sun, 06 Dec 2026 07:05:00", "Mon, 07 Dec 2026 00:20:00")
            .replace("1796537100", "1796599200"));
    row("west of Greenwich, in a half-hour zone",
        { .patch = json(R"({"obsTimeLocal":"2026-12-06 02:35:00"})") },
        FullObservation.arg("2.2", "3.4", "Despejado")
            .replace("07:05:00 +0100", "02:35:00 -0330")
            .replace("local_tz_offset=+0100", "local_tz_offset=-0330"));
    row("silent station (204) is the error answer", { .status = 204 },
        "error=no observation in the last hour (station_offline)");
    row("bad key (401) is a failed load", { .status = 0 }, "failed load");
    row("no coordinates, no sky: a failed load", { .patch = json(R"({"lat":null})") },
        "failed load");
    row("failed forecast: a failed load", { .sky = QJsonObject { { "fail", true } } },
        "failed load");
}

void TestPwsSource::conditionsAnswer()
{
    QFETCH(PollCase, poll);
    QFETCH(QString, fields);

    Fixture f;
    const QString date = poll.at.date().toString(Qt::ISODate);
    f.services->day
        = poll.day == "-" ? std::nullopt : std::optional<Answer>(dayRecords(date, poll.day));
    f.services->forecast
        = poll.sky.contains("fail") ? std::nullopt : std::optional(forecastAnswer(poll.sky));
    if (poll.earlier.isValid()) {
        f.now = poll.earlier;
        f.services->current = currentAnswer(poll.earlier, 4.2);
        QVERIFY(f.source.conditions("k", "IMADRI123"));
    }
    f.now = poll.at.addSecs(30);
    f.services->current = currentAnswer(poll.at, 3.4, poll.patch);
    if (poll.status == 204)
        f.services->current = Answer { 204, {} };
    else if (poll.status == 0)
        f.services->current.reset();
    QCOMPARE(fieldsOf(f.source.conditions("k", "IMADRI123")), fields);
}

void TestPwsSource::hourlyAnswerFillsTheForecastPage()
{
    Fixture f;
    f.services->current = currentAnswer(utc("2026-12-06T06:05:00Z"), 3.4);
    const std::optional<HourlyAnswer> answer = f.source.hourly("k", "IMADRI123");
    QVERIFY(answer);
    // From the first full hour after 07:05:30 local: 08:00 to 18:00.
    QCOMPARE(answer->hours.size(), 11);

    ConfigPage config;
    ForecastPage page;
    QCOMPARE(HourlyForecast::fill(*answer, config, "Villaverde", ".", page),
        QStringLiteral("run-time failure: hour 3: text read from an element without text"));
    QCOMPARE(page.Fecha_Fct, QStringLiteral("domingo, 6 de diciembre de 2026"));
    const ForecastRow& first = page.rows[0];
    QCOMPARE(QStringList({ first.Hr_Fct.text, first.T_Fct.text, first.H_Fct.text, first.V_Fct.text,
                 first.C_Fct.text }),
        QStringList({ "08:00", "13", "71", "10", "Despejado" }));
    QCOMPARE(page.rows[1].C_Fct.text, QStringLiteral("Parcialmente nublado"));
    // 10:00 has no temperature: its row stops there, as for an empty element of the XML service.
    QCOMPARE(page.rows[2].T_Fct.text, QString());
    QCOMPARE(page.rows[2].Hr_Fct.text, QStringLiteral("10:00"));
}

void TestPwsSource::hourlyReadsFailWhereValuesAreMissing_data()
{
    QTest::addColumn<QString>("key"); // of the hourly list changed at 08:00 ("time": to a text)
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QString>("read"); // the date, the hours, then 08:00's cells or its failure

    const QDateTime now = utc("2026-12-06T06:05:30Z");
    QTest::newRow("all there") << "" << now
                               << "domingo 6 diciembre 2026;11;08 00 13 71 10 Despejado";
    for (const char* key : { "relative_humidity_2m", "wind_speed_10m", "weather_code" })
        QTest::newRow(key) << key << now
                           << "domingo 6 diciembre 2026;11;text read from an element without text";
    QTest::newRow("every hour past")
        << "" << utc("2026-12-06T18:00:00Z")
        << "child read through a missing node;0;child read through a missing node";
    QTest::newRow("an unreadable time: no answer") << "time" << now << "none";
}

void TestPwsSource::hourlyReadsFailWhereValuesAreMissing()
{
    QFETCH(QString, key);
    QFETCH(QDateTime, now);
    QFETCH(QString, read);
    QJsonObject forecast = QJsonDocument::fromJson(forecastAnswer().body).object();
    QJsonObject hours = forecast.value("hourly").toObject();
    if (!key.isEmpty()) {
        QJsonArray values = hours.value(key).toArray();
        values[1] = key == "time" ? QJsonValue("08:00") : QJsonValue();
        hours[key] = values;
    }
    forecast["hourly"] = hours;

    const std::optional<HourlyAnswer> answer = PwsHourly::fromJson(forecast, now);
    QStringList found;
    if (answer) {
        found << (answer->weekday
                ? QStringList({ *answer->weekday, *answer->day, *answer->month, *answer->year })
                      .join(' ')
                : answer->dateFailure)
              << QString::number(answer->hours.size());
        const ForecastHour first = answer->hours.value(0);
        const QList<ForecastHour::Cell> cells = { first.hour, first.minute, first.temperature,
            first.humidity, first.wind, first.sky };
        QStringList texts;
        for (const ForecastHour::Cell& cell : cells)
            texts << cell.value_or(QString());
        found << (answer->hours.isEmpty() ? answer->missingHourFailure
                : first.failure.isEmpty() ? texts.join(' ')
                                          : first.failure);
    }
    QCOMPARE(found.isEmpty() ? QStringLiteral("none") : found.join(';'), read);
}

// Found by fuzzing: an epoch beyond qint64 was converted unchecked (undefined behaviour).
void TestPwsSource::recordsWithoutAPlausibleTimeAreLeftOut()
{
    QJsonArray records;
    for (const double epoch : { 1.79611e54, -5.0, 1e300, 1796599200.0 })
        records.append(QJsonObject {
            { "epoch", epoch }, { "metric", QJsonObject { { "precipTotal", 1.5 } } } });
    const QList<RainHistory::Record> kept = RainHistory::recordsFrom(records, 3600);
    QCOMPARE(kept.size(), 1);
    QCOMPARE(kept[0].epoch, qint64(1796599200));
}

void TestPwsSource::typedTextCannotChangeTheAddress_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("station");
    for (const auto& [key, station] :
        { std::pair { "abc123", "IMADRI123" }, { "k&units=e", "X?apiKey=other#frag" },
            { "../v3 key", " IMADRID/1 " }, { "clé", "ESTACIÓN%20" } })
        QTest::newRow(station) << QString(key) << QString(station);
}

void TestPwsSource::typedTextCannotChangeTheAddress()
{
    QFETCH(QString, key);
    QFETCH(QString, station);
    const PwsSource source("https://api.example.test:8443");
    for (const QString& address :
        { source.currentObservationUrl(key, station), source.dayRecordsUrl(key, station) }) {
        const QUrl url(address, QUrl::StrictMode);
        QVERIFY2(url.isValid(), qPrintable(address));
        QCOMPARE(url.host(), QStringLiteral("api.example.test"));
        QVERIFY(url.path().startsWith("/v2/pws/observations/"));
        const QUrlQuery query(url);
        QCOMPARE(query.queryItems(QUrl::FullyDecoded).size(), 5);
        QCOMPARE(query.queryItemValue("stationId", QUrl::FullyDecoded), station);
        QCOMPARE(query.queryItemValue("apiKey", QUrl::FullyDecoded), key);
        QCOMPARE(query.queryItemValue("units"), QStringLiteral("m"));
    }
    const QUrlQuery near(QUrl(source.nearbyStationsUrl(key, 40.35, -3.7)));
    QCOMPARE(near.queryItemValue("geocode"), QStringLiteral("40.3500,-3.7000"));
    QCOMPARE(near.queryItemValue("apiKey", QUrl::FullyDecoded), key);
}

void TestPwsSource::aPollsRequestsGoTogetherOnceTheStationIsPlaced()
{
    Fixture f;
    f.services->current = currentAnswer(utc("2026-12-06T06:05:00Z"), 3.4);
    f.services->day = dayRecords("2026-12-06", "05:00=1.0,06:00=2.6");
    QVERIFY(f.source.conditions("k", "IMADRI123"));
    f.now = f.now.addSecs(PwsSource::ForecastReuseSecs);
    QVERIFY(f.source.conditions("k", "IMADRI123"));
    // First poll: observation and records together, then the forecast at the learnt place.
    // Later polls: observation and forecast in one go.
    QCOMPARE(f.services->calls.size(), 3);
    QCOMPARE(f.services->calls[0].size(), 2);
    QCOMPARE(f.services->calls[1].size(), 1);
    QVERIFY(f.services->calls[1][0].contains("latitude=40.3500&longitude=-3.7000"));
    QCOMPARE(f.services->calls[2].size(), 2);
}

void TestPwsSource::nearbyStationsInTheAnswersOrder()
{
    Fixture f;
    f.services->current = currentAnswer(utc("2026-12-06T06:05:00Z"), 3.4);
    f.services->near = { 200, R"({"location":{"stationId":["IMADRI7","",3,null,"IMADRI123"]}})" };
    const std::optional<StationList> found = f.source.nearbyStations("k", "IMADRI123");
    QVERIFY(found);
    QCOMPARE(found->ids, QStringList({ "IMADRI7", "IMADRI123" }));
    QCOMPARE(f.source.lastFailure().kind, LoadFailure::None);

    f.services->near = { 200, R"({"errors":[]})" };
    QCOMPARE(f.source.nearbyStations("k", "IMADRI123")->ids, QStringList());
    QCOMPARE(f.source.lastFailure().text(),
        QStringLiteral("nearby stations: refused content (no location in the answer)"));
}

void TestPwsSource::overLoopbackEachRequestKeepsTheFetchBounds()
{
    StationSimulator simulator;
    LoopbackServer server;
    simulator.registerRoutes(server.server());
    QVERIFY(server.start());
    FetchLimits limits;
    limits.totalTimeoutMs = 300;
    const PwsSource source(server.baseUrl(), server.baseUrl(), limits);
    QVERIFY(fieldsOf(source.conditions("k", "IPWSDESPEJADO")).contains(";weather=Despejado"));

    // Answers slower than the whole-request bound: a failed load, within the bound, not after
    // the answers.
    simulator.setLatencyMs(2000);
    const PwsSource slow(server.baseUrl(), server.baseUrl(), limits);
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(fieldsOf(slow.conditions("k", "IPWSLLUVIA")), QStringLiteral("failed load"));
    QVERIFY2(timer.elapsed() < 1500, qPrintable(QString::number(timer.elapsed())));
}

void TestPwsSource::ownDegreesAndCoverReachThePollsReadings()
{
    StationSimulator simulator;
    LoopbackServer server;
    simulator.registerRoutes(server.server());
    QVERIFY(server.start());
    const PwsSource source(server.baseUrl(), server.baseUrl());
    QTemporaryDir dir;
    SettingsStore store(dir.filePath("settings.ini"));
    store.SaveSetting("Setup", "Path_Dat", dir.path());
    ConfigPage config;
    config.API_key = "demo";
    config.Estacion_ID.text = "IPWSDESPEJADO";
    ConditionsPage page;
    const ConditionsResult result = ConditionsPoll(source, store, nullptr)
                                        .WriteMeteo(config, ".", ObservationField::names(), page);
    // The station sends 12 degrees, which the page names "NNE"; the devices get the 12, not
    // the 22.5 at the centre of that name.
    QCOMPARE(page.V[2].text, QStringLiteral("NNE"));
    QCOMPARE(result.readings.windDegrees, std::optional<double>(12));
    QCOMPARE(result.readings.cloudCover, std::optional<double>(4));
    // Where the station stands, for the pressure at its height and the night at its place.
    QCOMPARE(result.readings.elevationM, std::optional<double>(1420));
    QCOMPARE(result.readings.latitude, std::optional<double>(40.7339));
    QVERIFY(result.readings.observationTimeMs.has_value());
}

void TestPwsSource::staysWithinTheKeysBudgetOverADay_data()
{
    QTest::addColumn<int>("pollEverySecs");
    QTest::addColumn<int>("lookupsEachHour");
    // The timer's shortest period is a minute (also for 0 and negative periods); clicks on
    // Refrescar come on top of it.
    QTest::newRow("a poll a minute") << 60 << 0;
    QTest::newRow("a poll a minute and clicks in between") << 20 << 0;
    QTest::newRow("a poll a minute and a burst of lookups each hour") << 60 << 40;
}

void TestPwsSource::staysWithinTheKeysBudgetOverADay()
{
    QFETCH(int, pollEverySecs);
    QFETCH(int, lookupsEachHour);
    Fixture f;
    f.services->near = { 200, R"({"location":{"stationId":["IMADRI123","IMADRI7"]}})" };
    QList<qint64> sentAt;
    const QDateTime start = f.now;
    int polls = 0;
    int loaded = 0;
    for (f.now = start; f.now < start.addDays(1); f.now = f.now.addSecs(pollEverySecs)) {
        const int before = f.services->calls.size();
        // Every answer is that moment's: the station keeps reporting all day.
        f.services->current = currentAnswer(f.now, 1.0);
        f.services->day = dayRecords(f.now.date().toString(Qt::ISODate),
            f.now.addSecs(-600).time().toString("HH:mm") + "=0.5");
        ++polls;
        loaded += f.source.conditions("k", "IMADRI123") ? 1 : 0;
        if (f.now.time().minute() == 0 && f.now.time().second() < pollEverySecs) {
            f.source.hourly("k", "IMADRI123");
            for (int i = 0; i < lookupsEachHour; ++i)
                f.source.nearbyStations("k", "IMADRI123");
        }
        for (int c = before; c < f.services->calls.size(); ++c)
            for (const QByteArray& url : f.services->calls[c])
                if (url.startsWith("http://station.test"))
                    sentAt.append(f.now.toMSecsSinceEpoch());
    }
    qInfo("%d polls, %lld station-owner requests in the day", polls, qint64(sentAt.size()));
    QVERIFY(sentAt.size() <= RequestBudget::PerDay);
    for (qsizetype i = RequestBudget::PerMinute; i < sentAt.size(); ++i)
        QVERIFY2(sentAt[i] - sentAt[i - RequestBudget::PerMinute] >= 60000,
            "more than the minute's share of requests");
    // The budget was kept by reusing answers, not by failing polls.
    if (lookupsEachHour == 0)
        QCOMPARE(loaded, polls);
}

QTEST_GUILESS_MAIN(TestPwsSource)
#include "tst_pwssource.moc"
