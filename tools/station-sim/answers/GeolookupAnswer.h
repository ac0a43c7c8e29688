#pragma once

#include "AnswerWriter.h"

// The geolookup answer: the caller's location, then the nearby airport stations (which carry
// no "id") and personal stations.
struct GeolookupAnswer {
    struct Airport {
        QString city, state, country, icao, lat, lon;
    };
    struct PersonalStation {
        QString neighborhood, city, state, country, id, distanceKm, distanceMi;
    };

    // The children of "location" before the nearby stations, in order.
    AnswerWriter::Children location;
    QList<Airport> airports;
    QList<PersonalStation> stations;

    QByteArray toXml(bool indented) const;
};
