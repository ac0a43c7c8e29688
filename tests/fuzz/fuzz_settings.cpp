#include "ConfigPage.h"
#include "ConfigStore.h"
#include "SettingsStore.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

// Settings file bytes through the store's reads, as the window's start-up makes them.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static QTemporaryDir folder;
    static int round = 0;
    // A new name each time: the settings library keeps what it read of a file name.
    const QString path = folder.filePath(QStringLiteral("Nubora-%1.ini").arg(++round));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return 0;
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    {
        SettingsStore store(path);
        ConfigPage page;
        ConfigStore::restore(store, page, true);
        store.readInt16(ConfigStore::Ventana, QStringLiteral("Posicion_Superior"), 100);
        store.readInt16(ConfigStore::Ventana, QStringLiteral("Posicion_Izquierda"), 100);
    }
    QFile::remove(path);
    return 0;
}
