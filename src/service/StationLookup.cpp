#include "StationLookup.h"

#include "Logging.h"
#include "PollFailure.h"
#include "StationCombo.h"
#include "WeatherSource.h"

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
        const std::optional<StationList> answer = m_service.nearbyStations(apiKey, shownStation);
        if (!answer) {
            qCWarning(lcPoll).noquote() << "lookup:" << m_service.lastFailure().failedLoad();
            return;
        }
        // The service's error marker is not looked for: an error answer holds no "id". The
        // log still tells it from an answer with no stations.
        const bool errorAnswer = answer->errorAnswer;
        if (errorAnswer)
            qCWarning(lcPoll).noquote() << "lookup: error answer:" << answer->errorDescription;
        for (const QString& id : answer->ids)
            stations.append(id);
        if (!answer->failure.isEmpty())
            throw PollFailure(answer->failure.toStdString());
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
