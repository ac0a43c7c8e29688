#pragma once

#include "FolderChooser.h"

#include <QPointer>
#include <QWidget>

// The platform's modal folder dialog.
class DialogFolderChooser : public FolderChooser
{
public:
    void setParentWidget(QWidget* parent) { m_parent = parent; }
    Result chooseFolder(const QString& title) override;

private:
    QPointer<QWidget> m_parent;
};
