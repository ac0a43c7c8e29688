#include "NuboraProcess.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>
#include <httplib.h>

namespace
{

// Seconds the slow station keeps the first poll waiting: long enough for the reads below,
// short enough for the suite.
constexpr int SlowSeconds = 5;

QJsonObject getJson(httplib::Client& client, const std::string& path, int* status = nullptr)
{
    const httplib::Result result = client.Get(path);
    if (status)
        *status = result ? result->status : -1;
    return result ? QJsonDocument::fromJson(QByteArray::fromStdString(result->body)).object()
                  : QJsonObject();
}

} // namespace

// The nubora executable with its device server on, as observatory software meets it.
class TestAlpacaEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void answersWhileThePollWaits();
    void settingsKeyAndKeptIds();
    void observingConditionsAsDefined();
    void badOptions();

private:
    void writeSettings(const QString& station, int alpacaPort = 0)
    {
        NuboraProcess::writeSettings(
            m_dir.filePath("settings.ini"), station, m_dir.path(), alpacaPort);
        // These cases are about the server, not the wait before safe.
        QSettings(m_dir.filePath("settings.ini"), QSettings::IniFormat)
            .setValue("Setup/EsperaSegura", "0");
    }
    bool startNubora(QProcess& nubora, const QStringList& extra)
    {
        return NuboraProcess::start(
            nubora, m_dir.path(), m_dir.filePath("settings.ini"), m_serviceUrl, extra);
    }

    QTemporaryDir m_dir;
    QProcess m_simulator;
    QString m_serviceUrl;
};

void TestAlpacaEndToEnd::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_serviceUrl = NuboraProcess::startSimulator(
        m_simulator, { "--slow-seconds", QString::number(SlowSeconds) });
    QVERIFY(!m_serviceUrl.isEmpty());
}

void TestAlpacaEndToEnd::cleanupTestCase()
{
    m_simulator.terminate();
    m_simulator.waitForFinished(5000);
}

void TestAlpacaEndToEnd::answersWhileThePollWaits()
{
    writeSettings("ISIMLENTO");
    QFile::remove(m_dir.filePath("Nubora.dat"));
    QUdpSocket probe;
    QVERIFY(probe.bind(QHostAddress::LocalHost, 0));
    const quint16 discoveryPort = probe.localPort();
    probe.close();
    QProcess nubora;
    QVERIFY(startNubora(nubora,
        { "--alpaca-port", "0", "--alpaca-discovery-port", QString::number(discoveryPort) }));
    const auto stop = qScopeGuard([&nubora] {
        nubora.terminate();
        nubora.waitForFinished(10000);
    });
    const int port = NuboraProcess::alpacaPort(nubora);
    QVERIFY(port > 0);

    // The window's thread now waits in the first conditions poll for the slow station.
    httplib::Client client("127.0.0.1", port);
    client.set_read_timeout(5, 0);
    client.set_keep_alive(true); // as observatory software asks, once a second or so
    QVERIFY(client.Put("/api/v1/safetymonitor/0/connect", "", "application/x-www-form-urlencoded"));
    QVERIFY(client.Put(
        "/api/v1/observingconditions/0/connect", "", "application/x-www-form-urlencoded"));
    qint64 slowestNs = 0;
    int answered = 0;
    for (int i = 1; i <= 100; ++i) {
        QElapsedTimer timer;
        timer.start();
        int status = 0;
        const QJsonObject answer = getJson(client,
            "/api/v1/safetymonitor/0/issafe?ClientTransactionID=" + std::to_string(i), &status);
        slowestNs = std::max(slowestNs, timer.nsecsElapsed());
        if (status == 200 && answer.value("ClientTransactionID").toInt() == i
            && answer.value("Value").isBool() && !answer.value("Value").toBool())
            ++answered;
    }
    // Still no poll has ended: the reads above all came while the window's thread waited.
    const QJsonObject temperature = getJson(client, "/api/v1/observingconditions/0/temperature");
    QCOMPARE(temperature.value("ErrorNumber").toInt(), 0x402);
    QCOMPARE(answered, 100);
    QVERIFY2(slowestNs < 50'000'000,
        qPrintable(QStringLiteral("slowest answer %1 ms").arg(slowestNs / 1e6)));
    qInfo("slowest of 100 issafe answers while the poll waited: %.2f ms", slowestNs / 1e6);

    // Discovery answers on loopback with the served port.
    QUdpSocket udp;
    QVERIFY(udp.bind(QHostAddress::LocalHost, 0));
    udp.writeDatagram("alpacadiscovery1", QHostAddress::LocalHost, discoveryPort);
    QVERIFY(udp.waitForReadyRead(3000));
    QByteArray datagram(int(udp.pendingDatagramSize()), '\0');
    udp.readDatagram(datagram.data(), datagram.size());
    QCOMPARE(QJsonDocument::fromJson(datagram).object().value("AlpacaPort").toInt(), port);

    // Once the slow answer arrives the poll publishes: safe, and the data file's values.
    QTRY_VERIFY_WITH_TIMEOUT(
        getJson(client, "/api/v1/safetymonitor/0/issafe").value("Value").toBool(),
        (SlowSeconds + 15) * 1000);
    const QList<QByteArray> fields = NuboraProcess::dataFileFields(m_dir.filePath("Nubora.dat"));
    QVERIFY(fields.size() > 9);
    const auto value = [&client](const char* member) {
        return getJson(client, std::string("/api/v1/observingconditions/0/") + member)
            .value("Value")
            .toDouble(-1000);
    };
    QCOMPARE(value("temperature"), fields.at(5).toDouble());
    QCOMPARE(value("windspeed") * 3.6, fields.at(7).toDouble());
    QCOMPARE(value("humidity"), fields.at(8).toDouble());
    QCOMPARE(value("dewpoint"), fields.at(9).toDouble());
}

void TestAlpacaEndToEnd::settingsKeyAndKeptIds()
{
    QFile::remove(m_dir.filePath("settings.ini"));
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
    const quint16 port = probe.serverPort();
    probe.close();
    writeSettings("ISIMDESPEJADO", port);
    QStringList firstIds;
    for (int run = 0; run < 2; ++run) {
        QProcess nubora;
        QVERIFY(startNubora(nubora, { "--alpaca-discovery-port", "0" }));
        httplib::Client client("127.0.0.1", port);
        QJsonArray devices;
        QTRY_VERIFY_WITH_TIMEOUT(
            !(devices
                = getJson(client, "/management/v1/configureddevices").value("Value").toArray())
                 .isEmpty(),
            10000);
        QStringList ids;
        for (const QJsonValue& device : devices)
            ids << device.toObject().value("UniqueID").toString();
        nubora.terminate();
        QVERIFY(nubora.waitForFinished(10000));
        QCOMPARE(ids.size(), 2);
        QVERIFY(!ids.at(0).isEmpty() && ids.at(0) != ids.at(1));
        if (run == 0)
            firstIds = ids;
        else
            QCOMPARE(ids, firstIds);
    }
    // 0 in the key leaves the server off, and so does "off" on the command line over a port in
    // the key.
    for (const auto& [keyPort, extra] : { std::pair { 0, QStringList { "--once" } },
             std::pair { 1, QStringList { "--once", "--alpaca-port", "off" } } }) {
        writeSettings("ISIMDESPEJADO", keyPort);
        QProcess nubora;
        QVERIFY(startNubora(nubora, extra));
        QVERIFY(nubora.waitForFinished(20000));
        QVERIFY(!nubora.readAllStandardOutput().contains("alpaca"));
        QVERIFY(!nubora.readAllStandardError().contains("serving on"));
    }
}

void TestAlpacaEndToEnd::observingConditionsAsDefined()
{
    writeSettings("ISIMDESPEJADO"); // 1016 hPa at sea level, 2897 ft up, observed 3 min ago
    QSettings(m_dir.filePath("settings.ini"), QSettings::IniFormat)
        .setValue("Setup/HistoriaDias", "1");
    QProcess nubora;
    QVERIFY(startNubora(nubora, { "--alpaca-port", "0", "--alpaca-discovery-port", "0" }));
    const auto stop = qScopeGuard([&nubora] {
        nubora.terminate();
        nubora.waitForFinished(10000);
    });
    httplib::Client client("127.0.0.1", NuboraProcess::alpacaPort(nubora));
    const std::string oc = "/api/v1/observingconditions/0/";
    QVERIFY(client.Put(oc + "connect", "", "application/x-www-form-urlencoded"));
    const auto get = [&](const std::string& member) { return getJson(client, oc + member); };
    const auto putError = [&](const char* hours) {
        const httplib::Result answer = client.Put(oc + "averageperiod",
            std::string("AveragePeriod=") + hours, "application/x-www-form-urlencoded");
        const QJsonObject json
            = QJsonDocument::fromJson(answer ? answer->body.c_str() : "").object();
        return json.value("ErrorNumber").toInt(-1);
    };
    QTRY_VERIFY_WITH_TIMEOUT(get("temperature").value("ErrorNumber").toInt() == 0, 15000);

    QCOMPARE(qRound(get("pressure").value("Value").toDouble() * 10), 9140);
    QVERIFY(get("sensordescription?SensorName=Pressure")
                .value("Value")
                .toString()
                .contains("altitud de 883 m"));
    // The observation's age, not the poll's: observed 3 min before the poll, on the minute.
    for (const char* name : { "Temperature", "" }) {
        const double age
            = get(std::string("timesincelastupdate?SensorName=") + name).value("Value").toDouble();
        QVERIFY2(age >= 180 && age < 260, qPrintable(QString::number(age)));
    }

    QCOMPARE(putError("-1"), 0x401);
    QCOMPARE(putError("24.5"), 0x401); // beyond a day's archive
    // The program's own archive reaches a day: an hour is averaged from it.
    QCOMPARE(putError("1"), 0);
    QCOMPARE(get("averageperiod").value("Value").toDouble(-1), 1.0);
    QCOMPARE(putError("0"), 0);
    QCOMPARE(get("averageperiod").value("Value").toDouble(-1), 0.0);
}

void TestAlpacaEndToEnd::badOptions()
{
    for (const QStringList& options : { QStringList { "--alpaca-port", "70000" },
             QStringList { "--alpaca-port", "-1" }, QStringList { "--alpaca-discovery-port", "x" },
             QStringList { "--alpaca-bind", "not-an-address" } }) {
        QProcess nubora;
        nubora.start(QStringLiteral(NUBORA_EXECUTABLE), options);
        QVERIFY(nubora.waitForFinished(10000));
        QCOMPARE(nubora.exitCode(), 2);
        QVERIFY(!nubora.readAllStandardError().isEmpty());
    }
}

QTEST_GUILESS_MAIN(TestAlpacaEndToEnd)
#include "tst_alpacaendtoend.moc"
