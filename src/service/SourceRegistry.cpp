#include "SourceRegistry.h"

#include "PwsSource.h"
#include "XmlSource.h"

namespace
{

QString orDefault(const QString& address, const QString& fallback)
{
    return address.isEmpty() ? fallback : address;
}

} // namespace

SourceRegistry::SourceRegistry(const Addresses& a)
{
    // One line per source; the first answers for any name not listed.
    add(Xml,
        std::make_unique<XmlSource>(
            orDefault(a.serviceUrl, WeatherService::defaultBaseUrl()), a.limits));
    add(Pws,
        std::make_unique<PwsSource>(orDefault(a.pwsUrl, PwsSource::defaultStationUrl()),
            orDefault(a.forecastUrl, PwsSource::defaultForecastUrl()), a.limits));
}

SourceRegistry::SourceRegistry(std::vector<Entry> entries)
    : m_entries(std::move(entries))
{
    Q_ASSERT(!m_entries.empty());
}

SourceRegistry::~SourceRegistry() = default;

void SourceRegistry::add(const QString& name, std::unique_ptr<WeatherSource> source)
{
    m_entries.emplace_back(name, source.get());
    m_owned.push_back(std::move(source));
}

void SourceRegistry::choose(const QString& fuente)
{
    m_chosen = 0;
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].first == fuente)
            m_chosen = i;
}

std::optional<Observation> SourceRegistry::conditions(
    const QString& apiKey, const QString& station) const
{
    return chosen().conditions(apiKey, station);
}

std::optional<HourlyAnswer> SourceRegistry::hourly(
    const QString& apiKey, const QString& station) const
{
    return chosen().hourly(apiKey, station);
}

std::optional<StationList> SourceRegistry::nearbyStations(
    const QString& apiKey, const QString& station) const
{
    return chosen().nearbyStations(apiKey, station);
}
