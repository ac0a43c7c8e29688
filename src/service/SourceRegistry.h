#pragma once

#include "FetchLimits.h"
#include "WeatherSource.h"

#include <QString>
#include <memory>
#include <utility>
#include <vector>

// The weather sources by the name the user chose ("Fuente" in "Setup"), and the chosen one's
// answers by delegation. The polls hold the registry as their source, so a choice takes effect
// at the next request. A name that no source has gives the first source of the table.
class SourceRegistry : public WeatherSource
{
public:
    static inline const QString Xml = QStringLiteral("WU");
    static inline const QString Pws = QStringLiteral("PWS");

    // Where each source is reached; an empty address leaves that source's default.
    struct Addresses {
        QString serviceUrl; // the XML service
        QString pwsUrl; // the station-owner service
        QString forecastUrl; // the open forecast service the station-owner source asks
        FetchLimits limits;
    };
    using Entry = std::pair<QString, const WeatherSource*>;

    // Every source of the program, made from their addresses.
    explicit SourceRegistry(const Addresses& addresses);
    // Sources made by the caller, which outlive the registry; the first is the default.
    explicit SourceRegistry(std::vector<Entry> entries);
    ~SourceRegistry() override;

    void choose(const QString& fuente);
    QString chosenName() const { return m_entries.at(m_chosen).first; }
    const WeatherSource& chosen() const { return *m_entries.at(m_chosen).second; }

    std::optional<Observation> conditions(
        const QString& apiKey, const QString& station) const override;
    std::optional<HourlyAnswer> hourly(
        const QString& apiKey, const QString& station) const override;
    std::optional<StationList> nearbyStations(
        const QString& apiKey, const QString& station) const override;
    LoadFailure lastFailure() const override { return chosen().lastFailure(); }
    QString name() const override { return chosenName(); }

private:
    void add(const QString& name, std::unique_ptr<WeatherSource> source);

    std::vector<std::unique_ptr<WeatherSource>> m_owned;
    std::vector<Entry> m_entries;
    std::size_t m_chosen = 0;
};
