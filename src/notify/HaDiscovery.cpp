#include "HaDiscovery.h"

#include "MqttValues.h"
#include "NuboraVersion.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace
{

QJsonObject common(const QString& baseTopic, const QString& node, const QString& object,
    const QString& name, int expireAfterSeconds)
{
    QJsonObject device;
    device.insert(QStringLiteral("identifiers"), QJsonArray { node });
    device.insert(QStringLiteral("name"), QStringLiteral("Nubora"));
    device.insert(QStringLiteral("manufacturer"), QStringLiteral("Nubora"));
    device.insert(QStringLiteral("model"), QStringLiteral("Enlace meteorológico"));
    device.insert(QStringLiteral("sw_version"), QStringLiteral(NUBORA_VERSION_STRING));

    QJsonObject config;
    config.insert(QStringLiteral("name"), name);
    config.insert(QStringLiteral("unique_id"), node + QLatin1Char('_') + object);
    config.insert(QStringLiteral("object_id"), node + QLatin1Char('_') + object);
    config.insert(QStringLiteral("availability_topic"), baseTopic + QStringLiteral("/status"));
    config.insert(QStringLiteral("payload_available"), QStringLiteral("online"));
    config.insert(QStringLiteral("payload_not_available"), QStringLiteral("offline"));
    config.insert(QStringLiteral("expire_after"), expireAfterSeconds);
    config.insert(QStringLiteral("device"), device);
    return config;
}

QByteArray compact(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace

QString HaDiscovery::nodeId(const QString& baseTopic)
{
    static const QRegularExpression other(QStringLiteral("[^A-Za-z0-9_-]"));
    QString node = baseTopic;
    node.replace(other, QStringLiteral("_"));
    return node;
}

QList<HaDiscovery::Message> HaDiscovery::configs(
    const QString& prefix, const QString& baseTopic, int expireAfterSeconds)
{
    const QString node = nodeId(baseTopic);
    QList<Message> messages;

    // Home Assistant's safety class reads "on" as unsafe.
    QJsonObject safety = common(
        baseTopic, node, QStringLiteral("safety"), QStringLiteral("Seguridad"), expireAfterSeconds);
    safety.insert(QStringLiteral("device_class"), QStringLiteral("safety"));
    safety.insert(QStringLiteral("state_topic"), baseTopic + QStringLiteral("/safety"));
    safety.insert(QStringLiteral("payload_on"), QStringLiteral("unsafe"));
    safety.insert(QStringLiteral("payload_off"), QStringLiteral("safe"));
    safety.insert(QStringLiteral("json_attributes_topic"), baseTopic + QStringLiteral("/state"));
    messages.append(
        { prefix + QStringLiteral("/binary_sensor/") + node + QStringLiteral("/safety/config"),
            compact(safety) });

    for (const MqttValues::Value& value : MqttValues::all()) {
        const QString key = QLatin1String(value.key);
        QJsonObject sensor
            = common(baseTopic, node, key, QString::fromUtf8(value.name), expireAfterSeconds);
        sensor.insert(QStringLiteral("state_topic"), baseTopic + QLatin1Char('/') + key);
        sensor.insert(QStringLiteral("state_class"), QStringLiteral("measurement"));
        if (*value.unit)
            sensor.insert(QStringLiteral("unit_of_measurement"), QString::fromUtf8(value.unit));
        if (*value.deviceClass)
            sensor.insert(QStringLiteral("device_class"), QLatin1String(value.deviceClass));
        messages.append({ prefix + QStringLiteral("/sensor/") + node + QLatin1Char('/') + key
                + QStringLiteral("/config"),
            compact(sensor) });
    }
    return messages;
}
