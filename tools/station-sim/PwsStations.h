#pragma once

#include "SimRoute.h"

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QStringList>

// The station-owner service (current observation, the day's records, stations near a place)
// and the open forecast service, as JSON, for a few scenario stations: clear, wet, silent
// (204), null fields and a rainy hour across midnight. The key "CLAVEMALA" is refused (401) as
// a revoked key would be.
class PwsStations
{
public:
    static inline const QString BadKey = QStringLiteral("CLAVEMALA");

    // The answer to a path ("/v2/pws/observations/current", "/v1/forecast", ...) with its
    // decoded query, at that moment.
    static SimReply answer(
        const QString& path, const QMap<QString, QString>& query, const QDateTime& now);

    // The simulator's routes of both services.
    static QList<SimRoute> routes();

    static QStringList stationIds();
};
