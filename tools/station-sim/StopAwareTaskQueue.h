#pragma once

#include <atomic>
#include <httplib.h>
#include <memory>

// The server's worker pool, raising a flag when the server stops: httplib joins its workers
// only after every running handler has returned, so a handler that is waiting on purpose
// watches the flag to let the server stop promptly.
class StopAwareTaskQueue : public httplib::TaskQueue
{
public:
    StopAwareTaskQueue(std::shared_ptr<std::atomic_bool> stopping, size_t threads);

    void enqueue(std::function<void()> task) override;
    void shutdown() override;

private:
    std::shared_ptr<std::atomic_bool> m_stopping;
    httplib::ThreadPool m_pool;
};
