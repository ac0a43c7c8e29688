#include "AnswerWriter.h"

namespace
{

const QString termsOfService
    = QStringLiteral("http://www.wunderground.com/weather/api/d/terms.html");

} // namespace

AnswerWriter::AnswerWriter(bool indented, const QString& feature)
    : m_xml(&m_body)
{
    m_xml.setAutoFormatting(indented);
    m_xml.setAutoFormattingIndent(2);
    m_xml.writeStartDocument();
    m_xml.writeStartElement(QStringLiteral("response"));
    m_xml.writeTextElement(QStringLiteral("version"), QStringLiteral("0.1"));
    m_xml.writeTextElement(QStringLiteral("termsofService"), termsOfService);
    m_xml.writeStartElement(QStringLiteral("features"));
    if (!feature.isEmpty())
        m_xml.writeTextElement(QStringLiteral("feature"), feature);
    m_xml.writeEndElement();
}

void AnswerWriter::text(const QString& name, const QString& value)
{
    if (value == emptyElement())
        m_xml.writeEmptyElement(name);
    else
        m_xml.writeTextElement(name, value);
}

void AnswerWriter::children(const QString& name, const Children& children)
{
    start(name);
    for (const auto& [child, value] : children)
        text(child, value);
    end();
}

void AnswerWriter::englishMetric(const QString& name, const QString& english, const QString& metric)
{
    children(
        name, { { QStringLiteral("english"), english }, { QStringLiteral("metric"), metric } });
}

void AnswerWriter::error(const AnswerError& error)
{
    start(QStringLiteral("error"));
    text(QStringLiteral("type"), error.type);
    if (!error.description.isNull())
        text(QStringLiteral("description"), error.description);
    end();
}

QByteArray AnswerWriter::finish()
{
    m_xml.writeEndElement(); // response
    m_xml.writeEndDocument();
    return m_body;
}

QByteArray AnswerWriter::errorAnswer(
    const AnswerError& error, const QString& feature, bool indented)
{
    AnswerWriter writer(indented, feature);
    writer.error(error);
    return writer.finish();
}
