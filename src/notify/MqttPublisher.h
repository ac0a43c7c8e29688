#pragma once

#include "ConditionsReadings.h"
#include "NotifyEvent.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <atomic>
#include <mutex>
#include <thread>

struct mosquitto;

// Publishes the state to an MQTT broker through libmosquitto, whose own thread connects,
// reconnects with a growing delay and sends; the callers only hand messages over, so a poll
// never waits for the broker. Everything retained is kept here too and sent again on each
// connection, with "online" on the status topic; the broker sends the last will "offline"
// when the connection drops without a goodbye.
class MqttPublisher
{
public:
    struct Settings {
        QString url; // mqtt://host[:1883] or mqtts://host[:8883]
        QString user;
        QString password;
        QString baseTopic = QStringLiteral("nubora");
        QString discoveryPrefix = QStringLiteral("homeassistant"); // empty: no discovery
        QString caFile; // for mqtts://; the system's certificates when empty
        int expireAfterSeconds = 11 * 60;
    };

    explicit MqttPublisher(const Settings& settings);
    // Says "offline" and leaves cleanly.
    ~MqttPublisher();
    MqttPublisher(const MqttPublisher&) = delete;
    MqttPublisher& operator=(const MqttPublisher&) = delete;

    // Starts connecting; false (and a log line) when the address or TLS setup is unusable.
    bool start();
    bool connected() const { return m_connected; }

    void publishPoll(qint64 timeMs, const ConditionsReadings& readings, const QString& outcome);
    void publishSafety(bool safe, const QString& reason);
    void publishEvent(const NotifyEvent& event);

private:
    static void onConnect(mosquitto* client, void* self, int code);
    static void onDisconnect(mosquitto* client, void* self, int code);
    void retain(const QString& topic, const QByteArray& payload);
    void send(const QString& topic, const QByteArray& payload, bool retained);
    void resendRetained();

    Settings m_settings;
    mosquitto* m_client = nullptr;
    std::thread m_starter; // the first connect
    std::atomic<bool> m_connected { false };
    std::mutex m_mutex;
    QMap<QString, QByteArray> m_retained; // topic -> payload, all sent again on reconnect
    bool m_safe = false;
    QString m_reason;
};
