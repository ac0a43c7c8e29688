#pragma once

#include "StationCombo.h"

#include <QString>
#include <array>

class SettingsStore;

// The working configuration: what the controls of the "Config." page hold. Every poll reads
// these values, accepted or not; the store holds the accepted ones.
struct ConfigPage {
    QString API_key;
    StationCombo Estacion_ID;
    QString T_Refresco = QStringLiteral("3");
    QString HumedadAlta = QStringLiteral("80");
    QString LimiteViento = QStringLiteral("15");
    int Lluvia_1h = 1; // check states: 0 unticked, 1 ticked, 2 greyed
    std::array<int, 2> Cielo_Check { 0, 0 };
    QString Path_Dat;
    int GNS = 0;

    static bool isTicked(int checkState) { return checkState == 1; }
};

namespace ConfigStore
{

inline const QString Setup = QStringLiteral("Setup");
inline const QString Ventana = QStringLiteral("Ventana");

// Where the data file goes when no folder is stored or the stored text is empty:
// "C:" on Windows, the user's home folder elsewhere.
QString defaultDataFolder();

// The stored data folder, with an empty text replaced by the default.
QString dataFolder(const SettingsStore& store);

// Reads every "Setup" key into the page. A stored station count of 0 or less leaves the
// list as it is. With replaceEmptyFolder, an empty stored folder shows the default.
void restore(const SettingsStore& store, ConfigPage& page, bool replaceEmptyFolder);

// Stores every "Setup" key as the page holds it, unvalidated; an empty folder is replaced
// by the default first, in the page too.
void save(SettingsStore& store, ConfigPage& page);

QString stationKey(int i);

} // namespace ConfigStore
