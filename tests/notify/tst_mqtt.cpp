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
// restart is only what publishers sent again.
class Broker
{
public:
    struct Options {
        bool tls = false;
        QString user; // with a password: no anonymous clients
        QString password;
    };

    explicit Broker(const Options& options)
        : m_options(options)
        , m_port(LoopbackTools::freePort())
    {
    }
    ~Broker() { stop(); }

    bool start()
    {
        const QDir dir(m_dir.path());
        if (m_options.tls && !QFile::exists(dir.filePath("cert.pem"))
            && !LoopbackTools::makeCertificate(dir))
            return false;
        QFile config(dir.filePath("mosquitto.conf"));
        if (!config.open(QIODevice::WriteOnly))
            return false;
        config.write(QStringLiteral("listener %1 127.0.0.1\npersistence false\nlog_dest none\n")
                         .arg(m_port)
                         .toUtf8());
        if (getuid() == 0)
            config.write("user root\n");
        if (m_options.tls)
            config.write(("certfile " + dir.filePath("cert.pem") + "\nkeyfile "
                + dir.filePath("key.pem") + "\n")
                             .toUtf8());
        if (m_options.user.isEmpty()) {
            config.write("allow_anonymous true\n");
        } else {
            config.write(
                ("allow_anonymous false\npassword_file " + dir.filePath("passwords") + "\n")
                    .toUtf8());
            if (QProcess::execute("mosquitto_passwd",
                    { "-b", "-c", dir.filePath("passwords"), m_options.user, m_options.password })
                != 0)
                return false;
        }
        config.close();
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start("mosquitto", { "-c", config.fileName() });
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
        return QStringLiteral("%1://127.0.0.1:%2")
            .arg(m_options.tls ? "mqtts" : "mqtt")
            .arg(m_port);
    }
    QString caFile() const { return QDir(m_dir.path()).filePath("cert.pem"); }

    // The retained messages under the topics, as a subscriber gets them on arrival.
    QMap<QString, QByteArray> retained(const QStringList& topics) const
    {
        QStringList args { "-h", "127.0.0.1", "-p", QString::number(m_port), "-v", "-W", "2" };
        for (const QString& topic : topics)
            args << "-t" << topic;
        if (m_options.tls)
            args << "--cafile" << caFile();
        if (!m_options.user.isEmpty())
            args << "-u" << m_options.user << "-P" << m_options.password;
        QProcess sub;
        sub.start("mosquitto_sub", args);
        sub.waitForFinished(10000);
        QMap<QString, QByteArray> messages;
        for (const QByteArray& line : sub.readAllStandardOutput().split('\n')) {
            const qsizetype space = line.indexOf(' ');
            if (space > 0)
                messages.insert(QString::fromUtf8(line.left(space)), line.mid(space + 1));
        }
        return messages;
    }

private:
    Options m_options;
    quint16 m_port;
    QTemporaryDir m_dir;
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
    Broker broker({});
    // A broker that is not there yet is waited for.
    MqttPublisher publisher({ broker.url() });
    QVERIFY(publisher.start());
    QTest::qWait(300);
    QVERIFY(broker.start());
    QTRY_VERIFY_WITH_TIMEOUT(publisher.connected(), 10000);

    publisher.publishSafety(false, QStringLiteral("Nublado"));
    ConditionsReadings readings;
    readings.outcome = ConditionsReadings::Outcome::Complete;
    readings.temperature = 12.5;
    readings.humidity = 80;
    readings.windKph = 0;
    readings.source = QStringLiteral("WU");
    publisher.publishPoll(1765000000000, readings, QStringLiteral("not safe: sky"));

    QProcess events;
    events.start("mosquitto_sub",
        { "-h", "127.0.0.1", "-p", QString::number(broker.port()), "-C", "1", "-t",
            "nubora/event" });
    QTest::qWait(500); // its subscription in place
    publisher.publishEvent({ NotifyEvent::Kind::Unsafe, 1765000000000, "t", "No seguro: Nublado" });
    QVERIFY(events.waitForFinished(5000));
    const QJsonObject event = json(events.readAllStandardOutput());
    QCOMPARE(event.value("event").toString(), "unsafe");
    QCOMPARE(event.value("message").toString(), "No seguro: Nublado");

    const auto got = broker.retained({ "nubora/#", "homeassistant/#" });
    QCOMPARE(got.value("nubora/status"), "online");
    QCOMPARE(got.value("nubora/temperature"), "12.5");
    QCOMPARE(got.value("nubora/wind_speed"), "0");
    QVERIFY(!got.contains("nubora/visibility")); // the poll had none
    QVERIFY(!got.contains("nubora/event")); // events are not retained
    QCOMPARE(got.value("nubora/safety"), "unsafe");
    QCOMPARE(got.value("nubora/reason"), "Nublado");
    const QJsonObject state = json(got.value("nubora/state"));
    QCOMPARE(state.value("temperature").toDouble(), 12.5);
    QCOMPARE(state.value("safe").toBool(true), false);
    QCOMPARE(state.value("reason").toString(), "Nublado");
    QCOMPARE(state.value("time").toString(), "2025-12-06T05:46:40Z");

    const QJsonObject safety = json(got.value("homeassistant/binary_sensor/nubora/safety/config"));
    QCOMPARE(safety.value("device_class").toString(), "safety");
    QCOMPARE(safety.value("state_topic").toString(), "nubora/safety");
    QCOMPARE(safety.value("payload_on").toString(), "unsafe"); // "on" is unsafe to this class
    QCOMPARE(safety.value("availability_topic").toString(), "nubora/status");
    QCOMPARE(safety.value("expire_after").toInt(), 11 * 60);
    const QJsonObject temperature
        = json(got.value("homeassistant/sensor/nubora/temperature/config"));
    QCOMPARE(temperature.value("unit_of_measurement").toString(), "°C");
    QCOMPARE(temperature.value("device_class").toString(), "temperature");
    QCOMPARE(temperature.value("state_topic").toString(), "nubora/temperature");
    // Every entity names one and the same device, and a topic the program publishes to.
    QSet<QString> uniqueIds;
    for (auto it = got.cbegin(); it != got.cend(); ++it) {
        if (!it.key().startsWith("homeassistant/"))
            continue;
        const QJsonObject config = json(it.value());
        QCOMPARE(config.value("device").toObject().value("identifiers").toArray(),
            QJsonArray { "nubora" });
        QVERIFY(config.value("state_topic").toString().startsWith("nubora/"));
        uniqueIds.insert(config.value("unique_id").toString());
    }
    QCOMPARE(uniqueIds.size(), 13);
}

void TestMqtt::tlsWithPassword()
{
    Broker broker({ true, "nubora", "clave secreta" });
    QVERIFY(broker.start());
    MqttPublisher::Settings settings { broker.url(), "nubora", "clave secreta" };
    settings.caFile = broker.caFile();
    settings.discoveryPrefix.clear();
    MqttPublisher publisher(settings);
    QVERIFY(publisher.start());
    QTRY_VERIFY(publisher.connected());
    const auto got = broker.retained({ "#" });
    QCOMPARE(got.value("nubora/status"), "online");
    QVERIFY(!got.contains("homeassistant/binary_sensor/nubora/safety/config"));

    settings.password = "otra";
    MqttPublisher refused(settings);
    QVERIFY(refused.start());
    QTest::qWait(1500);
    QVERIFY(!refused.connected());
}

// The program itself: its state retained after the first poll, sent again when the broker
// comes back empty, and the last will once it dies without a goodbye.
void TestMqtt::willAndReconnectOfTheProgram()
{
    Broker broker({});
    QVERIFY(broker.start());
    QTemporaryDir dir;
    QProcess simulator;
    const QString serviceUrl = NuboraProcess::startSimulator(simulator);
    QVERIFY(!serviceUrl.isEmpty());
    const auto stopSimulator = qScopeGuard([&simulator] {
        simulator.terminate();
        simulator.waitForFinished(5000);
    });
    const QString settingsFile = dir.filePath("settings.ini");
    NuboraProcess::writeSettings(settingsFile, "ISIMDESPEJADO", dir.path());
    {
        QSettings settings(settingsFile, QSettings::IniFormat);
        settings.setValue("Setup/MQTT_URL", broker.url());
        settings.setValue("Setup/MQTT_Tema", "obs1");
    }
    QProcess nubora;
    QVERIFY(NuboraProcess::start(nubora, dir.path(), settingsFile, serviceUrl, {}));
    const auto stopNubora = qScopeGuard([&nubora] {
        nubora.kill();
        nubora.waitForFinished(5000);
    });
    const QStringList topics { "obs1/#", "homeassistant/sensor/obs1/temperature/config" };
    QTRY_VERIFY_WITH_TIMEOUT(broker.retained(topics).contains("obs1/temperature"), 30000);
    auto got = broker.retained(topics);
    QCOMPARE(got.value("obs1/status"), "online");
    QCOMPARE(json(got.value("obs1/state")).value("source").toString(), "WU");
    QVERIFY(got.contains("homeassistant/sensor/obs1/temperature/config"));

    broker.stop();
    QVERIFY(broker.start());
    QTRY_VERIFY_WITH_TIMEOUT(broker.retained(topics).contains("obs1/state"), 30000);
    QCOMPARE(broker.retained(topics).value("obs1/status"), "online");

    nubora.kill();
    QVERIFY(nubora.waitForFinished(5000));
    QTRY_COMPARE_WITH_TIMEOUT(
        broker.retained({ "obs1/status" }).value("obs1/status"), QByteArray("offline"), 10000);
}

QTEST_GUILESS_MAIN(TestMqtt)
#include "tst_mqtt.moc"
