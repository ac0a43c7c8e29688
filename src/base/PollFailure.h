#pragma once

#include <stdexcept>

// A run-time failure inside a poll or a lookup: a read through a missing node or an empty
// element, a text that is not a number, a file that cannot be written. Each procedure that
// talks to the service has one handler for it and never resumes the failed step.
class PollFailure : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};
