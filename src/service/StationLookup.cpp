#include "StationLookup.h"

#include "Logging.h"
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
        if (!document) {
            qCWarning(lcPoll).noquote() << "lookup:" << m_service.lastFailure().failedLoad();
            return;
        }
        // The service's error marker is not looked for: an error answer holds no "id". The
        // log still tells it from an answer with no stations.
        const bool errorAnswer = WeatherService::HasErrorElement(*document);
        if (errorAnswer) {
            qCWarning(lcPoll).noquote()
                << "lookup: error answer:" << WeatherService::errorDescription(*document);
        }
        const QDomNodeList ids = WeatherService::ElementsByTagName(*document, QStringLiteral("id"));
        for (int i = 0; i < ids.count(); ++i)
            stations.append(WeatherService::NodeText(WeatherService::ItemAt(ids, i)));
        if (!stations.items.isEmpty())
            stations.select(0);
        // A source may say why it found none (no station to search around).
        const LoadFailure note = m_service.lastFailure();
        if (!errorAnswer && note.kind != LoadFailure::None && stations.items.isEmpty())
            qCInfo(lcPoll).noquote() << "lookup: 0 stations found;" << note.text();
        else if (!errorAnswer)
            qCInfo(lcPoll).noquote()
                << QStringLiteral("lookup: %1 stations found").arg(stations.items.size());
    } catch (const std::exception& error) {
        // Quietly: the identifiers found before the failing one stay, none is selected.
        qCWarning(lcPoll).noquote()
            << "lookup: run-time failure:" << QString::fromUtf8(error.what())
            << QStringLiteral("(%1 stations kept)").arg(stations.items.size());
    }
}
