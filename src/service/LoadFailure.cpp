#include "LoadFailure.h"

QString LoadFailure::text() const
{
    QString reason;
    switch (kind) {
    case None:
        return QString();
    case Dns:
        reason = QStringLiteral("DNS: host not found");
        break;
    case ConnectionRefused:
        reason = QStringLiteral("connection refused");
        break;
    case ConnectTimeout:
        reason = QStringLiteral("connect timeout");
        break;
    case TotalTimeout:
        reason = QStringLiteral("total timeout");
        break;
    case HttpStatus:
        reason = QStringLiteral("HTTP status");
        break;
    case BodyOverBound:
        reason = QStringLiteral("body over the bound");
        break;
    case TooManyRedirects:
        reason = QStringLiteral("too many redirects");
        break;
    case NotWellFormed:
        reason = QStringLiteral("not well-formed");
        break;
    case RefusedContent:
        reason = QStringLiteral("refused content");
        break;
    case Stopped:
        reason = QStringLiteral("stopped, the program is ending");
        break;
    case BudgetSpent:
        reason = QStringLiteral("the key's request budget is spent");
        break;
    case NoCoordinates:
        reason = QStringLiteral("station coordinates unknown");
        break;
    case Other:
        reason = QStringLiteral("transfer failed");
        break;
    }
    if (kind == HttpStatus && !detail.isEmpty())
        reason += QLatin1Char(' ') + detail;
    else if (!detail.isEmpty())
        reason += QStringLiteral(" (") + detail + QLatin1Char(')');
    return request.isEmpty() ? reason : request + QStringLiteral(": ") + reason;
}

QString LoadFailure::failedLoad() const
{
    const QString reason = text();
    return reason.isEmpty() ? QStringLiteral("failed load")
                            : QStringLiteral("failed load: ") + reason;
}
