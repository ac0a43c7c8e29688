#pragma once

#include "Scenarios.h"

#include <QByteArray>
#include <QDateTime>

// The bodies of the XML API's answers for a scenario station at a time (UTC).
namespace XmlApiDocuments
{

QByteArray conditions(const Scenarios::Scenario& scenario, const QDateTime& now);
QByteArray hourly(const Scenarios::Scenario& scenario, const QDateTime& now);
QByteArray geolookup();

} // namespace XmlApiDocuments
