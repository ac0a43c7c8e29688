#include "KeyMask.h"

#include <QRegularExpression>

QString KeyMask::masked(const QString& text)
{
    static const QRegularExpression pathKey(QStringLiteral("(/api/)[^/?#\\s]+"));
    static const QRegularExpression queryKey(QStringLiteral("([?&](?:api_?key|key)=)[^&#\\s]*"),
        QRegularExpression::CaseInsensitiveOption);
    QString result = text;
    result.replace(pathKey, QStringLiteral("\\1") + Mask);
    result.replace(queryKey, QStringLiteral("\\1") + Mask);
    return result;
}
