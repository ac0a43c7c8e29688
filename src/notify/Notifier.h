#pragma once

#include "ChannelWorker.h"
#include "EventTracker.h"

#include <functional>
#include <memory>
#include <vector>

class MqttPublisher;

// Tells the owner what changed: the events go to every channel set up and to MQTT, which
// also gets the state after every poll. Called on the engine's thread; nothing here waits for
// a receiver.
class Notifier
{
public:
    using SettingReader = std::function<QString(const QString& key)>; // "Setup" key's text

    explicit Notifier(const EventTracker::Settings& settings, qint64 nowMs);
    ~Notifier();

    // The channels and the broker the settings name; none when none is set.
    static std::unique_ptr<Notifier> fromSettings(const SettingReader& setting, qint64 nowMs);

    void addChannel(std::unique_ptr<NotifyChannel> channel, const ChannelWorker::Limits& limits);
    void setMqtt(std::unique_ptr<MqttPublisher> mqtt);
    bool isEmpty() const { return m_workers.empty() && !m_mqtt; }

    void transition(const SafetyTransition& change);
    void poll(qint64 timeMs, const ConditionsReadings& readings, const QString& outcome);
    // The safety as it stands, told to MQTT when its words changed: a second unsafe poll for
    // another reason, or the wait's countdown, is no transition but is what a reader wants.
    void safetyNow(bool safe, const QString& reason);
    void tick(qint64 nowMs);

private:
    void dispatch(const QList<NotifyEvent>& events);

    EventTracker m_tracker;
    std::vector<std::unique_ptr<ChannelWorker>> m_workers;
    std::unique_ptr<MqttPublisher> m_mqtt;
    bool m_toldSafe = false;
    QString m_toldReason;
};
