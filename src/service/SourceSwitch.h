#pragma once

#include "WeatherSource.h"

// The source the user chose ("Fuente" in "Setup"): the XML service ("WU", also for any text
// not known) or the station-owner source ("PWS"). The polls hold the switch, so a choice
// takes effect at the next request.
class SourceSwitch : public WeatherSource
{
public:
    static inline const QString Xml = QStringLiteral("WU");
    static inline const QString Pws = QStringLiteral("PWS");

    SourceSwitch(const WeatherSource& xml, const WeatherSource& pws);

    void choose(const QString& fuente) { m_usePws = fuente == Pws; }
    bool usesPws() const { return m_usePws; }

    std::optional<QDomDocument> requestDocument(
        RequestKind kind, const QString& apiKey, const QString& station) const override;
    LoadFailure lastFailure() const override
    {
        return m_usePws ? m_pws.lastFailure() : m_xml.lastFailure();
    }

private:
    const WeatherSource& m_xml;
    const WeatherSource& m_pws;
    bool m_usePws = false;
};
