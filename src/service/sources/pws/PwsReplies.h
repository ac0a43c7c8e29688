#pragma once

#include "LoadFailure.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <optional>
#include <vector>

class RequestBudget;

// Reading the two JSON services' replies, and the reasons the poll log gives when a reply is
// missing or unusable.
namespace PwsReplies
{

// The source's requests to the station-owner service, as the log names them.
inline const QString ObservationsRequest = QStringLiteral("observations");
inline const QString NearbyRequest = QStringLiteral("nearby stations");

// The body as a JSON object; nothing, with the reason in `failure`, for anything else.
std::optional<QJsonObject> jsonObject(const QByteArray& body, LoadFailure* failure = nullptr);

// Why the fetch at that place of the last transport call failed, with the key masked; the
// station-owner service's key refusals say so. A transport that keeps no reasons: "no answer".
LoadFailure fetchFailure(
    const std::vector<LoadFailure>& failures, std::size_t at, bool stationOwner);

// Which of the key's windows is full, after the budget refused a request.
LoadFailure budgetSpent(const RequestBudget& budget, qint64 nowMs, const QString& request);

LoadFailure named(LoadFailure failure, const QString& request);

} // namespace PwsReplies
