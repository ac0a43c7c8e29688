#include "SourceSwitch.h"

SourceSwitch::SourceSwitch(const WeatherSource& xml, const WeatherSource& pws)
    : m_xml(xml)
    , m_pws(pws)
{
}

std::optional<QDomDocument> SourceSwitch::requestDocument(
    RequestKind kind, const QString& apiKey, const QString& station) const
{
    return (m_usePws ? m_pws : m_xml).requestDocument(kind, apiKey, station);
}
