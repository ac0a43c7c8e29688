#pragma once

#include "NotifyChannel.h"

#include <QList>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

// Sends one channel's events on a thread of its own, so that a slow or dead receiver never
// holds up the caller: post only queues. A failed send is tried again after a growing delay
// until giveUpAfter has passed since the first try, then dropped with a log line; a full queue
// drops the new event.
class ChannelWorker
{
public:
    struct Limits {
        int queueLength = 16;
        std::chrono::milliseconds firstDelay { 5000 };
        std::chrono::milliseconds longestDelay { 5 * 60 * 1000 };
        std::chrono::milliseconds giveUpAfter { 30 * 60 * 1000 };
    };

    ChannelWorker(std::unique_ptr<NotifyChannel> channel, const Limits& limits);
    ~ChannelWorker();
    ChannelWorker(const ChannelWorker&) = delete;
    ChannelWorker& operator=(const ChannelWorker&) = delete;

    // Never blocks; false when the queue was full and the event was dropped.
    bool post(const NotifyEvent& event);
    QString name() const { return m_name; }

private:
    void run();
    void deliver(const NotifyEvent& event);

    std::unique_ptr<NotifyChannel> m_channel;
    const QString m_name;
    const Limits m_limits;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<NotifyEvent> m_queue;
    std::atomic<bool> m_stop { false };
    std::thread m_thread;
};
