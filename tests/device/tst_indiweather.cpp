#include "NuboraProcess.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

// INDI's two stock weather drivers, run by indiserver, reading Nubora's /indi/ answers for a
// safe, an unsafe and a failing station: only the URLs and the connection are set.
class TestIndiWeather : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void driversReadNubora_data();
    void driversReadNubora();

private:
    QString prop(const QString& name);
    void setProp(const QString& assignment);

    QTemporaryDir m_dir;
    QProcess m_simulator;
    QProcess m_indiserver;
    QString m_indiPort;
    QString m_indiGetprop;
    QString m_indiSetprop;
    std::map<QString, std::unique_ptr<QProcess>> m_nubora;
    std::map<QString, int> m_alpacaPort;
};

namespace
{

const QStringList Stations { "ISIMDESPEJADO", "ISIMLLUVIA", "ISIMHTTP500" };
const QString Proxy = "Weather Safety Proxy";
const QString Watcher = "Weather Watcher";

} // namespace

void TestIndiWeather::initTestCase()
{
    // Where INDI is missing the case fails: it is installed by scripts/install-deps.
    const QString indiserver = QStandardPaths::findExecutable("indiserver");
    m_indiGetprop = QStandardPaths::findExecutable("indi_getprop");
    m_indiSetprop = QStandardPaths::findExecutable("indi_setprop");
    QVERIFY2(!indiserver.isEmpty() && !m_indiGetprop.isEmpty() && !m_indiSetprop.isEmpty(),
        "indiserver, indi_getprop and indi_setprop are needed (indi-bin)");
    QVERIFY(m_dir.isValid());

    const QString serviceUrl = NuboraProcess::startSimulator(m_simulator);
    QVERIFY(!serviceUrl.isEmpty());
    for (const QString& station : Stations) {
        QDir(m_dir.path()).mkpath(station);
        const QString folder = m_dir.filePath(station);
        NuboraProcess::writeSettings(folder + "/settings.ini", station, folder);
        // The drivers read the first poll's verdict, without the wait before safe.
        QSettings(folder + "/settings.ini", QSettings::IniFormat)
            .setValue("Setup/EsperaSegura", "0");
        auto nubora = std::make_unique<QProcess>();
        QVERIFY(NuboraProcess::start(*nubora, m_dir.path(), folder + "/settings.ini", serviceUrl,
            { "--dump-state", folder + "/dump.json", "--alpaca-port", "0",
                "--alpaca-discovery-port", "0" }));
        m_alpacaPort[station] = NuboraProcess::alpacaPort(*nubora);
        QVERIFY(m_alpacaPort[station] > 0);
        m_nubora[station] = std::move(nubora);
    }

    // A fresh HOME: no driver configuration saved elsewhere leaks in.
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
    m_indiPort = QString::number(probe.serverPort());
    probe.close();
    QDir(m_dir.path()).mkpath("indi-home");
    QProcessEnvironment indiEnv = QProcessEnvironment::systemEnvironment();
    indiEnv.insert("HOME", m_dir.filePath("indi-home"));
    m_indiserver.setProcessEnvironment(indiEnv);
    m_indiserver.setStandardErrorFile(m_dir.filePath("indiserver.log"));
    m_indiserver.start(
        indiserver, { "-p", m_indiPort, "indi_weather_safety_proxy", "indi_watcher_weather" });
    QVERIFY(m_indiserver.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(!prop(Watcher + ".WATCH_SOURCE.URL").isNull(), 15000);
    QTRY_VERIFY_WITH_TIMEOUT(!prop(Proxy + ".SCRIPT_OR_CURL.Use url").isNull(), 15000);
}

void TestIndiWeather::cleanupTestCase()
{
    m_indiserver.terminate();
    m_indiserver.waitForFinished(5000);
    for (auto& [station, nubora] : m_nubora) {
        nubora->terminate();
        nubora->waitForFinished(5000);
    }
    m_simulator.terminate();
    m_simulator.waitForFinished(5000);
}

QString TestIndiWeather::prop(const QString& name)
{
    QProcess getprop;
    getprop.start(m_indiGetprop, { "-p", m_indiPort, "-t", "2", name });
    if (!getprop.waitForFinished(10000) || getprop.exitCode() != 0)
        return QString();
    const QString line = QString::fromUtf8(getprop.readAllStandardOutput()).trimmed();
    const int equals = line.indexOf('=');
    return equals < 0 ? QString() : line.mid(equals + 1);
}

void TestIndiWeather::setProp(const QString& assignment)
{
    QProcess setprop;
    setprop.start(m_indiSetprop, { "-p", m_indiPort, assignment });
    QVERIFY(setprop.waitForFinished(10000));
    QCOMPARE(setprop.exitCode(), 0);
}

void TestIndiWeather::driversReadNubora_data()
{
    QTest::addColumn<QString>("station");
    QTest::addColumn<QString>("safety");
    QTest::addColumn<QString>("reasons"); // how they begin
    QTest::addColumn<bool>("alert");

    // In this order, each row's answers differ from the previous row's: the drivers keep
    // what they read last where an answer lacks it.
    QTest::newRow("safe") << "ISIMDESPEJADO"
                          << "1"
                          << "Condiciones seguras" << false;
    QTest::newRow("failing") << "ISIMHTTP500"
                             << "0"
                             << "Fallo en Nubora" << true;
    QTest::newRow("unsafe") << "ISIMLLUVIA"
                            << "0"
                            << "Lluvia ligera" << true;
}

void TestIndiWeather::driversReadNubora()
{
    QFETCH(QString, station);
    QFETCH(QString, safety);
    QFETCH(QString, reasons);
    QFETCH(bool, alert);

    const QString base = QStringLiteral("http://127.0.0.1:%1/indi/").arg(m_alpacaPort[station]);
    setProp(Proxy + ".WEATHER_SAFETY_URLS.WEATHER_SAFETY_URL=" + base + "safety");
    setProp(Proxy + ".SCRIPT_OR_CURL.Use url=On"); // the proxy's choice of URL over script
    setProp(Watcher + ".WATCH_SOURCE.URL=" + base + "weather");
    setProp(Proxy + ".CONNECTION.CONNECT=On");
    setProp(Watcher + ".CONNECTION.CONNECT=On");
    setProp(Proxy + ".WEATHER_REFRESH.REFRESH=On");
    setProp(Watcher + ".WEATHER_REFRESH.REFRESH=On");

    QTRY_COMPARE_WITH_TIMEOUT(
        prop(Proxy + ".WEATHER_SAFETY_URLS.WEATHER_SAFETY_URL"), base + "safety", 10000);
    QTRY_COMPARE_WITH_TIMEOUT(prop(Proxy + ".WEATHER_PARAMETERS.WEATHER_SAFETY"), safety, 15000);
    QTRY_VERIFY_WITH_TIMEOUT(
        prop(Proxy + ".WEATHER_SAFETY_REASONS.Reasons").startsWith(reasons), 15000);
    const QString state = alert ? "Alert" : "Ok";
    QTRY_COMPARE_WITH_TIMEOUT(prop(Proxy + ".WEATHER_STATUS._STATE"), state, 15000);
    if (alert)
        QTRY_COMPARE_WITH_TIMEOUT(prop(Watcher + ".WEATHER_STATUS._STATE"), state, 15000);
    else
        QTRY_VERIFY_WITH_TIMEOUT(prop(Watcher + ".WEATHER_STATUS._STATE") != "Alert"
                || prop(Watcher + ".WEATHER_PARAMETERS.WEATHER_FORECAST") == "1",
            15000);
    qInfo("%s: reasons \"%s\"", qPrintable(station),
        qPrintable(prop(Proxy + ".WEATHER_SAFETY_REASONS.Reasons")));
    if (station == "ISIMHTTP500") {
        // The watcher shows the last values it read; the rating turns the device to Alert.
        QCOMPARE(prop(Watcher + ".WEATHER_PARAMETERS.WEATHER_FORECAST"), QString("2"));
        return;
    }

    // The watcher's values are the data file's and the window's.
    const auto watcher = [this](const char* name) {
        return prop(Watcher + ".WEATHER_PARAMETERS." + name).toDouble();
    };
    QTRY_COMPARE_WITH_TIMEOUT(watcher("WEATHER_HUMIDITY"),
        QString(station == "ISIMLLUVIA" ? "70" : "65").toDouble(), 15000);
    QProcess& nubora = *m_nubora[station];
    nubora.terminate(); // writes the window's state
    QVERIFY(nubora.waitForFinished(10000));
    const QList<QByteArray> fields
        = NuboraProcess::dataFileFields(m_dir.filePath(station + "/Nubora.dat"));
    QVERIFY(fields.size() > 8);
    QFile dumpFile(m_dir.filePath(station + "/dump.json"));
    QVERIFY(dumpFile.open(QIODevice::ReadOnly));
    const QJsonObject controls
        = QJsonDocument::fromJson(dumpFile.readAll()).object().value("controls").toObject();
    const auto shown = [&controls](const char* name) {
        return controls.value(name).toObject().value("text").toString().trimmed().toDouble();
    };
    QCOMPARE(watcher("WEATHER_TEMPERATURE"), fields.at(5).toDouble());
    QCOMPARE(watcher("WEATHER_TEMPERATURE"), shown("T(0)"));
    QCOMPARE(watcher("WEATHER_WIND_SPEED"), fields.at(7).toDouble());
    QCOMPARE(watcher("WEATHER_WIND_SPEED"), shown("V(0)"));
    QCOMPARE(watcher("WEATHER_WIND_GUST"), shown("V(1)"));
    QCOMPARE(watcher("WEATHER_HUMIDITY"), fields.at(8).toDouble());
    QCOMPARE(watcher("WEATHER_HUMIDITY"), shown("T(1)"));
    QCOMPARE(watcher("WEATHER_RAIN_HOUR"), shown("LL(0)"));
}

QTEST_GUILESS_MAIN(TestIndiWeather)
#include "tst_indiweather.moc"
