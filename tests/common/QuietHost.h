#pragma once

#include "PollHost.h"

// A window for a poll that has no buttons, timer or caption to touch.
class QuietHost : public PollHost
{
public:
    void stopLockTimer() override { }
    void lockButtons() override { }
    void setWindowCaption(const QString&) override { }
};
