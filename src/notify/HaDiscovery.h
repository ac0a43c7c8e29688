#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <utility>

// Home Assistant's MQTT discovery for the program's topics: one device holding a safety binary
// sensor and a sensor per value, each unavailable when the program is offline or its value
// has not been renewed within expire_after.
class HaDiscovery
{
public:
    using Message = std::pair<QString, QByteArray>; // topic, retained payload

    // baseTopic: the program's own topics ("nubora"); prefix: discovery's ("homeassistant").
    static QList<Message> configs(
        const QString& prefix, const QString& baseTopic, int expireAfterSeconds);
    // The node and device id made from the base topic ("nubora/obs 1" gives "nubora_obs_1").
    static QString nodeId(const QString& baseTopic);
};
