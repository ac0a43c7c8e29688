#pragma once

#include "WeatherModel.h"

#include <QString>
#include <QStringList>

// The simulated stations: what each one answers and the fixed weather it reports.
namespace Scenarios
{

enum class Behaviour { Weather, ErrorAnswer, NotXml, ServerError, Slow, Huge };
enum class Variant {
    Live,
    Clear,
    PartlyCloudy,
    Scattered,
    Humid,
    Rain,
    Windy,
    Gusty,
    Incomplete,
    EmptyPressure
};

struct Scenario {
    const char* id;
    Behaviour behaviour;
    Variant variant;
    bool indented;
    const char* city; // UTF-8
    const char* neighbourhood; // UTF-8
    double latitude;
    double longitude;
    int elevationM;
};

constexpr int hourlyEntries = 36;
constexpr int incompleteHourlyEntries = 6;
// The huge answers grow past the program's 2 MiB bound.
constexpr qsizetype hugeBodyBytes = 2 * 1024 * 1024 + 256 * 1024;

// Every station, the live one first.
QStringList stationIds();
// The stations the geolookup answer lists as nearby, in its order.
QStringList nearbyStationIds();
// By identifier, ignoring case; null when there is none.
const Scenario* find(const QString& station);

WeatherModel::Flavour flavourOf(Variant variant);
// The fixed observations: a clear, calm winter evening near Madrid and its variations.
WeatherSample fixedObservation(Variant variant);
// Dew points of the fixed observations, as the service reports them.
double fixedDewpoint(Variant variant);

} // namespace Scenarios
