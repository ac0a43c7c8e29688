#pragma once

#include <QtGlobal>

// Bounds of one fetch; each one exceeded is a failed load. Tests shorten them.
struct FetchLimits {
    long connectTimeoutMs = 10000;
    long totalTimeoutMs = 30000;
    qint64 maxBodyBytes = 1024 * 1024;
    long maxRedirects = 5;
};
