#pragma once

#include <QtGlobal>
#include <deque>

// The station-owner service suspends a key that asks more than about 1,500 times a day or
// 30 times a minute. One budget per key keeps below both, in rolling windows, with room left
// for another program sharing the key.
class RequestBudget
{
public:
    static constexpr int PerDay = 1400;
    static constexpr int PerMinute = 25;

    // Counts one request at that moment (milliseconds since the epoch) and returns true when
    // it fits both windows; returns false and counts nothing otherwise.
    bool take(qint64 nowMs);

    int usedInLastDay(qint64 nowMs) const { return countSince(nowMs - DayMs); }
    int usedInLastMinute(qint64 nowMs) const { return countSince(nowMs - MinuteMs); }

private:
    static constexpr qint64 MinuteMs = 60 * 1000;
    static constexpr qint64 DayMs = 24 * 60 * MinuteMs;

    int countSince(qint64 startMs) const;

    // A clock set back keeps the later entries counted until it passes them again, which errs
    // on the side of asking less.
    std::deque<qint64> m_sentMs;
};
