#include "StopAwareTaskQueue.h"

StopAwareTaskQueue::StopAwareTaskQueue(std::shared_ptr<std::atomic_bool> stopping, size_t threads)
    : m_stopping(std::move(stopping))
    , m_pool(threads)
{
    m_stopping->store(false);
}

void StopAwareTaskQueue::enqueue(std::function<void()> task)
{
    m_pool.enqueue(std::move(task));
}

void StopAwareTaskQueue::shutdown()
{
    m_stopping->store(true);
    m_pool.shutdown();
}
