#pragma once

#include "ForecastPage.h"

#include <QList>
#include <QString>
#include <optional>

// The forecast hours as the safety hold reads them: each shown hour placed in time, with what
// it breaks in words (nothing when its hour cell is green).
class ForecastHold
{
public:
    static constexpr qint64 HourMs = 3600 * 1000;

    ForecastHold() = default;
    // The page as shown at shownMs; the hours are local times from then on.
    ForecastHold(const ForecastPage& page, qint64 shownMs);

    // Why the hours from nowMs to nowMs + hours are not all good: the first one that breaks
    // a limit, or that the forecast does not reach that far. Empty when they pass.
    QString reason(qint64 nowMs, int hours) const;
    // The first moment after afterMs at which reason() may change on its own.
    std::optional<qint64> nextChangeAfter(qint64 afterMs, int hours) const;

private:
    struct Hour {
        qint64 startMs = 0;
        QString trouble; // empty: the hour passes
    };

    static QString trouble(const ForecastRow& row);

    QList<Hour> m_hours;
};
