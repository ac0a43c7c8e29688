#pragma once

#include <QString>

struct StationCombo;
class WeatherSource;

// The "Buscar" button: replaces the station list with the stations the weather service finds
// near this computer's network address.
class StationLookup
{
public:
    explicit StationLookup(const WeatherSource& service);

    // Empties the list and its text, then appends the text of every "id" element of the
    // geolookup answer in document order and selects entry 0 when there is one. Any failure
    // ends quietly: the entries already added stay, nothing is selected. No button lock.
    // The station shown before the list is emptied is the one a source may search around.
    void Buscar_Click(const QString& apiKey, StationCombo& stations) const;

private:
    const WeatherSource& m_service;
};
