#pragma once

#include "StationCombo.h"

#include <QString>
#include <array>

// Default values of the configuration. The page starts with one refresh period and a store
// without the key gives another: both are kept as they have always been.
namespace ConfigDefaults
{

inline constexpr int PageRefreshMinutes = 3; // shown before the store is read
inline constexpr int StoredRefreshMinutes = 5; // a store without "T_Refresco"
inline constexpr int HumidityLimit = 80;
inline constexpr int WindLimit = 15;
inline constexpr int RainCheck = 1;
inline constexpr int SkyCheck = 0;
inline constexpr int AlertCheck = 0;
// The weather source: "WU" (the XML service) or "PWS" (the station-owner source).
inline const QString Source = QStringLiteral("WU");

} // namespace ConfigDefaults

// The working configuration: what the controls of the "Config." page hold. Every poll reads
// these values, accepted or not; the store holds the accepted ones.
struct ConfigPage {
    QString API_key;
    StationCombo Estacion_ID;
    QString T_Refresco = QString::number(ConfigDefaults::PageRefreshMinutes);
    QString HumedadAlta = QString::number(ConfigDefaults::HumidityLimit);
    QString LimiteViento = QString::number(ConfigDefaults::WindLimit);
    int Lluvia_1h = ConfigDefaults::RainCheck; // check states: 0 unticked, 1 ticked, 2 greyed
    std::array<int, 2> Cielo_Check { ConfigDefaults::SkyCheck, ConfigDefaults::SkyCheck };
    QString Path_Dat;
    int GNS = ConfigDefaults::AlertCheck;
    QString Fuente = ConfigDefaults::Source;

    static bool isTicked(int checkState) { return checkState == 1; }
};
