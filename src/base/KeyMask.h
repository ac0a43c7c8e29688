#pragma once

#include <QString>

// Hides the weather service's key wherever it sits in a request address: the path segment
// after "/api/" and any "key", "apiKey" or "api_key" query value. Logs go to files and
// journals that others may read.
class KeyMask
{
public:
    static QString masked(const QString& text);

    static inline const QString Mask = QStringLiteral("****");
};
