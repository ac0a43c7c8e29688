#pragma once

#include <QString>

class SettingsStore;
struct ConfigPage;

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
