#pragma once

#include "SourceAnswers.h"

#include <QDateTime>
#include <QJsonObject>
#include <optional>

// The hourly answer of the station-owner source, from the forecast service's hourly values.
namespace PwsHourly
{

// The hours from the first full hour after the moment given, with the date of the first one;
// a null value is a cell that cannot be read. Nothing when the answer has no hourly times, or
// one that is unreadable.
std::optional<HourlyAnswer> fromJson(const QJsonObject& forecast, const QDateTime& now);

} // namespace PwsHourly
