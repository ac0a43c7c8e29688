#include "ConditionsPage.h"
#include "ConditionsPoll.h"
#include "ConfigPage.h"
#include "ForecastPage.h"
#include "HourlyForecast.h"
#include "LoopbackServer.h"
#include "ObservationField.h"
#include "PwsSource.h"
#include "RequestBudget.h"
#include "SettingsStore.h"
#include "SourceRegistry.h"
#include "StationCombo.h"
#include "StationLookup.h"
#include "StationSimulator.h"
#include "XmlSource.h"

#include <QLoggingCategory>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <httplib.h>

namespace
{

const QString Key = QStringLiteral("s3cretKEY42");

struct Logged {
    QtMsgType type;
    QString category;
    QString message;
};
QList<Logged> g_logged;

void record(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    g_logged.append({ type, QString::fromLatin1(context.category), message });
}

} // namespace

// Every way a poll, a forecast update or a lookup ends leaves one log line that says why.
class TestPollLog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void oneLinePerRequest_data();
    void oneLinePerRequest();
    void keyNeverInClear();

private:
    StationSimulator m_simulator;
    LoopbackServer m_server;
    QString m_closedUrl; // a loopback port nobody listens on
    QTemporaryDir m_dir;
    QtMessageHandler m_previous = nullptr;
};

void TestPollLog::initTestCase()
{
    m_simulator.setSlowSeconds(5);
    // A station whose answer declares an entity: the service never sends one.
    m_server.server().Get(
        ".*pws:IENTIDAD.xml", [](const httplib::Request&, httplib::Response& response) {
            response.set_content(
                "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY a \"aaaa\">]><r>&a;</r>", "text/xml");
        });
    m_simulator.registerRoutes(m_server.server());
    QVERIFY(m_server.start());
    QVERIFY(m_dir.isValid());
    LoopbackServer closed;
    QVERIFY(closed.start());
    m_closedUrl = closed.baseUrl();
    m_previous = qInstallMessageHandler(&record);
}

void TestPollLog::init()
{
    g_logged.clear();
    QLoggingCategory::setFilterRules(QString());
}

void TestPollLog::cleanupTestCase()
{
    qInstallMessageHandler(m_previous);
    m_server.stop();
}

void TestPollLog::oneLinePerRequest_data()
{
    QTest::addColumn<QString>("source"); // "Fuente": WU or PWS
    QTest::addColumn<QString>("request"); // conditions, forecast or lookup
    QTest::addColumn<QString>("station");
    QTest::addColumn<QString>("change"); // one setting made unusual: "name=value"
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("line");
    const auto row = [](const char* tag, const char* request, const char* station,
                         const char* change, QtMsgType level, const char* line) {
        QTest::newRow(tag) << "WU" << request << station << change << int(level) << line;
    };
    const auto pwsRow = [](const char* tag, const char* request, const char* station,
                            const char* change, QtMsgType level, const char* line) {
        QTest::newRow(tag) << "PWS" << request << station << change << int(level) << line;
    };
    const QtMsgType info = QtInfoMsg;
    const QtMsgType warning = QtWarningMsg;

    row("safe", "conditions", "ISIMDESPEJADO", "", info, "^conditions ISIMDESPEJADO: safe$");
    row("not safe", "conditions", "ISIMLLUVIA", "HumedadAlta=60", info,
        "^conditions ISIMLLUVIA: not safe: humidity 70%, limit 60; rain 0.3 mm in the last hour; "
        "sky \"Lluvia ligera\"$");
    row("HTTP status", "conditions", "ISIMHTTP500", "", warning,
        "^conditions ISIMHTTP500: failed load: HTTP status 500$");
    row("not well-formed", "conditions", "ISIMNOXML", "", warning,
        ": failed load: not well-formed \\(.+ at line \\d+, column \\d+\\)$");
    row("body over the bound", "conditions", "ISIMENORME", "", warning,
        ": failed load: body over the bound \\(1048576 bytes\\)$");
    row("total timeout", "conditions", "ISIMLENTO", "", warning,
        ": failed load: total timeout \\(1.5 s\\)$");
    row("refused content", "conditions", "IENTIDAD", "", warning,
        ": failed load: refused content \\(entity declarations");
    row("error answer", "conditions", "ISIMERROR", "", warning,
        "^conditions ISIMERROR: error answer: .+ \\(internalerror\\)$");
    row("bad T_Refresco", "conditions", "ISIMDESPEJADO", "T_Refresco=tres", warning,
        ": run-time failure: bad T_Refresco \"tres\"$");
    row("missing folder", "conditions", "ISIMDESPEJADO", "Path_Dat={dir}/none", warning,
        ": run-time failure: missing folder: .*/none$");
    row("conversion", "conditions", "ISIMDESPEJADO", "HumedadAlta=alta", warning,
        ": run-time failure: relative_humidity: conversion: the limit HumedadAlta \"alta\" is "
        "not a number$");
    row("forecast, empty element", "forecast", "ISIMVACIO", "", warning,
        "^forecast ISIMVACIO: run-time failure: hour 5: ");
    row("forecast, failed load", "forecast", "ISIMHTTP500", "", warning,
        "^forecast ISIMHTTP500: failed load: HTTP status 500$");
    row("lookup, error answer", "lookup", "", "API_key=", warning,
        "^lookup: error answer: this key does not exist \\(keynotfound\\)$");

    // The station-owner source names the request that failed.
    pwsRow(
        "PWS, safe", "conditions", "IPWSDESPEJADO", "", info, "^conditions IPWSDESPEJADO: safe$");
    pwsRow("PWS, silent station", "conditions", "IPWSSILENCIO", "", warning,
        "^conditions IPWSSILENCIO: error answer: no observation in the last hour "
        "\\(station_offline\\)$");
    pwsRow("PWS, bad key", "conditions", "IPWSDESPEJADO", "API_key=CLAVEMALA", warning,
        "^conditions IPWSDESPEJADO: failed load: observations: HTTP status 401 \\(key not "
        "valid\\)$");
    pwsRow("PWS, refused port", "conditions", "IPWSDESPEJADO", "pws=closed", warning,
        "^conditions IPWSDESPEJADO: failed load: observations: connection refused \\(.+\\)$");
    pwsRow("PWS forecast, refused port", "forecast", "IPWSLLUVIA", "forecast=closed", warning,
        "^forecast IPWSLLUVIA: failed load: forecast: connection refused \\(.+\\)$");
    pwsRow("PWS lookup, budget spent", "lookup", "IPWSDESPEJADO", "budget=spent", warning,
        "^lookup: failed load: nearby stations: the key's request budget is spent \\(25 requests "
        "a minute\\)$");
    pwsRow("PWS lookup, silent station", "lookup", "IPWSSILENCIO", "", info,
        "^lookup: 0 stations found; observations: station coordinates unknown \\(no observation "
        "in the last hour, HTTP status 204\\)$");
}

void TestPollLog::oneLinePerRequest()
{
    QFETCH(QString, source);
    QFETCH(QString, request);
    QFETCH(QString, station);
    QFETCH(QString, change);
    QFETCH(int, level);
    QFETCH(QString, line);

    const QString folder = m_dir.filePath(QTest::currentDataTag());
    QVERIFY(QDir().mkpath(folder));
    SettingsStore store(folder + QStringLiteral("/settings.ini"));
    ConfigPage config;
    config.API_key = Key;
    config.Estacion_ID.text = station;
    config.GNS = 1;
    const QString name = change.section('=', 0, 0);
    const QString value = change.section('=', 1).replace("{dir}", folder);
    if (name == "HumedadAlta")
        config.HumedadAlta = value;
    else if (name == "T_Refresco")
        config.T_Refresco = value;
    else if (name == "API_key")
        config.API_key = value;
    store.SaveSetting("Setup", "Path_Dat", name == "Path_Dat" ? value : folder);

    // Only the slow station needs the short total; a loaded or emulated machine may take
    // longer than that to read the huge body up to its bound.
    const int totalMs = station == "ISIMLENTO" ? 1500 : 30000;
    const FetchLimits limits { 1000, totalMs, 1024 * 1024, 5 };
    const XmlSource xml(m_server.baseUrl(), limits);
    const PwsSource pws(name == "pws" ? m_closedUrl : m_server.baseUrl(),
        name == "forecast" ? m_closedUrl : m_server.baseUrl(), limits);
    SourceRegistry service({ { SourceRegistry::Xml, &xml }, { SourceRegistry::Pws, &pws } });
    service.choose(source);
    if (name == "budget") {
        // A burst of lookups fills the key's minute.
        for (int i = 0; i < RequestBudget::PerMinute; ++i)
            pws.nearbyStations(config.API_key, station);
        QCOMPARE(pws.stationRequestsInLastDay(config.API_key), RequestBudget::PerMinute);
    }
    if (request == "conditions") {
        ConditionsPoll poll(service, store, nullptr);
        ConditionsPage page;
        const QString outcome
            = poll.WriteMeteo(config, ".", ObservationField::names(), page).outcome;
        const QString logged = "conditions " + station + ": " + outcome;
        QVERIFY2(logged.contains(QRegularExpression(line)), qPrintable(logged));
    } else if (request == "forecast") {
        ForecastPage page;
        HourlyForecast(service).Forecast(config, station, ".", page);
    } else {
        StationCombo stations;
        stations.text = station;
        StationLookup(service).Buscar_Click(config.API_key, stations);
    }

    QList<Logged> polls;
    for (const Logged& logged : g_logged)
        if (logged.category == "nubora.poll")
            polls << logged;
    QCOMPARE(polls.size(), 1);
    QVERIFY2(polls.first().message.contains(QRegularExpression(line)),
        qPrintable(polls.first().message));
    QCOMPARE(int(polls.first().type), level);
}

void TestPollLog::keyNeverInClear()
{
    // Debug lines on: request addresses are logged, with the key masked.
    QLoggingCategory::setFilterRules("nubora.*.debug=true");
    SettingsStore store(m_dir.filePath("key/settings.ini"));
    store.SaveSetting("Setup", "Path_Dat", m_dir.path());
    ConfigPage config;
    config.API_key = Key;
    config.Estacion_ID.text = "ISIMERROR";
    config.GNS = 1;
    const XmlSource xml(m_server.baseUrl());
    const PwsSource pws(m_server.baseUrl(), m_server.baseUrl());
    SourceRegistry service({ { SourceRegistry::Xml, &xml }, { SourceRegistry::Pws, &pws } });
    int requests = 0;
    for (const QString& source : { SourceRegistry::Xml, SourceRegistry::Pws }) {
        service.choose(source);
        config.Estacion_ID.text = source == SourceRegistry::Xml ? "ISIMERROR" : "IPWSDESPEJADO";
        g_logged.clear();
        ConditionsPoll poll(service, store, nullptr);
        ConditionsPage page;
        poll.WriteMeteo(config, ".", ObservationField::names(), page);
        ForecastPage forecast;
        HourlyForecast(service).Forecast(config, "", ".", forecast);
        StationCombo stations;
        stations.text = config.Estacion_ID.text;
        StationLookup(service).Buscar_Click(Key, stations);

        for (const Logged& logged : g_logged) {
            QVERIFY2(!logged.message.contains(Key), qPrintable(logged.message));
            requests += logged.message.contains(QRegularExpression("/api/\\*{4}/|apiKey=\\*{4}"))
                ? 1
                : 0;
        }
    }
    // The XML service's three requests; the station-owner source's observation, day's records
    // and nearby stations (the forecast service has no key).
    QCOMPARE(requests, 6);
}

QTEST_GUILESS_MAIN(TestPollLog)
#include "tst_polllog.moc"
