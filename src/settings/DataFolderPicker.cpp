#include "DataFolderPicker.h"

#include "ConfigPage.h"
#include "ConfigStore.h"
#include "FolderChooser.h"

namespace DataFolderPicker
{

QString Buscar_Carpeta(const QString& Titulo, FolderChooser& chooser,
    const std::function<void(const QString& error)>& showCritical)
{
    const FolderChooser::Result result = chooser.chooseFolder(Titulo);
    if (!result.available) {
        if (showCritical)
            showCritical(result.error);
        return QString();
    }
    return result.path;
}

QString Command1_Click(const QString& pathDat, FolderChooser& chooser,
    std::function<void(const QString& error)> showCritical)
{
    const QString previous = pathDat.isEmpty() ? ConfigStore::defaultDataFolder() : pathDat;
    const QString chosen = Buscar_Carpeta(Title, chooser, showCritical);
    return chosen.isEmpty() ? previous : chosen;
}

} // namespace DataFolderPicker
