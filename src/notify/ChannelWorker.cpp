#include "ChannelWorker.h"

#include "Logging.h"

ChannelWorker::ChannelWorker(std::unique_ptr<NotifyChannel> channel, const Limits& limits)
    : m_channel(std::move(channel))
    , m_name(m_channel->name())
    , m_limits(limits)
{
    m_thread = std::thread([this] { run(); });
}

ChannelWorker::~ChannelWorker()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
    for (const NotifyEvent& event : m_queue)
        qCWarning(lcNotify).noquote()
            << "channel" << m_name << "event" << event.kindName() << "dropped: the program stops";
}

bool ChannelWorker::post(const NotifyEvent& event)
{
    {
        const std::lock_guard lock(m_mutex);
        if (int(m_queue.size()) >= m_limits.queueLength) {
            qCWarning(lcNotify).noquote()
                << "channel" << m_name << "event" << event.kindName() << "dropped: queue full";
            return false;
        }
        m_queue.push_back(event);
    }
    m_wake.notify_one();
    return true;
}

void ChannelWorker::run()
{
    std::unique_lock lock(m_mutex);
    while (true) {
        m_wake.wait(lock, [this] { return m_stop || !m_queue.empty(); });
        if (m_stop)
            return;
        const NotifyEvent event = m_queue.front();
        m_queue.pop_front();
        lock.unlock();
        deliver(event);
        lock.lock();
    }
}

void ChannelWorker::deliver(const NotifyEvent& event)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point giveUpAt = Clock::now() + m_limits.giveUpAfter;
    std::chrono::milliseconds delay = m_limits.firstDelay;
    for (int attempt = 1;; ++attempt) {
        const QString error = m_channel->send(event, m_stop);
        if (error.isEmpty()) {
            qCInfo(lcNotify).noquote()
                << "channel" << m_name << "event" << event.kindName() << "sent";
            return;
        }
        if (m_stop) {
            qCWarning(lcNotify).noquote() << "channel" << m_name << "event" << event.kindName()
                                          << "dropped: the program stops";
            return;
        }
        if (Clock::now() + delay > giveUpAt) {
            qCWarning(lcNotify).noquote() << "channel" << m_name << "event" << event.kindName()
                                          << "dropped after" << attempt << "tries:" << error;
            return;
        }
        qCWarning(lcNotify).noquote() << "channel" << m_name << "event" << event.kindName()
                                      << "failed, retry in" << delay.count() << "ms:" << error;
        std::unique_lock lock(m_mutex);
        if (m_wake.wait_for(lock, delay, [this] { return m_stop.load(); })) {
            qCWarning(lcNotify).noquote() << "channel" << m_name << "event" << event.kindName()
                                          << "dropped: the program stops";
            return;
        }
        delay = std::min(delay * 2, m_limits.longestDelay);
    }
}
