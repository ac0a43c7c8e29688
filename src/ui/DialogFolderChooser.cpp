#include "DialogFolderChooser.h"

#include <QFileDialog>

FolderChooser::Result DialogFolderChooser::chooseFolder(const QString& title)
{
    // No start folder: the dialog opens where the platform starts it.
    const QString folder = QFileDialog::getExistingDirectory(m_parent, title);
    return Result { true, QDir::toNativeSeparators(folder), QString() };
}
