#include "DialogFolderChooser.h"

#include <QFileDialog>

FolderChooser::Result DialogFolderChooser::chooseFolder(const QString& title)
{
    // No start folder is given; the user's home is the platform's usual root for a choice.
    const QString folder = QFileDialog::getExistingDirectory(m_parent, title, QDir::homePath());
    return Result { true, QDir::toNativeSeparators(folder), QString() };
}
