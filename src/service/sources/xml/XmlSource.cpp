#include "XmlSource.h"

#include "XmlAnswers.h"

std::optional<Observation> XmlSource::conditions(
    const QString& apiKey, const QString& station) const
{
    const std::optional<QDomDocument> document = requestDocument(Conditions, apiKey, station);
    return document ? std::optional(XmlAnswers::observation(*document)) : std::nullopt;
}

std::optional<HourlyAnswer> XmlSource::hourly(const QString& apiKey, const QString& station) const
{
    const std::optional<QDomDocument> document = requestDocument(Hourly, apiKey, station);
    return document ? std::optional(XmlAnswers::hourly(*document)) : std::nullopt;
}

std::optional<StationList> XmlSource::nearbyStations(
    const QString& apiKey, const QString& station) const
{
    const std::optional<QDomDocument> document = requestDocument(Geolookup, apiKey, station);
    return document ? std::optional(XmlAnswers::stations(*document)) : std::nullopt;
}
