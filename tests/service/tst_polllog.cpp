#include "ConditionsPage.h"
#include "ConditionsPoll.h"
#include "ConfigPage.h"
#include "ForecastPage.h"
#include "HourlyForecast.h"
#include "LoopbackServer.h"
#include "ObservationField.h"
#include "PollHost.h"
#include "SettingsStore.h"
#include "StationCombo.h"
#include "StationLookup.h"
#include "StationSimulator.h"
#include "WeatherService.h"

#include <QLoggingCategory>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

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

class QuietHost : public PollHost
{
public:
    void stopLockTimer() override { }
    void lockButtons() override { }
    void setWindowCaption(const QString&) override { }
};

// A loopback port with nothing listening: the connection is refused at once.
quint16 closedPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), length);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
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

    void loadFailureReasons_data();
    void loadFailureReasons();
    void oneLinePerRequest_data();
    void oneLinePerRequest();
    void keyNeverInClear();

private:
    StationSimulator m_simulator;
    LoopbackServer m_server;
    QTemporaryDir m_dir;
    QtMessageHandler m_previous = nullptr;
};

void TestPollLog::initTestCase()
{
    m_simulator.setSlowSeconds(5);
    m_server.server().Get("/entity", [](const httplib::Request&, httplib::Response& response) {
        response.set_content(
            "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY a \"aaaa\">]><r>&a;</r>", "text/xml");
    });
    m_simulator.registerRoutes(m_server.server());
    QVERIFY(m_server.start());
    QVERIFY(m_dir.isValid());
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

void TestPollLog::loadFailureReasons_data()
{
    QTest::addColumn<QString>("address"); // {base}: the simulator, {closed}: a closed port
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("text");

    const QString conditions = QStringLiteral("{base}/api/k/conditions/lang:SP/q/pws:%1.xml");
    QTest::newRow("HTTP status") << conditions.arg("ISIMHTTP500") << int(LoadFailure::HttpStatus)
                                 << "^HTTP status 500$";
    QTest::newRow("not well-formed")
        << conditions.arg("ISIMNOXML") << int(LoadFailure::NotWellFormed) << "^not well-formed";
    QTest::newRow("body over the bound")
        << conditions.arg("ISIMENORME") << int(LoadFailure::BodyOverBound)
        << "^body over the bound \\(65536 bytes\\)$";
    QTest::newRow("total timeout") << conditions.arg("ISIMLENTO") << int(LoadFailure::TotalTimeout)
                                   << "^total timeout \\(1 s\\)$";
    QTest::newRow("refused content") << "{base}/entity" << int(LoadFailure::RefusedContent)
                                     << "^refused content \\(entity declarations";
    QTest::newRow("connection refused")
        << "{closed}/api/k/geolookup/q/autoip.xml" << int(LoadFailure::ConnectionRefused)
        << "^connection refused \\(.*127\\.0\\.0\\.1";
}

void TestPollLog::loadFailureReasons()
{
    QFETCH(QString, address);
    QFETCH(int, kind);
    QFETCH(QString, text);
    address.replace("{base}", m_server.baseUrl())
        .replace("{closed}", QStringLiteral("http://127.0.0.1:%1").arg(closedPort()));
    const WeatherService service(m_server.baseUrl(), { 1000, 1000, 64 * 1024, 5 });
    LoadFailure failure;
    QVERIFY(!service.LoadDocument(address, &failure));
    QCOMPARE(int(failure.kind), kind);
    QVERIFY2(failure.text().contains(QRegularExpression(text)), qPrintable(failure.text()));
}

void TestPollLog::oneLinePerRequest_data()
{
    QTest::addColumn<QString>("request"); // conditions, forecast or lookup
    QTest::addColumn<QString>("station");
    QTest::addColumn<QString>("change"); // one setting made unusual: "name=value"
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("line");

    QTest::newRow("safe") << "conditions"
                          << "ISIMDESPEJADO"
                          << "" << int(QtInfoMsg) << "^conditions ISIMDESPEJADO: safe$";
    QTest::newRow("not safe, wind")
        << "conditions"
        << "ISIMVIENTO"
        << "" << int(QtInfoMsg) << "^conditions ISIMVIENTO: not safe: wind 22.5 km/h, limit 15$";
    QTest::newRow("not safe, sky, humidity and rain")
        << "conditions"
        << "ISIMLLUVIA"
        << "HumedadAlta=60" << int(QtInfoMsg)
        << "^conditions ISIMLLUVIA: not safe: humidity 70%, limit 60; "
           "rain 0.3 mm in the last hour; sky \"Lluvia ligera\"$";
    QTest::newRow("failed load") << "conditions"
                                 << "ISIMHTTP500"
                                 << "" << int(QtWarningMsg)
                                 << "^conditions ISIMHTTP500: failed load: HTTP status 500$";
    QTest::newRow("error answer") << "conditions"
                                  << "ISIMERROR"
                                  << "" << int(QtWarningMsg)
                                  << "^conditions ISIMERROR: error answer: .+ \\(internalerror\\)$";
    QTest::newRow("bad T_Refresco")
        << "conditions"
        << "ISIMDESPEJADO"
        << "T_Refresco=tres" << int(QtWarningMsg)
        << "^conditions ISIMDESPEJADO: run-time failure: bad T_Refresco \"tres\"$";
    QTest::newRow("missing folder")
        << "conditions"
        << "ISIMDESPEJADO"
        << "Path_Dat={dir}/none" << int(QtWarningMsg)
        << "^conditions ISIMDESPEJADO: run-time failure: missing folder: .*/none$";
    QTest::newRow("conversion")
        << "conditions"
        << "ISIMDESPEJADO"
        << "HumedadAlta=alta" << int(QtWarningMsg)
        << "^conditions ISIMDESPEJADO: run-time failure: relative_humidity: conversion: the "
           "limit HumedadAlta \"alta\" is not a number$";
    QTest::newRow("forecast updated")
        << "forecast"
        << "ISIMDESPEJADO"
        << "" << int(QtInfoMsg) << "^forecast ISIMDESPEJADO: updated$";
    QTest::newRow("forecast, empty element")
        << "forecast"
        << "ISIMVACIO"
        << "" << int(QtWarningMsg) << "^forecast ISIMVACIO: run-time failure: hour 5: ";
    QTest::newRow("forecast failed load")
        << "forecast"
        << "ISIMNOXML"
        << "" << int(QtWarningMsg) << "^forecast ISIMNOXML: failed load: not well-formed";
    QTest::newRow("lookup") << "lookup"
                            << ""
                            << "" << int(QtInfoMsg) << "^lookup: 4 stations found$";
    QTest::newRow("lookup, error answer")
        << "lookup"
        << ""
        << "API_key=" << int(QtWarningMsg)
        << "^lookup: error answer: this key does not exist \\(keynotfound\\)$";
}

void TestPollLog::oneLinePerRequest()
{
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

    const WeatherService service(m_server.baseUrl());
    QuietHost host;
    if (request == "conditions") {
        ConditionsPoll poll(service, store, nullptr);
        ConditionsPage page;
        poll.WriteMeteo(config, ".", ObservationField::names(), page, host);
        QVERIFY(QString("conditions " + station + ": " + poll.lastOutcome())
                    .contains(QRegularExpression(line)));
    } else if (request == "forecast") {
        ForecastPage page;
        HourlyForecast(service).Forecast(config, station, ".", page, host);
    } else {
        StationCombo stations;
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
    const WeatherService service(m_server.baseUrl());
    QuietHost host;
    ConditionsPoll poll(service, store, nullptr);
    ConditionsPage page;
    poll.WriteMeteo(config, ".", ObservationField::names(), page, host);
    ForecastPage forecast;
    HourlyForecast(service).Forecast(config, "", ".", forecast, host);
    StationCombo stations;
    StationLookup(service).Buscar_Click(Key, stations);

    int requests = 0;
    for (const Logged& logged : g_logged) {
        QVERIFY2(!logged.message.contains(Key), qPrintable(logged.message));
        requests += logged.message.contains("/api/****/") ? 1 : 0;
    }
    QCOMPARE(requests, 3);
}

QTEST_GUILESS_MAIN(TestPollLog)
#include "tst_polllog.moc"
