#include "ConfigStore.h"

#include "ConfigPage.h"
#include "SettingsStore.h"

#include <QDir>

namespace ConfigStore
{

QString defaultDataFolder()
{
#ifdef Q_OS_WIN
    return QStringLiteral("C:");
#else
    return QDir::homePath();
#endif
}

QString dataFolder(const SettingsStore& store)
{
    const QString folder = store.GetSetting(Setup, QStringLiteral("Path_Dat"), defaultDataFolder());
    return folder.isEmpty() ? defaultDataFolder() : folder;
}

QString stationKey(int i)
{
    return QStringLiteral("Estacion_ID(%1)").arg(i);
}

namespace
{

// Hand-edited check states outside 0, 1, 2 fall back to the default.
int readCheckState(const SettingsStore& store, const QString& key, qint16 defaultValue)
{
    const qint16 state = store.readInt16(Setup, key, defaultValue);
    return (state >= 0 && state <= 2) ? state : defaultValue;
}

} // namespace

void restore(const SettingsStore& store, ConfigPage& page, bool replaceEmptyFolder)
{
    page.API_key = store.GetSetting(Setup, QStringLiteral("API_key"), QString());

    const qint16 selected = store.readInt16(Setup, QStringLiteral("Estacion_ID"), -1);
    const qint16 count = store.readInt16(Setup, QStringLiteral("Estacion_ID_N"), 0);
    if (count > 0) {
        page.Estacion_ID.items.clear();
        for (int i = 0; i < count; ++i)
            page.Estacion_ID.append(store.GetSetting(Setup, stationKey(i), QString()));
    }
    page.Estacion_ID.select(selected);

    page.T_Refresco = store.GetSetting(
        Setup, QStringLiteral("T_Refresco"), ConfigDefaults::StoredRefreshMinutes);
    page.HumedadAlta
        = store.GetSetting(Setup, QStringLiteral("HumedadAlta"), ConfigDefaults::HumidityLimit);
    page.LimiteViento
        = store.GetSetting(Setup, QStringLiteral("LimiteViento"), ConfigDefaults::WindLimit);

    page.Lluvia_1h = readCheckState(store, QStringLiteral("Lluvia_1h"), ConfigDefaults::RainCheck);
    page.Cielo_Check[0]
        = readCheckState(store, QStringLiteral("Cielo_Setup_Check0"), ConfigDefaults::SkyCheck);
    page.Cielo_Check[1]
        = readCheckState(store, QStringLiteral("Cielo_Setup_Check1"), ConfigDefaults::SkyCheck);

    page.Path_Dat = store.GetSetting(Setup, QStringLiteral("Path_Dat"), defaultDataFolder());
    if (replaceEmptyFolder && page.Path_Dat.isEmpty())
        page.Path_Dat = defaultDataFolder();

    page.GNS = readCheckState(store, QStringLiteral("GNS"), ConfigDefaults::AlertCheck);
    page.Fuente = store.GetSetting(Setup, QStringLiteral("Fuente"), ConfigDefaults::Source);
}

void save(SettingsStore& store, ConfigPage& page)
{
    store.SaveSetting(Setup, QStringLiteral("API_key"), page.API_key);

    const StationCombo& stations = page.Estacion_ID;
    store.SaveSetting(Setup, QStringLiteral("Estacion_ID"), QString::number(stations.index));
    store.SaveSetting(
        Setup, QStringLiteral("Estacion_ID_N"), QString::number(stations.items.size()));
    for (int i = 0; i < stations.items.size(); ++i)
        store.SaveSetting(Setup, stationKey(i), stations.items.at(i));

    store.SaveSetting(Setup, QStringLiteral("T_Refresco"), page.T_Refresco);
    store.SaveSetting(Setup, QStringLiteral("HumedadAlta"), page.HumedadAlta);
    store.SaveSetting(Setup, QStringLiteral("LimiteViento"), page.LimiteViento);

    store.SaveSetting(Setup, QStringLiteral("Lluvia_1h"), QString::number(page.Lluvia_1h));
    store.SaveSetting(
        Setup, QStringLiteral("Cielo_Setup_Check0"), QString::number(page.Cielo_Check[0]));
    store.SaveSetting(
        Setup, QStringLiteral("Cielo_Setup_Check1"), QString::number(page.Cielo_Check[1]));

    if (page.Path_Dat.isEmpty())
        page.Path_Dat = defaultDataFolder();
    store.SaveSetting(Setup, QStringLiteral("Path_Dat"), page.Path_Dat);

    store.SaveSetting(Setup, QStringLiteral("GNS"), QString::number(page.GNS));
    store.SaveSetting(Setup, QStringLiteral("Fuente"), page.Fuente);
}

} // namespace ConfigStore
