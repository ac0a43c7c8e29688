#pragma once

#include "FetchLimits.h"
#include "LoadFailure.h"

#include <QByteArray>
#include <cstddef>
#include <optional>

// One bounded, blocking HTTP(S) GET through libcurl's easy interface, on the calling thread, so
// no event loop runs while a poll waits for its answer.
class HttpFetch
{
public:
    explicit HttpFetch(const FetchLimits& limits);

    // The body of a 2xx answer; nothing on any failure or exceeded bound, with the reason in
    // `failure` when one is given.
    std::optional<QByteArray> get(const QByteArray& url, LoadFailure* failure = nullptr);
    // The HTTP status of the last answer get() returned, so that an empty 204 can be told
    // from an empty 200; 0 before one.
    long status() const { return m_status; }

    // Ends a fetch under way within about a second, and fails every later one at once: the
    // program is stopping. Async-signal-safe, so a signal handler may call it.
    static void requestStop();
    static bool stopRequested();

private:
    static std::size_t receive(char* data, std::size_t size, std::size_t count, void* self);

    FetchLimits m_limits;
    QByteArray m_body;
    bool m_overBound = false;
    long m_status = 0;
};
