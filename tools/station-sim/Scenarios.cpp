#include "Scenarios.h"

namespace Scenarios
{

namespace
{

// The live station first; the geolookup lists it and three others as nearby.
const Scenario scenarios[] = {
    { "ISIMVIVO", Behaviour::Weather, Variant::Live, true, "Navacerrada", "Puerto de Navacerrada",
        40.7833, -4.0111, 1860 },
    { "ISIMDESPEJADO", Behaviour::Weather, Variant::Clear, true, "Colmenar Viejo", "El Vivero",
        40.6590, -3.7676, 883 },
    { "ISIMPARCIAL", Behaviour::Weather, Variant::PartlyCloudy, false, "Tres Cantos",
        "Sector Embarcaciones", 40.6007, -3.7081, 722 },
    { "ISIMDISPERSAS", Behaviour::Weather, Variant::Scattered, true, "Alcalá de Henares",
        "Casco Histórico", 40.4818, -3.3643, 588 },
    { "ISIMHUMEDO", Behaviour::Weather, Variant::Humid, false, "Aranjuez", "Jardín del Príncipe",
        40.0311, -3.6025, 495 },
    { "ISIMLLUVIA", Behaviour::Weather, Variant::Rain, true, "Rascafría", "El Paular", 40.9034,
        -3.8801, 1163 },
    { "ISIMVIENTO", Behaviour::Weather, Variant::Windy, false, "Somosierra", "Puerto de Somosierra",
        41.1330, -3.5817, 1444 },
    { "ISIMRACHAS", Behaviour::Weather, Variant::Gusty, true, "San Lorenzo de El Escorial",
        "Abantos", 40.5914, -4.1474, 1028 },
    { "ISIMINCOMPLETO", Behaviour::Weather, Variant::Incomplete, false, "Getafe", "Perales del Río",
        40.3057, -3.7329, 623 },
    { "ISIMVACIO", Behaviour::Weather, Variant::EmptyPressure, true, "Leganés", "Zarzaquemada",
        40.3272, -3.7635, 665 },
    { "ISIMERROR", Behaviour::ErrorAnswer, Variant::Clear, true, "Móstoles", "El Soto", 40.3223,
        -3.8650, 661 },
    { "ISIMNOXML", Behaviour::NotXml, Variant::Clear, true, "Pozuelo de Alarcón", "Somosaguas",
        40.4350, -3.8139, 690 },
    { "ISIMHTTP500", Behaviour::ServerError, Variant::Clear, true, "Boadilla del Monte",
        "Las Lomas", 40.4050, -3.8783, 689 },
    { "ISIMLENTO", Behaviour::Slow, Variant::Clear, true, "Majadahonda", "El Plantío", 40.4735,
        -3.8718, 743 },
    { "ISIMENORME", Behaviour::Huge, Variant::Clear, false, "Alcobendas", "La Moraleja", 40.5475,
        -3.6420, 670 },
};

const char* const nearbyIds[] = { "ISIMVIVO", "ISIMDESPEJADO", "ISIMPARCIAL", "ISIMVIENTO" };

} // namespace

QStringList stationIds()
{
    QStringList ids;
    for (const Scenario& scenario : scenarios)
        ids.append(QLatin1String(scenario.id));
    return ids;
}

QStringList nearbyStationIds()
{
    QStringList ids;
    for (const char* id : nearbyIds)
        ids.append(QLatin1String(id));
    return ids;
}

const Scenario* find(const QString& station)
{
    const QString wanted = station.toUpper();
    for (const Scenario& scenario : scenarios) {
        if (wanted == QLatin1String(scenario.id))
            return &scenario;
    }
    return nullptr;
}

WeatherModel::Flavour flavourOf(Variant variant)
{
    switch (variant) {
    case Variant::Live:
        return WeatherModel::Live;
    case Variant::PartlyCloudy:
        return WeatherModel::PartlyCloudy;
    case Variant::Scattered:
        return WeatherModel::Scattered;
    case Variant::Humid:
        return WeatherModel::Humid;
    case Variant::Rain:
        return WeatherModel::Rain;
    case Variant::Windy:
        return WeatherModel::Windy;
    case Variant::Gusty:
        return WeatherModel::Gusty;
    case Variant::Clear:
    case Variant::Incomplete:
    case Variant::EmptyPressure:
        return WeatherModel::Clear;
    }
    return WeatherModel::Clear;
}

WeatherSample fixedObservation(Variant variant)
{
    WeatherSample sample;
    sample.tempC = 12.3;
    sample.windKph = 5.2;
    sample.gustKph = 8.0;
    sample.windDegrees = 4;
    sample.humidity = 65;
    sample.pressureMb = 1016;
    sample.pressureTrend = QStringLiteral("0");
    sample.visibilityKm = 10.0;
    sample.sky = Sky::Clear;
    switch (variant) {
    case Variant::PartlyCloudy:
        sample.sky = Sky::PartlyCloudy;
        break;
    case Variant::Scattered:
        sample.sky = Sky::Scattered;
        break;
    case Variant::Humid:
        sample.humidity = 91;
        break;
    case Variant::Rain:
        sample.humidity = 70;
        sample.rain1hMm = 0.3;
        sample.rainTodayMm = 2.1;
        sample.sky = Sky::Rain;
        sample.pressureMb = 1009;
        sample.pressureTrend = QStringLiteral("-");
        sample.visibilityKm = 8.0;
        break;
    case Variant::Windy:
        sample.windKph = 22.5;
        sample.gustKph = 30.1;
        break;
    case Variant::Gusty:
        sample.windKph = 10.0;
        sample.gustKph = 18.0;
        break;
    case Variant::Live:
    case Variant::Clear:
    case Variant::Incomplete:
    case Variant::EmptyPressure:
        break;
    }
    return sample;
}

double fixedDewpoint(Variant variant)
{
    switch (variant) {
    case Variant::Humid:
        return 10.9;
    case Variant::Rain:
        return 7.0;
    default:
        return 5.9;
    }
}

} // namespace Scenarios
