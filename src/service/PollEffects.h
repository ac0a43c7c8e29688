#pragma once

#include <QString>
#include <optional>

// What a poll or forecast changes besides its page, for its caller to apply once it returns.
// Nothing runs while a poll fetches, so applying them afterwards is the same as applying them
// where they happen.
struct PollEffects {
    // The poll reached its download: the button-lock timer is stopped before it.
    bool lockTimerStopped = false;
    // The download succeeded: the three buttons are locked and the lock timer (re)started.
    bool loaded = false;
    // The window caption the poll set; none where it leaves the caption as it was.
    std::optional<QString> caption;
};
