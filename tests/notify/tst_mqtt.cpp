#include "LoopbackTools.h"
#include "MqttPublisher.h"
#include "NuboraProcess.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <unistd.h>

namespace
{

// Debian's broker on a loopback port, without persistence: what it holds retained after a
// restart is only what publishers sent again. Secure: TLS, and the login nubora/"clave x".
class Broker
{
public:
    explicit Broker(bool secure)
        : m_secure(secure)
        , m_port(LoopbackTools::freePort())
        , m_dir(m_tmp.path())
    {
    }
    ~Broker() { stop(); }

    bool start()
    {
        QString config = QStringLiteral("listener %1 127.0.0.1\npersistence false\nlog_dest none\n"
                                        "allow_anonymous %2\n")
                             .arg(m_port)
                             .arg(m_secure ? "false" : "true");
        if (getuid() == 0)
            config += "user root\n"; // else it drops to a user who cannot read m_dir
        if (m_secure) {
            config += "certfile " + m_dir.filePath("cert.pem") + "\nkeyfile "
                + m_dir.filePath("key.pem") + "\npassword_file " + m_dir.filePath("pw") + "\n";
            if (!QFile::exists(caFile())
                && (!LoopbackTools::makeCertificate(m_dir)
                    || QProcess::execute("mosquitto_passwd",
                        { "-b", "-c", m_dir.filePath("pw"), "nubora", "clave x" })))
                return false;
        }
        QFile file(m_dir.filePath("mosquitto.conf"));
        if (!file.open(QIODevice::WriteOnly) || file.write(config.toUtf8()) < 0)
            return false;
        file.close();
        m_process.start("mosquitto", { "-c", file.fileName() });
        return m_process.waitForStarted() && LoopbackTools::waitForListener(m_port);
    }
    void stop()
    {
        m_process.terminate();
        m_process.waitForFinished(5000);
    }

    quint16 port() const { return m_port; }
    QString url() const
    {
        return QStringLiteral("%1://127.0.0.1:%2").arg(m_secure ? "mqtts" : "mqtt").arg(m_port);
    }
    QString caFile() const { return m_dir.filePath("cert.pem"); }

    // What a subscriber to the topics gets within 2 s of arriving: the retained messages.
    QMap<QString, QByteArray> retained(const QStringList& topics) const
    {
        QStringList args { "-h", "127.0.0.1", "-p", QString::number(m_port), "-v", "-W", "2" };
        for (const QString& topic : topics)
            args << "-t" << topic;
        if (m_secure)
            args += QStringList { "--cafile", caFile(), "-u", "nubora", "-P", "clave x" };
        QProcess sub;
        sub.start("mosquitto_sub", args);
        sub.waitForFinished(10000);
        QMap<QString, QByteArray> messages;
        for (const QByteArray& line : sub.readAllStandardOutput().split('\n')) {
            if (const qsizetype space = line.indexOf(' '); space > 0)
                messages.insert(QString::fromUtf8(line.left(space)), line.mid(space + 1));
        }
        return messages;
    }

private:
    bool m_secure;
    quint16 m_port;
    QTemporaryDir m_tmp;
    QDir m_dir;
    QProcess m_process;
};

QJsonObject json(const QByteArray& payload)
{
    return QJsonDocument::fromJson(payload).object();
}

} // namespace

class TestMqtt : public QObject
{
    Q_OBJECT

private slots:
    void stateEventsAndDiscovery();
    void tlsWithPassword();
    void willAndReconnectOfTheProgram();
};

void TestMqtt::stateEventsAndDiscovery()
{
    Broker broker(false);
    // A broker that is not there yet is waited for.
    MqttPublisher::Settings settings;
    settings.url = broker.url();
    auto publisher = std::make_unique<MqttPublisher>(settings);
    QVERIFY(publisher->start());
    QTest::qWait(300);
    QVERIFY(broker.start());
    QTRY_VERIFY_WITH_TIMEOUT(publisher->connected(), 10000);

    publisher->publishSafety(false, "Nublado");
    ConditionsReadings readings;
    readings.temperature = 12.5;
    readings.windKph = 0;
    publisher->publishPoll(1765000000000, readings, "not safe: sky");
    QProcess events;
    events.start("mosquitto_sub",
        { "-h", "127.0.0.1", "-p", QString::number(broker.port()), "-C", "1", "-t",
            "nubora/event" });
    QTest::qWait(500); // its subscription in place
    publisher->publishEvent({ NotifyEvent::Kind::Unsafe, 0, "t", "No seguro: Nublado" });
    QVERIFY(events.waitForFinished(5000));
    QCOMPARE(json(events.readAllStandardOutput()).value("event").toString(), "unsafe");

    const auto got = broker.retained({ "nubora/#", "homeassistant/#" });
    QCOMPARE(got.value("nubora/status"), "online");
    QCOMPARE(got.value("nubora/temperature"), "12.5");
    QCOMPARE(got.value("nubora/wind_speed"), "0");
    QVERIFY(!got.contains("nubora/humidity")); // the poll had none
    QVERIFY(!got.contains("nubora/event")); // events are not retained
    QCOMPARE(got.value("nubora/safety"), "unsafe");
    const QJsonObject state = json(got.value("nubora/state"));
    QCOMPARE(state.value("temperature").toDouble(), 12.5);
    QCOMPARE(state.value("reason").toString(), "Nublado");
    QCOMPARE(state.value("time").toString(), "2025-12-06T05:46:40Z");

    const QJsonObject safety = json(got.value("homeassistant/binary_sensor/nubora/safety/config"));
    QCOMPARE(safety.value("device_class").toString(), "safety");
    QCOMPARE(safety.value("payload_on").toString(), "unsafe"); // "on" is unsafe to this class
    const QString temperature = "homeassistant/sensor/nubora/temperature/config";
    QCOMPARE(json(got.value(temperature)).value("unit_of_measurement").toString(), "°C");
    // Every entity: one and the same device, its own id, a topic the program publishes to,
    // gone with the program and after a missed poll or two.
    QSet<QString> ids;
    for (auto it = got.cbegin(); it != got.cend(); ++it) {
        if (!it.key().startsWith("homeassistant/"))
            continue;
        const QJsonObject config = json(it.value());
        QCOMPARE(config.value("device").toObject().value("identifiers").toArray(),
            QJsonArray { "nubora" });
        QVERIFY(config.value("state_topic").toString().startsWith("nubora/"));
        QCOMPARE(config.value("availability_topic").toString(), "nubora/status");
        QCOMPARE(config.value("expire_after").toInt(), 11 * 60);
        ids.insert(config.value("unique_id").toString());
    }
    QCOMPARE(ids.size(), 13);

    publisher.reset(); // gone: offline
    QCOMPARE(broker.retained({ "nubora/status" }).value("nubora/status"), "offline");
}

void TestMqtt::tlsWithPassword()
{
    Broker broker(true);
    QVERIFY(broker.start());
    MqttPublisher publisher({ .url = broker.url(),
        .user = "nubora",
        .password = "clave x",
        .discoveryPrefix = {},
        .caFile = broker.caFile() });
    QVERIFY(publisher.start());
    QTRY_VERIFY(publisher.connected());
    const auto got = broker.retained({ "#" });
    QCOMPARE(got.value("nubora/status"), "online");
    QVERIFY(!got.contains(
        "homeassistant/binary_sensor/nubora/safety/config")); // no prefix, no discovery
}

// The program itself: its state retained after the first poll, sent again when the broker
// comes back empty, and the last will once it dies without a goodbye.
void TestMqtt::willAndReconnectOfTheProgram()
{
    Broker broker(false);
    QVERIFY(broker.start());
    QTemporaryDir dir;
    QProcess simulator;
    const QString serviceUrl = NuboraProcess::startSimulator(simulator);
    QVERIFY(!serviceUrl.isEmpty());
    const QString settingsFile = dir.filePath("settings.ini");
    NuboraProcess::writeSettings(settingsFile, "ISIMDESPEJADO", dir.path());
    QSettings(settingsFile, QSettings::IniFormat).setValue("Setup/MQTT_URL", broker.url());
    QSettings(settingsFile, QSettings::IniFormat).setValue("Setup/MQTT_Tema", "obs1");
    QProcess nubora;
    QVERIFY(NuboraProcess::start(nubora, dir.path(), settingsFile, serviceUrl, {}));
    const auto stop = qScopeGuard([&] {
        nubora.kill();
        nubora.waitForFinished(5000);
        simulator.terminate();
        simulator.waitForFinished(5000);
    });
    const QStringList topics { "obs1/#", "homeassistant/sensor/obs1/temperature/config" };
    QTRY_VERIFY_WITH_TIMEOUT(broker.retained(topics).contains("obs1/temperature"), 30000);
    const auto got = broker.retained(topics);
    QCOMPARE(got.value("obs1/status"), "online");
    QCOMPARE(json(got.value("obs1/state")).value("source").toString(), "WU");
    // A safe poll after the start's "not polled yet" is no change of safety, but its words are.
    QCOMPARE(got.value("obs1/reason"), QString("Seguro en 10 min").toUtf8());
    QCOMPARE(json(got.value("obs1/state")).value("reason").toString(), "Seguro en 10 min");
    QVERIFY(got.contains("homeassistant/sensor/obs1/temperature/config"));

    broker.stop();
    QVERIFY(broker.start());
    QTRY_VERIFY_WITH_TIMEOUT(broker.retained(topics).contains("obs1/state"), 30000);

    nubora.kill();
    QVERIFY(nubora.waitForFinished(5000));
    QTRY_COMPARE_WITH_TIMEOUT(
        broker.retained({ "obs1/status" }).value("obs1/status"), QByteArray("offline"), 10000);
}

QTEST_GUILESS_MAIN(TestMqtt)
#include "tst_mqtt.moc"
