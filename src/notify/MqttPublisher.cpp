#include "MqttPublisher.h"

#include "HaDiscovery.h"
#include "KeyMask.h"
#include "Logging.h"
#include "MqttValues.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimeZone>
#include <QUrl>
#include <mosquitto.h>
#include <mutex>

namespace
{

void initLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

QString shownAddress(const QUrl& url)
{
    return url.adjusted(QUrl::RemoveUserInfo | QUrl::RemovePath | QUrl::RemoveQuery).toString();
}

} // namespace

MqttPublisher::MqttPublisher(const Settings& settings)
    : m_settings(settings)
{
    while (m_settings.baseTopic.endsWith(QLatin1Char('/')))
        m_settings.baseTopic.chop(1);
    if (m_settings.baseTopic.isEmpty())
        m_settings.baseTopic = QStringLiteral("nubora");
}

MqttPublisher::~MqttPublisher()
{
    if (!m_client)
        return;
    if (m_starter.joinable())
        m_starter.join();
    const bool leaving = m_connected;
    if (leaving) {
        // A goodbye does not trigger the last will; say it ourselves, before the goodbye.
        send(m_settings.baseTopic + QStringLiteral("/status"), "offline", true);
        mosquitto_disconnect(m_client);
    }
    // After a goodbye the library's thread ends by itself once it is sent; otherwise it
    // would go on reconnecting.
    mosquitto_loop_stop(m_client, !leaving);
    mosquitto_destroy(m_client);
}

bool MqttPublisher::start()
{
    const QUrl url(m_settings.url);
    const bool tls = url.scheme() == QLatin1String("mqtts");
    if (!url.isValid() || (!tls && url.scheme() != QLatin1String("mqtt")) || url.host().isEmpty()) {
        qCWarning(lcNotify).noquote()
            << "channel mqtt: MQTT_URL" << KeyMask::masked(shownAddress(url))
            << "is not mqtt://host[:port] or mqtts://host[:port]";
        return false;
    }
    initLibrary();
    m_client = mosquitto_new(nullptr, true, this);
    if (!m_client)
        return false;
    mosquitto_int_option(m_client, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_connect_callback_set(m_client, &MqttPublisher::onConnect);
    mosquitto_disconnect_callback_set(m_client, &MqttPublisher::onDisconnect);
    mosquitto_reconnect_delay_set(m_client, 1, 60, true);
    const QByteArray statusTopic = (m_settings.baseTopic + QStringLiteral("/status")).toUtf8();
    mosquitto_will_set(m_client, statusTopic.constData(), 7, "offline", 1, true);
    if (!m_settings.user.isEmpty()) {
        mosquitto_username_pw_set(m_client, m_settings.user.toUtf8().constData(),
            m_settings.password.isEmpty() ? nullptr : m_settings.password.toUtf8().constData());
    }
    if (tls) {
        const QByteArray caFile = m_settings.caFile.toLocal8Bit();
        const int rc = caFile.isEmpty()
            ? mosquitto_tls_set(m_client, nullptr, "/etc/ssl/certs", nullptr, nullptr, nullptr)
            : mosquitto_tls_set(m_client, caFile.constData(), nullptr, nullptr, nullptr, nullptr);
        if (rc != MOSQ_ERR_SUCCESS) {
            qCWarning(lcNotify).noquote()
                << "channel mqtt: TLS setup failed:" << mosquitto_strerror(rc);
            return false;
        }
    }
    for (const auto& [topic, payload] : HaDiscovery::configs(
             m_settings.discoveryPrefix, m_settings.baseTopic, m_settings.expireAfterSeconds)) {
        if (!m_settings.discoveryPrefix.isEmpty())
            retain(topic, payload);
    }
    const int port = url.port(tls ? 8883 : 1883);
    // The first connection's name lookup blocks; it runs on a thread of its own, and then the
    // library's thread connects, and reconnects with the delay above.
    const QByteArray host = url.host().toUtf8();
    const QString shown = KeyMask::masked(shownAddress(url));
    m_starter = std::thread([this, host, port, shown] {
        // Started first, the library's thread also retries a first connect that failed.
        mosquitto_loop_start(m_client);
        const int rc = mosquitto_connect_async(m_client, host.constData(), port, 60);
        qCInfo(lcNotify).noquote()
            << "channel mqtt: connecting to" << shown
            << (rc == MOSQ_ERR_SUCCESS ? QString() : QString::fromUtf8(mosquitto_strerror(rc)));
    });
    return true;
}

void MqttPublisher::onConnect(mosquitto*, void* self, int code)
{
    auto* publisher = static_cast<MqttPublisher*>(self);
    if (code != 0) {
        qCWarning(lcNotify).noquote()
            << "channel mqtt: broker refused the connection:" << mosquitto_connack_string(code);
        return;
    }
    publisher->m_connected = true;
    qCInfo(lcNotify).noquote() << "channel mqtt: connected";
    publisher->send(publisher->m_settings.baseTopic + QStringLiteral("/status"), "online", true);
    publisher->resendRetained();
}

void MqttPublisher::onDisconnect(mosquitto*, void* self, int code)
{
    auto* publisher = static_cast<MqttPublisher*>(self);
    if (publisher->m_connected.exchange(false) && code != 0)
        qCWarning(lcNotify).noquote() << "channel mqtt: connection lost, reconnecting";
}

void MqttPublisher::resendRetained()
{
    QMap<QString, QByteArray> retained;
    {
        const std::lock_guard lock(m_mutex);
        retained = m_retained;
    }
    for (auto it = retained.cbegin(); it != retained.cend(); ++it)
        send(it.key(), it.value(), true);
}

void MqttPublisher::retain(const QString& topic, const QByteArray& payload)
{
    {
        const std::lock_guard lock(m_mutex);
        m_retained.insert(topic, payload);
    }
    send(topic, payload, true);
}

void MqttPublisher::send(const QString& topic, const QByteArray& payload, bool retained)
{
    // Without a connection the retained copy waits for the next one; an event is lost.
    if (!m_client || !m_connected)
        return;
    const QByteArray name = topic.toUtf8();
    mosquitto_publish(
        m_client, nullptr, name.constData(), int(payload.size()), payload.constData(), 1, retained);
}

void MqttPublisher::publishPoll(
    qint64 timeMs, const ConditionsReadings& readings, const QString& outcome)
{
    const QString base = m_settings.baseTopic + QLatin1Char('/');
    bool safe = false;
    QString reason;
    {
        const std::lock_guard lock(m_mutex);
        safe = m_safe;
        reason = m_reason;
    }
    const QJsonObject state = MqttValues::state(timeMs, readings, safe, reason, outcome);
    retain(base + QStringLiteral("state"), QJsonDocument(state).toJson(QJsonDocument::Compact));
    for (const MqttValues::Value& value : MqttValues::all()) {
        if (const std::optional<double>& v = readings.*value.member)
            retain(base + QLatin1String(value.key), MqttValues::text(*v));
    }
    // The safety again, so that Home Assistant's expiry counts from this poll.
    retain(base + QStringLiteral("safety"), safe ? "safe" : "unsafe");
}

void MqttPublisher::publishSafety(bool safe, const QString& reason)
{
    {
        const std::lock_guard lock(m_mutex);
        m_safe = safe;
        m_reason = reason;
    }
    const QString base = m_settings.baseTopic + QLatin1Char('/');
    retain(base + QStringLiteral("safety"), safe ? "safe" : "unsafe");
    retain(base + QStringLiteral("reason"), reason.toUtf8());
}

void MqttPublisher::publishEvent(const NotifyEvent& event)
{
    QJsonObject object;
    object.insert(QStringLiteral("event"), event.kindName());
    object.insert(QStringLiteral("title"), event.title);
    object.insert(QStringLiteral("message"), event.message);
    object.insert(QStringLiteral("time"),
        QDateTime::fromMSecsSinceEpoch(event.timeMs, Qt::UTC).toString(Qt::ISODate));
    send(m_settings.baseTopic + QStringLiteral("/event"),
        QJsonDocument(object).toJson(QJsonDocument::Compact), false);
}
