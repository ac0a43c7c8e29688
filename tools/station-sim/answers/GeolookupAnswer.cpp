#include "GeolookupAnswer.h"

QByteArray GeolookupAnswer::toXml(bool indented) const
{
    AnswerWriter w(indented, QStringLiteral("geolookup"));
    w.start(QStringLiteral("location"));
    for (const auto& [name, value] : location)
        w.text(name, value);
    w.start(QStringLiteral("nearby_weather_stations"));
    w.start(QStringLiteral("airport"));
    for (const Airport& airport : airports) {
        w.children(QStringLiteral("station"),
            { { QStringLiteral("city"), airport.city }, { QStringLiteral("state"), airport.state },
                { QStringLiteral("country"), airport.country },
                { QStringLiteral("icao"), airport.icao }, { QStringLiteral("lat"), airport.lat },
                { QStringLiteral("lon"), airport.lon } });
    }
    w.end();
    w.start(QStringLiteral("pws"));
    for (const PersonalStation& station : stations) {
        w.children(QStringLiteral("station"),
            { { QStringLiteral("neighborhood"), station.neighborhood },
                { QStringLiteral("city"), station.city },
                { QStringLiteral("state"), station.state },
                { QStringLiteral("country"), station.country },
                { QStringLiteral("id"), station.id },
                { QStringLiteral("distance_km"), station.distanceKm },
                { QStringLiteral("distance_mi"), station.distanceMi } });
    }
    w.end(); // pws
    w.end(); // nearby_weather_stations
    w.end(); // location
    return w.finish();
}
