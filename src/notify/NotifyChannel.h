#pragma once

#include "NotifyEvent.h"

#include <atomic>

// One way of telling the owner (a push service, mail). send runs on the channel's own worker
// thread and may take as long as its receiver does, up to its own time limit.
class NotifyChannel
{
public:
    virtual ~NotifyChannel() = default;

    virtual QString name() const = 0;
    // Empty when the receiver took it; otherwise why not, with no secret in it. Gives up
    // early once stop is set.
    virtual QString send(const NotifyEvent& event, const std::atomic<bool>& stop) = 0;
};
