#pragma once

#include <QXmlStreamWriter>

// The opening every answer of the service shares: declaration, "response", "version",
// "termsofService" and the one requested feature. The caller closes "response".
inline void writeAnswerStart(QXmlStreamWriter& w, const QString& feature)
{
    w.writeStartDocument();
    w.writeStartElement("response");
    w.writeTextElement("version", "0.1");
    w.writeTextElement("termsofService", "http://www.wunderground.com/weather/api/d/terms.html");
    w.writeStartElement("features");
    w.writeTextElement("feature", feature);
    w.writeEndElement();
}
