#pragma once

#include <QString>
#include <functional>

class FolderChooser;

// The "Path" button of the configuration page.
namespace DataFolderPicker
{

inline const QString Title = QStringLiteral(" ... Seleccione una carpeta ");

// The chosen folder's path, or empty text when the dialog was cancelled or could not be
// provided; in the latter case showCritical gets the reason.
QString Buscar_Carpeta(const QString& Titulo, FolderChooser& chooser,
    const std::function<void(const QString& error)>& showCritical);

// The new text of Path_Dat: the chosen folder, or the previous one (the default folder when
// it was empty) when nothing was chosen. Nothing is stored here; Aceptar does that.
QString Command1_Click(const QString& pathDat, FolderChooser& chooser,
    std::function<void(const QString& error)> showCritical);

} // namespace DataFolderPicker
