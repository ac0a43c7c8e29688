#pragma once

#include <QString>

// A modal folder dialog, provided by the window; tests give a fake one.
class FolderChooser
{
public:
    virtual ~FolderChooser() = default;

    // available is false, with an error text, when no dialog could be provided; an
    // available result with an empty path means the user cancelled.
    struct Result {
        bool available;
        QString path;
        QString error;
    };

    virtual Result chooseFolder(const QString& title) = 0;
};
