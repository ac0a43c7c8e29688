#include "PwsReplies.h"

#include "KeyMask.h"
#include "RequestBudget.h"

#include <QJsonDocument>

namespace PwsReplies
{

std::optional<QJsonObject> jsonObject(const QByteArray& body, LoadFailure* failure)
{
    const auto fail = [failure](LoadFailure::Kind kind, const QString& detail) {
        if (failure)
            *failure = LoadFailure { kind, detail };
        return std::nullopt;
    };
    if (body.isEmpty())
        return fail(LoadFailure::NotWellFormed, QStringLiteral("empty answer"));
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError)
        return fail(LoadFailure::NotWellFormed,
            QStringLiteral("not JSON: %1 at byte %2").arg(error.errorString()).arg(error.offset));
    if (!document.isObject())
        return fail(LoadFailure::RefusedContent, QStringLiteral("not a JSON object"));
    return document.object();
}

LoadFailure fetchFailure(
    const std::vector<LoadFailure>& failures, std::size_t at, bool stationOwner)
{
    LoadFailure failure = at < failures.size() ? failures[at] : LoadFailure();
    if (failure.kind == LoadFailure::None)
        return LoadFailure { LoadFailure::Other, QStringLiteral("no answer") };
    failure.detail = KeyMask::masked(failure.detail);
    if (stationOwner && failure.kind == LoadFailure::HttpStatus) {
        if (failure.detail == QLatin1String("401"))
            failure.detail += QStringLiteral(" (key not valid)");
        else if (failure.detail == QLatin1String("403"))
            failure.detail += QStringLiteral(" (key refused: suspended or not allowed)");
    }
    return failure;
}

LoadFailure budgetSpent(const RequestBudget& budget, qint64 nowMs, const QString& request)
{
    const QString window = budget.usedInLastDay(nowMs) >= RequestBudget::PerDay
        ? QStringLiteral("%1 requests a day").arg(RequestBudget::PerDay)
        : QStringLiteral("%1 requests a minute").arg(RequestBudget::PerMinute);
    return LoadFailure { LoadFailure::BudgetSpent, window, request };
}

LoadFailure named(LoadFailure failure, const QString& request)
{
    failure.request = request;
    return failure;
}

} // namespace PwsReplies
