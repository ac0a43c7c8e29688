#include "Notifier.h"

#include "EmailChannel.h"
#include "Logging.h"
#include "MqttPublisher.h"
#include "NtfyChannel.h"
#include "PushoverChannel.h"

namespace
{

// A whole number of at least 1 from the key, the default otherwise.
int positive(const Notifier::SettingReader& setting, const QString& key, int fallback)
{
    const QString text = setting(key).trimmed();
    if (text.isEmpty())
        return fallback;
    bool ok = false;
    const int value = text.toInt(&ok);
    if (ok && value >= 1 && value <= 24 * 60)
        return value;
    qCWarning(lcNotify).noquote() << "setting" << key << "is not a whole number from 1 to 1440;"
                                  << fallback << "applies";
    return fallback;
}

std::unique_ptr<MqttPublisher> mqttFromSettings(
    const Notifier::SettingReader& setting, int refreshMinutes)
{
    MqttPublisher::Settings mqtt;
    mqtt.url = setting(QStringLiteral("MQTT_URL")).trimmed();
    if (mqtt.url.isEmpty())
        return nullptr;
    mqtt.user = setting(QStringLiteral("MQTT_Usuario"));
    mqtt.password = setting(QStringLiteral("MQTT_Clave"));
    mqtt.caFile = setting(QStringLiteral("MQTT_CA"));
    const QString topic = setting(QStringLiteral("MQTT_Tema")).trimmed();
    if (!topic.isEmpty())
        mqtt.baseTopic = topic;
    const QString prefix = setting(QStringLiteral("MQTT_Descubrimiento")).trimmed();
    if (!prefix.isEmpty())
        mqtt.discoveryPrefix = prefix == QLatin1String("no") ? QString() : prefix;
    // Unavailable in Home Assistant once the data would count as stale here.
    mqtt.expireAfterSeconds = (2 * refreshMinutes + 1) * 60;
    auto publisher = std::make_unique<MqttPublisher>(mqtt);
    if (!publisher->start())
        return nullptr;
    return publisher;
}

} // namespace

Notifier::Notifier(const EventTracker::Settings& settings, qint64 nowMs)
    : m_tracker(settings)
{
    m_tracker.start(nowMs);
}

Notifier::~Notifier() = default;

std::unique_ptr<Notifier> Notifier::fromSettings(const SettingReader& setting, qint64 nowMs)
{
    EventTracker::Settings settings;
    settings.failuresInRow = positive(setting, QStringLiteral("FallosSeguidos"), 3);
    settings.quietMinutes = positive(setting, QStringLiteral("NotificarMinutos"), 15);
    settings.refreshMinutes = positive(setting, QStringLiteral("T_Refresco"), 5);
    auto notifier = std::make_unique<Notifier>(settings, nowMs);
    const ChannelWorker::Limits limits;

    const QString ntfyUrl = setting(QStringLiteral("Ntfy_URL")).trimmed();
    if (!ntfyUrl.isEmpty())
        notifier->addChannel(
            std::make_unique<NtfyChannel>(ntfyUrl, setting(QStringLiteral("Ntfy_Token"))), limits);
    const QString pushoverToken = setting(QStringLiteral("Pushover_Token")).trimmed();
    const QString pushoverUser = setting(QStringLiteral("Pushover_Usuario")).trimmed();
    if (!pushoverToken.isEmpty() && !pushoverUser.isEmpty())
        notifier->addChannel(
            std::make_unique<PushoverChannel>(pushoverToken, pushoverUser), limits);
    const QString smtpUrl = setting(QStringLiteral("SMTP_URL")).trimmed();
    if (!smtpUrl.isEmpty()) {
        CurlTransfer::Mail mail;
        mail.from = setting(QStringLiteral("Correo_De")).trimmed();
        for (const QString& to : setting(QStringLiteral("Correo_Para")).split(QLatin1Char(',')))
            if (!to.trimmed().isEmpty())
                mail.to.append(to.trimmed());
        mail.user = setting(QStringLiteral("SMTP_Usuario"));
        mail.password = setting(QStringLiteral("SMTP_Clave"));
        if (mail.from.isEmpty() || mail.to.isEmpty())
            qCWarning(lcNotify).noquote()
                << "channel email: SMTP_URL needs Correo_De and Correo_Para";
        else
            notifier->addChannel(std::make_unique<EmailChannel>(smtpUrl, mail), limits);
    }
    notifier->setMqtt(mqttFromSettings(setting, settings.refreshMinutes));
    if (notifier->isEmpty())
        return nullptr;
    return notifier;
}

void Notifier::addChannel(
    std::unique_ptr<NotifyChannel> channel, const ChannelWorker::Limits& limits)
{
    qCInfo(lcNotify).noquote() << "channel" << channel->name() << "on";
    m_workers.push_back(std::make_unique<ChannelWorker>(std::move(channel), limits));
}

void Notifier::setMqtt(std::unique_ptr<MqttPublisher> mqtt)
{
    m_mqtt = std::move(mqtt);
}

void Notifier::transition(const SafetyTransition& change)
{
    safetyNow(change.safe, change.reason);
    dispatch(m_tracker.transition(change));
}

void Notifier::poll(qint64 timeMs, const ConditionsReadings& readings, const QString& outcome)
{
    if (m_mqtt)
        m_mqtt->publishPoll(timeMs, readings, outcome);
    dispatch(m_tracker.poll(timeMs, readings, outcome));
}

void Notifier::safetyNow(bool safe, const QString& reason)
{
    if (m_mqtt && (safe != m_toldSafe || reason != m_toldReason))
        m_mqtt->publishSafety(safe, reason);
    m_toldSafe = safe;
    m_toldReason = reason;
}

void Notifier::tick(qint64 nowMs)
{
    dispatch(m_tracker.tick(nowMs));
}

void Notifier::dispatch(const QList<NotifyEvent>& events)
{
    for (const NotifyEvent& event : events) {
        qCInfo(lcNotify).noquote() << "event" << event.kindName() << event.message;
        for (const auto& worker : m_workers)
            worker->post(event);
        if (m_mqtt)
            m_mqtt->publishEvent(event);
    }
}
