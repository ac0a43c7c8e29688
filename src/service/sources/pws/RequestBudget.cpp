#include "RequestBudget.h"

#include <algorithm>

bool RequestBudget::take(qint64 nowMs)
{
    const qint64 dayStart = nowMs - DayMs;
    m_sentMs.erase(std::remove_if(m_sentMs.begin(), m_sentMs.end(),
                       [dayStart](qint64 t) { return t <= dayStart; }),
        m_sentMs.end());
    if (usedInLastDay(nowMs) >= PerDay || usedInLastMinute(nowMs) >= PerMinute)
        return false;
    m_sentMs.push_back(nowMs);
    return true;
}

int RequestBudget::countSince(qint64 startMs) const
{
    return static_cast<int>(std::count_if(
        m_sentMs.begin(), m_sentMs.end(), [startMs](qint64 t) { return t > startMs; }));
}
