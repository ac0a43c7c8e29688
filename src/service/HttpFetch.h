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

private:
    static std::size_t receive(char* data, std::size_t size, std::size_t count, void* self);

    FetchLimits m_limits;
    QByteArray m_body;
    bool m_overBound = false;
};
