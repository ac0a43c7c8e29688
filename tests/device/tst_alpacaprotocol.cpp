#include "AlpacaApi.h"
#include "DeviceServer.h"
#include "DiscoveryResponder.h"
#include "ObservingConditionsMembers.h"
#include "SnapshotBoard.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <QUdpSocket>
#include <atomic>
#include <functional>
#include <httplib.h>
#include <mutex>

namespace
{

constexpr qint64 T0 = 1796670000000; // 2026-12-07, in ms
using Outcome = ConditionsReadings::Outcome;

ConditionsReadings clearNight()
{
    ConditionsReadings readings;
    readings.outcome = Outcome::Complete;
    readings.safe = true;
    readings.refreshMinutes = 5;
    readings.temperature = 12.3;
    readings.humidity = 65;
    readings.dewpoint = 5.9;
    readings.windKph = 18;
    readings.gustKph = 27;
    readings.windDirText = "NNE";
    readings.pressureHpa = 1016;
    readings.elevationM = 883;
    readings.rain1hMm = 0;
    readings.sky = "Despejado";
    return readings;
}

// An archive that answers the same means for any span, and remembers the last span asked.
class FakeHistory : public HistoryReader
{
public:
    QList<PollRecord> polls(qint64, qint64) const override { return {}; }
    std::optional<HistoryMeans> means(qint64 fromMs, qint64 toMs) const override
    {
        std::lock_guard lock(mutex);
        span = { fromMs, toMs };
        return answer;
    }
    std::optional<qint64> firstPollMs() const override { return std::nullopt; }

    mutable std::mutex mutex;
    std::optional<HistoryMeans> answer;
    mutable QPair<qint64, qint64> span;
};

struct Answer {
    int status = 0;
    QByteArray body;
    QJsonObject json;
};

} // namespace

// The devices as observatory software sees them, over HTTP on 127.0.0.1. The protocol rows
// follow the checks a conformance checker makes of any Alpaca device.
class TestAlpacaProtocol : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void protocol_data();
    void protocol();
    void memberTypes_data();
    void memberTypes();
    void serverTransactionCountsUp();
    void valuesInDeviceUnits_data();
    void valuesInDeviceUnits();
    void neverMeasuredAndNotConnected();
    void isSafe_data();
    void isSafe();
    void waitThroughTheServer();
    void failedPollKeepsValuesAging();
    void meansServed();
    void pressureAtTheStation();
    void sensorThereInEveryMemberOrInNone();
    void managementLists();
    void discoveryOnLoopback();
    void indiAnswers_data();
    void indiAnswers();

private:
    Answer request(const char* method, const QByteArray& target, const QByteArray& body = {});
    Answer get(const QByteArray& target) { return request("GET", target); }
    void connectBoth();
    // A poll as the program hands it on: its readings, then the safety they lead to.
    void publishPoll(const ConditionsReadings& readings)
    {
        m_board->publish(readings);
        m_safety.addPoll(m_now, readings);
        m_board->publishSafety(m_safety);
    }

    void startServer(const HistoryReader* history, double reachHours);
    double value(const QByteArray& member)
    {
        return get("/api/v1/observingconditions/0/" + member).json.value("Value").toDouble(-1000);
    }
    int error(const char* method, const QByteArray& member, const QByteArray& body = {})
    {
        return request(method, "/api/v1/observingconditions/0/" + member, body)
            .json.value("ErrorNumber")
            .toInt(-1);
    }
    void setMeans(std::optional<HistoryMeans> means)
    {
        std::lock_guard lock(m_history.mutex);
        m_history.answer = std::move(means);
    }

    FakeHistory m_history;
    std::atomic<qint64> m_now { T0 };
    NetworkSafety m_safety;
    std::unique_ptr<SnapshotBoard> m_board;
    std::unique_ptr<AlpacaApi> m_api;
    std::unique_ptr<DeviceServer> m_server;
    std::unique_ptr<httplib::Client> m_client;
};

void TestAlpacaProtocol::init()
{
    m_now = T0;
    m_safety = NetworkSafety({ 0, 0, 15 }); // safe on the first safe poll unless a case waits
    m_board = std::make_unique<SnapshotBoard>([this] { return m_now.load(); });
    setMeans(std::nullopt);
    startServer(&m_history, 48);
}

void TestAlpacaProtocol::startServer(const HistoryReader* history, double reachHours)
{
    m_client.reset();
    m_server.reset();
    m_api = std::make_unique<AlpacaApi>(*m_board,
        std::array<std::string, AlpacaApi::DeviceCount> { "id-safety", "id-conditions" }, history,
        reachHours);
    m_server = std::make_unique<DeviceServer>(*m_api, *m_board);
    QVERIFY(m_server->start("127.0.0.1", 0));
    m_client = std::make_unique<httplib::Client>("127.0.0.1", m_server->port());
}

void TestAlpacaProtocol::cleanup()
{
    m_client.reset();
    m_server.reset();
}

Answer TestAlpacaProtocol::request(
    const char* method, const QByteArray& target, const QByteArray& body)
{
    const std::string path = target.toStdString();
    const std::string content = body.toStdString();
    const char* form = "application/x-www-form-urlencoded";
    httplib::Result result = qstrcmp(method, "GET") == 0 ? m_client->Get(path)
        : qstrcmp(method, "PUT") == 0                    ? m_client->Put(path, content, form)
        : qstrcmp(method, "POST") == 0                   ? m_client->Post(path, content, form)
                                                         : m_client->Delete(path);
    Answer answer;
    if (!result)
        return answer;
    answer.status = result->status;
    answer.body = QByteArray::fromStdString(result->body);
    answer.json = QJsonDocument::fromJson(answer.body).object();
    return answer;
}

void TestAlpacaProtocol::connectBoth()
{
    for (const char* device : { "safetymonitor", "observingconditions" })
        QCOMPARE(request("PUT", QByteArray("/api/v1/") + device + "/0/connect").status, 200);
}

void TestAlpacaProtocol::protocol_data()
{
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("errorNumber"); // of a 200 answer
    QTest::addColumn<qint64>("clientTransaction"); // echoed; -1: not checked

    const QByteArray sm = "/api/v1/safetymonitor/0/";
    const QByteArray oc = "/api/v1/observingconditions/0/";
    const auto row = [](const char* name, const char* method, const QByteArray& target,
                         const QByteArray& body, int status, int error = 0, qint64 ct = -1) {
        QTest::newRow(name) << QByteArray(method) << target << body << status << error << ct;
    };
    row("plain GET", "GET", sm + "description?ClientID=1&ClientTransactionID=5", {}, 200, 0, 5);
    row("no transaction numbers", "GET", sm + "name", {}, 200, 0, 0);
    row("ClientID not a number", "GET", sm + "name?ClientID=abc", {}, 400);
    row("negative ClientID", "GET", sm + "name?ClientID=-1", {}, 400);
    row("ClientID beyond 32 bits", "GET", sm + "name?ClientID=4294967296", {}, 400);
    row("empty ClientID", "GET", sm + "name?ClientID=", {}, 400);
    row("negative ClientTransactionID", "GET", sm + "name?ClientTransactionID=-5", {}, 400);
    row("largest ClientTransactionID", "GET", sm + "name?ClientTransactionID=4294967295", {}, 200,
        0, 4294967295LL);
    row("parameter names in any casing", "GET", oc + "name?clientid=3&CLIENTTRANSACTIONID=42", {},
        200, 0, 42);
    row("PUT parameters in the body", "PUT", sm + "connected",
        "CONNECTED=True&clienttransactionid=8", 200, 0, 8);
    row("bad boolean: text", "PUT", sm + "connected", "Connected=asdqwe", 400);
    row("bad boolean: number", "PUT", sm + "connected", "Connected=123456", 400);
    row("bad boolean: empty", "PUT", sm + "connected", "Connected=", 400);
    row("boolean missing", "PUT", sm + "connected", "ClientID=1", 400);
    row("unknown member", "GET", sm + "descrip", {}, 400);
    row("member in capitals", "GET", sm + "Description", {}, 400);
    row("device type in capitals", "GET", "/api/v1/SAFETYMONITOR/0/description", {}, 400);
    row("unknown device type", "GET", "/api/v1/baddevicetype/0/description", {}, 400);
    row("device number -1", "GET", "/api/v1/safetymonitor/-1/description", {}, 400);
    row("device number 99999", "GET", "/api/v1/safetymonitor/99999/description", {}, 400);
    row("device number A", "GET", "/api/v1/safetymonitor/A/description", {}, 400);
    row("api version v2", "GET", "/api/v2/safetymonitor/0/description", {}, 400);
    row("api version V1", "GET", "/api/V1/safetymonitor/0/description", {}, 400);
    row("base apx", "GET", "/apx/v1/safetymonitor/0/description", {}, 400);
    row("trailing element", "GET", sm + "description/x", {}, 400);
    row("POST", "POST", sm + "connected", "Connected=true", 400);
    row("DELETE", "DELETE", sm + "connected", {}, 400);
    row("PUT to a GET member", "PUT", sm + "issafe", {}, 400);
    row("GET of a PUT member", "GET", oc + "refresh", {}, 400);
    row("refresh", "PUT", oc + "refresh", {}, 200);
    row("action not implemented", "PUT", sm + "action", "Action=x&Parameters=", 200, 0x400);
    row("commandblind not implemented", "PUT", oc + "commandblind", "Command=x&Raw=true", 200,
        0x400);
    row("commandstring not implemented", "PUT", sm + "commandstring", "Command=x&Raw=false", 200,
        0x400);
    row("average period of the whole archive", "PUT", oc + "averageperiod", "averageperiod=48",
        200);
    row("average period beyond the archive", "PUT", oc + "averageperiod", "averageperiod=48.01",
        200, 0x401);
    row("average period not a number", "PUT", oc + "averageperiod", "AveragePeriod=x", 400);
    row("average period NaN", "PUT", oc + "averageperiod", "AveragePeriod=nan", 400);
    row("sensor the source has not", "GET", oc + "sensordescription?SensorName=SkyQuality", {}, 200,
        0x400);
    row("unknown sensor", "GET", oc + "sensordescription?SensorName=Rain", {}, 200, 0x401);
    row("empty sensor description", "GET", oc + "sensordescription?SensorName=", {}, 200, 0x401);
    row("sensor name missing", "GET", oc + "timesincelastupdate", {}, 400);
    row("time since the latest sensor", "GET", oc + "timesincelastupdate?SensorName=", {}, 200);
    row("time of an unknown sensor", "GET", oc + "timesincelastupdate?SensorName=x", {}, 200,
        0x401);
    row("management v2", "GET", "/management/v2/description", {}, 400);
    row("management PUT", "PUT", "/management/v1/description", {}, 400);
}

void TestAlpacaProtocol::protocol()
{
    QFETCH(QByteArray, method);
    QFETCH(QByteArray, target);
    QFETCH(QByteArray, body);
    QFETCH(int, status);
    QFETCH(int, errorNumber);
    QFETCH(qint64, clientTransaction);

    publishPoll(clearNight());
    connectBoth();
    const Answer answer = request(method.constData(), target, body);
    QCOMPARE(answer.status, status);
    if (status != 200) {
        QVERIFY2(!answer.body.trimmed().isEmpty(), "a 400 answer says why in its text");
        return;
    }
    QCOMPARE(answer.json.value("ErrorNumber").toInt(-1), errorNumber);
    QCOMPARE(answer.json.value("ErrorMessage").toString().isEmpty(), errorNumber == 0);
    QVERIFY(answer.json.value("ServerTransactionID").toInteger() >= 1);
    if (clientTransaction >= 0)
        QCOMPARE(answer.json.value("ClientTransactionID").toInteger(-1), clientTransaction);
}

void TestAlpacaProtocol::memberTypes_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<int>("type"); // QJsonValue::Type of Value; Undefined: an error number
    QTest::addColumn<int>("errorNumber");

    using T = QJsonValue::Type;
    const auto rows
        = [](T type, const QByteArray& prefix, QList<QByteArray> members, int error = 0) {
              for (const QByteArray& member : members)
                  QTest::newRow(prefix + member) << prefix + member << int(type) << error;
          };
    const QByteArray sm = "/api/v1/safetymonitor/0/", oc = "/api/v1/observingconditions/0/";
    for (const QByteArray& device : { sm, oc }) {
        rows(T::Bool, device, { "connected", "connecting" });
        rows(T::String, device, { "description", "driverinfo", "driverversion", "name" });
        rows(T::Double, device, { "interfaceversion" });
        rows(T::Array, device, { "supportedactions", "devicestate" });
    }
    rows(T::Bool, sm, { "issafe" });
    rows(T::Double, oc,
        { "temperature", "humidity", "dewpoint", "windspeed", "windgust", "winddirection",
            "pressure", "rainrate", "averageperiod",
            "timesincelastupdate?SensorName=Temperature" });
    rows(T::Undefined, oc,
        { "cloudcover", "skybrightness", "skyquality", "skytemperature", "starfwhm" }, 0x400);
    rows(T::String, oc, { "sensordescription?SensorName=WindSpeed" });
    rows(T::Array, "/management/", { "apiversions", "v1/configureddevices" });
    rows(T::Object, "/management/", { "v1/description" });
}

void TestAlpacaProtocol::memberTypes()
{
    QFETCH(QByteArray, path);
    QFETCH(int, type);
    QFETCH(int, errorNumber);

    publishPoll(clearNight());
    connectBoth();
    const Answer answer = get(path);
    QCOMPARE(answer.status, 200);
    QCOMPARE(answer.json.value("ErrorNumber").toInt(-1), errorNumber);
    QCOMPARE(int(answer.json.value("Value").type()), type);
    for (const char* key : { "ClientTransactionID", "ServerTransactionID", "ErrorNumber" })
        QVERIFY2(answer.json.value(key).isDouble(), key);
    QVERIFY(answer.json.value("ErrorMessage").isString());
}

void TestAlpacaProtocol::serverTransactionCountsUp()
{
    const qint64 first
        = get("/api/v1/safetymonitor/0/name").json.value("ServerTransactionID").toInteger();
    QCOMPARE(first, 1);
    get("/api/v1/observingconditions/0/name");
    // A rejected request is no transaction.
    QCOMPARE(get("/api/v1/safetymonitor/0/nothing").status, 400);
    QCOMPARE(get("/management/apiversions").json.value("ServerTransactionID").toInteger(), 3);
}

void TestAlpacaProtocol::valuesInDeviceUnits_data()
{
    QTest::addColumn<double>("windKph");
    QTest::addColumn<QString>("windDirText");
    QTest::addColumn<double>("windDegrees"); // the source's own; -1: not given
    QTest::addColumn<double>("speed");
    QTest::addColumn<double>("direction"); // -1: value not set

    QTest::newRow("Spanish point") << 18.0 << "NNE" << -1.0 << 5.0 << 22.5;
    QTest::newRow("Spanish west") << 36.0 << "Oeste" << -1.0 << 10.0 << 270.0;
    QTest::newRow("source degrees before the name") << 36.0 << "NNE" << 12.0 << 10.0 << 12.0;
    QTest::newRow("Spanish north-west") << 3.6 << "NO" << -1.0 << 1.0 << 315.0;
    QTest::newRow("English point") << 7.2 << "WSW" << -1.0 << 2.0 << 247.5;
    QTest::newRow("unknown text, source degrees") << 10.8 << "Variable" << 200.0 << 3.0 << 200.0;
    QTest::newRow("unknown text, no degrees") << 10.8 << "Variable" << -1.0 << 3.0 << -1.0;
    QTest::newRow("calm") << 0.0 << "Norte" << 90.0 << 0.0 << 0.0;
}

void TestAlpacaProtocol::valuesInDeviceUnits()
{
    QFETCH(double, windKph);
    QFETCH(QString, windDirText);
    QFETCH(double, windDegrees);
    QFETCH(double, speed);
    QFETCH(double, direction);

    ConditionsReadings readings = clearNight();
    readings.windKph = windKph;
    readings.windDirText = windDirText;
    if (windDegrees >= 0)
        readings.windDegrees = windDegrees;
    publishPoll(readings);
    connectBoth();
    const QByteArray oc = "/api/v1/observingconditions/0/";
    QCOMPARE(get(oc + "windspeed").json.value("Value").toDouble(), speed);
    QCOMPARE(get(oc + "windgust").json.value("Value").toDouble(), 7.5); // 27 km/h
    const QJsonObject answer = get(oc + "winddirection").json;
    if (direction < 0) {
        QCOMPARE(answer.value("ErrorNumber").toInt(), 0x402);
    } else {
        QCOMPARE(answer.value("ErrorNumber").toInt(), 0);
        QCOMPARE(answer.value("Value").toDouble(), direction);
    }
    QCOMPARE(get(oc + "temperature").json.value("Value").toDouble(), 12.3);
}

void TestAlpacaProtocol::neverMeasuredAndNotConnected()
{
    const QByteArray oc = "/api/v1/observingconditions/0/";
    // Not connected: the values are an error, the monitor says unsafe.
    publishPoll(clearNight());
    QCOMPARE(get(oc + "temperature").json.value("ErrorNumber").toInt(), 0x407);
    QCOMPARE(get(oc + "devicestate").json.value("ErrorNumber").toInt(), 0x407);
    QCOMPARE(get("/api/v1/safetymonitor/0/issafe").json.value("Value").toBool(true), false);
    connectBoth();
    QCOMPARE(get("/api/v1/safetymonitor/0/issafe").json.value("Value").toBool(), true);
    QCOMPARE(request("PUT", "/api/v1/safetymonitor/0/disconnect").status, 200);
    QCOMPARE(get("/api/v1/safetymonitor/0/connected").json.value("Value").toBool(true), false);

    // A fresh server: connected, but nothing measured yet is "value not set", never 0.
    init();
    connectBoth();
    for (const char* member : { "temperature", "humidity", "dewpoint", "windspeed", "windgust",
             "winddirection", "pressure", "rainrate" })
        QCOMPARE(get(oc + member).json.value("ErrorNumber").toInt(), 0x402);
    QCOMPARE(get(oc + "timesincelastupdate?SensorName=").json.value("ErrorNumber").toInt(), 0x402);

    // A poll that lacked one value leaves only that one unset.
    ConditionsReadings readings = clearNight();
    readings.temperature.reset();
    publishPoll(readings);
    QCOMPARE(get(oc + "temperature").json.value("ErrorNumber").toInt(), 0x402);
    QCOMPARE(get(oc + "humidity").json.value("Value").toDouble(), 65.0);
}

void TestAlpacaProtocol::isSafe_data()
{
    QTest::addColumn<int>("outcome");
    QTest::addColumn<bool>("safe");
    QTest::addColumn<int>("refreshMinutes");
    QTest::addColumn<qint64>("ageMs");
    QTest::addColumn<bool>("expected");

    const auto row = [](const char* name, Outcome outcome, bool safe, int refreshMinutes,
                         qint64 ageMs, bool expected) {
        QTest::newRow(name) << int(outcome) << safe << refreshMinutes << ageMs << expected;
    };
    const qint64 minute = 60000;
    row("safe and fresh", Outcome::Complete, true, 5, 0, true);
    row("safe, two periods and a minute old", Outcome::Complete, true, 5, 11 * minute, true);
    row("safe, a second later", Outcome::Complete, true, 5, 11 * minute + 1000, false);
    row("period 0 polls every minute", Outcome::Complete, true, 0, 3 * minute + 1000, false);
    row("longer period", Outcome::Complete, true, 30, 60 * minute, true);
    row("unsafe", Outcome::Complete, false, 5, 0, false);
    row("failed poll", Outcome::Failed, false, 5, 0, false);
    row("error answer", Outcome::ErrorAnswer, false, 5, 0, false);
}

void TestAlpacaProtocol::isSafe()
{
    QFETCH(int, outcome);
    QFETCH(bool, safe);
    QFETCH(int, refreshMinutes);
    QFETCH(qint64, ageMs);
    QFETCH(bool, expected);

    ConditionsReadings readings = clearNight();
    readings.outcome = Outcome(outcome);
    readings.safe = safe;
    readings.refreshMinutes = qint16(refreshMinutes);
    publishPoll(readings);
    connectBoth();
    m_now += ageMs;
    QCOMPARE(get("/api/v1/safetymonitor/0/issafe").json.value("Value").toBool(!expected), expected);
    const QJsonArray state
        = get("/api/v1/safetymonitor/0/devicestate").json.value("Value").toArray();
    QCOMPARE(state.at(0).toObject().value("Value").toBool(!expected), expected);
}

void TestAlpacaProtocol::waitThroughTheServer()
{
    m_safety = NetworkSafety({ 10, 0, 15 });
    connectBoth();
    const auto state = [this] {
        QMap<QString, QJsonValue> entries; // the interface's IsSafe, then why and how long
        for (const QJsonValue& entry :
            get("/api/v1/safetymonitor/0/devicestate").json.value("Value").toArray())
            entries.insert(entry.toObject().value("Name").toString(), entry.toObject()["Value"]);
        entries.insert("issafe", get("/api/v1/safetymonitor/0/issafe").json.value("Value"));
        return entries;
    };
    // Ten minutes of safe polls, one a minute, with three-minute-old observations.
    ConditionsReadings readings = clearNight();
    readings.refreshMinutes = 1;
    for (int minute = 0; minute < 10; ++minute) {
        m_now = T0 + minute * 60000;
        readings.observationTimeMs = m_now - 180000;
        publishPoll(readings);
        m_now += 30000; // between polls the answer counts down on the board's clock
        const QMap<QString, QJsonValue> entries = state();
        QCOMPARE(entries.value("issafe").toBool(true), false);
        QCOMPARE(entries.value("IsSafe").toBool(true), false);
        QCOMPARE(entries.value("SecondsUntilSafe").toInt(), (10 - minute) * 60 - 30);
        QCOMPARE(entries.value("SafetyReason").toString(),
            QStringLiteral("Seguro en %1 min").arg(10 - minute));
    }
    m_now = T0 + 10 * 60000; // the wait is over without another poll
    const QMap<QString, QJsonValue> entries = state();
    QCOMPARE(entries.value("issafe").toBool(false), true);
    QCOMPARE(entries.value("IsSafe").toBool(false), true);
    QCOMPARE(entries.value("SafetyReason").toString(), QString("Condiciones seguras"));
    QVERIFY(!entries.contains("SecondsUntilSafe"));
}

void TestAlpacaProtocol::failedPollKeepsValuesAging()
{
    const QByteArray oc = "/api/v1/observingconditions/0/";
    publishPoll(clearNight());
    connectBoth();
    m_now += 90000;
    ConditionsReadings failed;
    failed.outcome = Outcome::Failed;
    failed.refreshMinutes = 5;
    publishPoll(failed);
    m_now += 30000;
    QCOMPARE(get("/api/v1/safetymonitor/0/issafe").json.value("Value").toBool(true), false);
    QCOMPARE(get(oc + "temperature").json.value("Value").toDouble(), 12.3);
    QCOMPARE(get(oc + "timesincelastupdate?SensorName=temperature").json.value("Value").toDouble(),
        120.0);
    QCOMPARE(get(oc + "timesincelastupdate?SensorName=").json.value("Value").toDouble(), 120.0);
}

void TestAlpacaProtocol::managementLists()
{
    const QJsonArray versions = get("/management/apiversions").json.value("Value").toArray();
    QCOMPARE(versions, QJsonArray { 1 });
    const QJsonArray devices
        = get("/management/v1/configureddevices").json.value("Value").toArray();
    QCOMPARE(devices.size(), 2);
    QStringList seen;
    for (const QJsonValue& device : devices) {
        const QJsonObject object = device.toObject();
        QCOMPARE(object.value("DeviceNumber").toInt(-1), 0);
        QVERIFY(!object.value("DeviceName").toString().isEmpty());
        seen << object.value("DeviceType").toString() + '=' + object.value("UniqueID").toString();
    }
    QCOMPARE(
        seen, (QStringList { "SafetyMonitor=id-safety", "ObservingConditions=id-conditions" }));
    const QJsonObject description
        = get("/management/v1/description").json.value("Value").toObject();
    QCOMPARE(description.value("ServerName").toString(), QString("Nubora"));
}

void TestAlpacaProtocol::discoveryOnLoopback()
{
    DiscoveryResponder responder;
    QVERIFY(responder.start("127.0.0.1", 0, 4242));
    QUdpSocket client;
    QVERIFY(client.bind(QHostAddress::LocalHost, 0));

    // Something else on the port gets no answer; the discovery query does.
    client.writeDatagram("hello", QHostAddress::LocalHost, quint16(responder.port()));
    QVERIFY(!client.waitForReadyRead(300));
    client.writeDatagram("alpacadiscovery1", QHostAddress::LocalHost, quint16(responder.port()));
    QVERIFY(client.waitForReadyRead(3000));
    QByteArray datagram(int(client.pendingDatagramSize()), '\0');
    client.readDatagram(datagram.data(), datagram.size());
    QCOMPARE(QJsonDocument::fromJson(datagram).object().value("AlpacaPort").toInt(), 4242);
}

void TestAlpacaProtocol::indiAnswers_data()
{
    QTest::addColumn<QString>("poll"); // none, clear, windy, failed, error, lacking
    QTest::addColumn<bool>("nextHoursPass");
    QTest::addColumn<qint64>("ageMs");
    QTest::addColumn<QString>("openOk");
    QTest::addColumn<QString>("reasons");
    QTest::addColumn<QString>("lines"); // what /indi/weather answers, "age" aside

    const auto row = [](const char* name, const char* poll, bool pass, qint64 ageMs,
                         const char* openOk, const char* reasons, const QString& lines) {
        QTest::newRow(name) << poll << pass << ageMs << openOk << reasons << lines;
    };
    // The sea-level pressure, as weather watchers show it, whatever the station's elevation.
    const QString values = "temperature=12.3\nhumidity=65\nwind=18\ngust=27\npressure=1016\n"
                           "precip=0\nclouds=0\n";
    const QString unrated = "forecast=2\ndewpoint=5.9\nsafe=0\n";
    const QString nothing = "clouds=100\nforecast=2\nsafe=0\n";
    row("no poll yet", "none", true, 0, "0", "Nubora aún no ha consultado la estación", nothing);
    row("safe, good hours ahead", "clear", true, 0, "1", "Condiciones seguras",
        values + "forecast=0\ndewpoint=5.9\nsafe=1\n");
    row("safe, a bad hour ahead", "clear", false, 0, "1", "Condiciones seguras",
        values + "forecast=1\ndewpoint=5.9\nsafe=1\n");
    row("safe but stale", "clear", true, 12 * 60000, "0", "Datos sin actualizar desde hace 12 min",
        values + unrated);
    row("unsafe", "windy", true, 0, "0", "V40Km/h",
        QString(values).replace("wind=18", "wind=40") + unrated);
    row("failed", "failed", true, 0, "0", "Fallo en Nubora: sin datos de la estación", nothing);
    row("error answer", "error", true, 0, "0",
        "Fallo en Nubora: el servicio respondió con un error", nothing);
    row("values lacking", "lacking", true, 0, "0", "Fallo en Nubora",
        "humidity=65\ngust=27\npressure=1016\nprecip=0\nclouds=100\n" + unrated);
}

void TestAlpacaProtocol::indiAnswers()
{
    QFETCH(QString, poll);
    QFETCH(bool, nextHoursPass);
    QFETCH(qint64, ageMs);
    QFETCH(QString, openOk);
    QFETCH(QString, reasons);
    QFETCH(QString, lines);

    ConditionsReadings readings = clearNight();
    readings.cloudCondition = 1;
    if (poll == "windy") {
        readings.windKph = 40;
        readings.safe = false;
        readings.reasons = "V40Km/h";
    } else if (poll == "failed" || poll == "error") {
        readings = ConditionsReadings();
        readings.outcome = poll == "failed" ? Outcome::Failed : Outcome::ErrorAnswer;
    } else if (poll == "lacking") {
        // The walk stopped at a value that was not there: no temperature, no wind, no sky.
        readings.temperature.reset();
        readings.windKph.reset();
        readings.cloudCondition = 0;
        readings.safe = false;
        readings.reasons = "Fallo en Nubora";
    }
    if (poll != "none")
        publishPoll(readings);
    ForecastPage forecast;
    for (ForecastRow& row : forecast.rows) {
        row.Hr_Fct.text = "20:00";
        row.Hr_Fct.background = FieldColour::Green;
    }
    if (!nextHoursPass)
        forecast.rows[2].Hr_Fct.background = FieldColour::Yellow;
    m_board->publishForecast(forecast);
    m_now += ageMs;

    const Answer safety = get("/indi/safety");
    QCOMPARE(safety.status, 200);
    const QJsonObject roof = safety.json.value("roof_status").toObject();
    QCOMPARE(QString::number(roof.value("open_ok").toInt(-1)), openOk);
    QCOMPARE(roof.value("reasons").toString(), reasons);

    const Answer weather = get("/indi/weather");
    QCOMPARE(weather.status, 200);
    QString served = QString::fromUtf8(weather.body);
    const int age = served.indexOf("age=");
    QCOMPARE(age >= 0, poll != "none");
    if (age >= 0) {
        QCOMPARE(served.mid(age), QStringLiteral("age=%1\n").arg(ageMs / 1000));
        served.truncate(age);
    }
    QCOMPARE(served, lines);
}

void TestAlpacaProtocol::meansServed()
{
    ConditionsReadings readings = clearNight();
    readings.observationTimeMs = T0 - 180000; // the service hands out a three-minute-old one
    m_board->publish(readings);
    QCOMPARE(error("PUT", "averageperiod", "AveragePeriod=1"), 0x407); // changes nothing
    connectBoth();
    QCOMPARE(error("PUT", "averageperiod", "AveragePeriod=2"), 0);
    QCOMPARE(value("averageperiod"), 2.0);

    HistoryMeans means;
    means.temperature = 10;
    means.windKph = 7.2;
    means.windDegrees = 300;
    means.pressureHpa = 1013.25;
    setMeans(means);
    QCOMPARE(value("temperature"), 10.0);
    QCOMPARE(m_history.span, qMakePair(T0 - 2 * 3600000, T0));
    QCOMPARE(value("winddirection"), 300.0);
    QCOMPARE(value("pressure"), SnapshotBoard::stationPressure(1013.25, 883));
    QCOMPARE(value("dewpoint"), 5.9); // no mean: the latest value is the best estimate
    // The age stays that of the newest observation, not of the poll.
    QCOMPARE(value("timesincelastupdate?SensorName=Temperature"), 180.0);

    // The next poll brings the next means: a calm period points north.
    means.windKph = 0;
    means.windDegrees.reset();
    setMeans(means);
    m_now += 60000;
    m_board->publish(clearNight());
    QCOMPARE(value("winddirection"), 0.0);

    startServer(nullptr, 0); // no archive, nothing to average
    connectBoth();
    QCOMPARE(error("PUT", "averageperiod", "AveragePeriod=1"), 0x401);
}

void TestAlpacaProtocol::pressureAtTheStation()
{
    // A pressure measured at the station wins over one derived from the elevation (883 m).
    ConditionsReadings readings = clearNight();
    readings.stationPressureHpa = 930.5;
    m_board->publish(readings);
    connectBoth();
    QCOMPARE(value("pressure"), 930.5);
    QVERIFY(get("/api/v1/observingconditions/0/sensordescription?SensorName=Pressure")
                .json.value("Value")
                .toString()
                .contains("medida por la estación"));

    init(); // a source without an elevation
    readings.stationPressureHpa.reset();
    readings.elevationM.reset();
    m_board->publish(readings);
    connectBoth();
    QCOMPARE(error("GET", "pressure"), 0x400);
}

void TestAlpacaProtocol::sensorThereInEveryMemberOrInNone()
{
    HistoryMeans means;
    means.temperature = 1;
    means.windKph = 0;
    means.stationPressureHpa = 900;
    means.cloudCover = 70; // never a sensor the device has not measured
    const QList<std::function<void(ConditionsReadings&)>> polls = {
        [](ConditionsReadings& r) { r = {}; }, // none yet
        [](ConditionsReadings& r) { r = {}, r.outcome = Outcome::Failed; },
        [](ConditionsReadings&) {},
        [](ConditionsReadings& r) { r.elevationM.reset(); },
        [](ConditionsReadings& r) { r.stationPressureHpa = 905, r.cloudCover = 10; },
        [](ConditionsReadings& r) { r.windKph = 0, r.temperature.reset(), r.windDirText = "x"; },
    };
    for (int poll = 0; poll < polls.size() * 2; ++poll) {
        init();
        setMeans(means);
        ConditionsReadings readings = clearNight();
        polls[poll / 2](readings);
        if (poll > 1)
            m_board->publish(readings);
        connectBoth();
        error("PUT", "averageperiod", poll % 2 ? "AveragePeriod=1" : "AveragePeriod=0");
        QMap<QString, double> listed;
        for (const QJsonValue& entry :
            get("/api/v1/observingconditions/0/devicestate").json.value("Value").toArray())
            listed.insert(entry["Name"].toString(), entry["Value"].toDouble());
        for (int i = 0; i < int(Sensor::Count); ++i) {
            const QByteArray name(ObservingConditionsMembers::stateName(Sensor(i)).data());
            const QByteArray where = "poll " + QByteArray::number(poll) + ", " + name;
            const int v = error("GET", name.toLower());
            const int d = error("GET", "sensordescription?SensorName=" + name);
            const int t = error("GET", "timesincelastupdate?SensorName=" + name);
            QVERIFY2((v == 0x400) == (d == 0x400) && (v == 0x400) == (t == 0x400), where);
            QVERIFY2((v == 0) == (t == 0) && (d == 0 || d == 0x400), where);
            QVERIFY2(listed.contains(name) == (v == 0), where);
            if (v == 0)
                QCOMPARE(listed.value(name), value(name.toLower()));
        }
        if (listed.value("WindSpeed", -1) == 0)
            QCOMPARE(listed.value("WindDirection", -1), 0.0);
    }
}

QTEST_GUILESS_MAIN(TestAlpacaProtocol)
#include "tst_alpacaprotocol.moc"
