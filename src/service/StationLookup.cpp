#include "StationLookup.h"

#include "StationCombo.h"
#include "WeatherService.h"

#include <exception>

StationLookup::StationLookup(const WeatherSource& service)
    : m_service(service)
{
}

void StationLookup::Buscar_Click(const QString& apiKey, StationCombo& stations) const
{
    const QString shownStation = stations.text;
    stations.clear();
    try {
        const std::optional<QDomDocument> document
            = m_service.requestDocument(WeatherSource::Geolookup, apiKey, shownStation);
        if (!document)
            return;
        // The service's error marker is not looked for: an error answer holds no "id".
        const QDomNodeList ids = WeatherService::ElementsByTagName(*document, QStringLiteral("id"));
        for (int i = 0; i < ids.count(); ++i)
            stations.append(WeatherService::NodeText(WeatherService::ItemAt(ids, i)));
        if (!stations.items.isEmpty())
            stations.select(0);
    } catch (const std::exception&) {
        // Quietly: the identifiers found before the failing one stay, none is selected.
    }
}
