#include "StatusBoard.h"

namespace
{

std::optional<double> number(const QString& text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}

} // namespace

StatusBoard::StatusBoard()
    : m_current(std::make_shared<const StatusView>())
{
}

void StatusBoard::publishConditions(
    const ConditionsPage& page, const QString& humidityLimit, const QString& windLimit)
{
    auto next = std::make_shared<StatusView>(*current());
    ++next->revision;
    next->conditionsShown = true;
    next->conditions = page;
    next->humidityLimit = number(humidityLimit);
    next->windLimit = number(windLimit);
    const std::lock_guard lock(m_mutex);
    m_current = std::move(next);
}

void StatusBoard::publishForecast(const ForecastPage& page)
{
    auto next = std::make_shared<StatusView>(*current());
    ++next->revision;
    next->forecastShown = true;
    next->forecast = page;
    const std::lock_guard lock(m_mutex);
    m_current = std::move(next);
}

std::shared_ptr<const StatusView> StatusBoard::current() const
{
    const std::lock_guard lock(m_mutex);
    return m_current;
}
