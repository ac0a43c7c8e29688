#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QXmlStreamWriter>

// The "error" element of an answer. A null description leaves its element out.
struct AnswerError {
    QString type;
    QString description;
};

// One answer of the weather service's XML API, written front to back: the declaration and
// "response" with its version, terms and feature list, then the caller's elements, closed by
// finish(). Every answer shape (conditions, hourly, geolookup, error) is written through it.
class AnswerWriter
{
public:
    // Child elements in order, name and text.
    using Children = QList<QPair<QString, QString>>;

    // An empty feature writes an empty feature list, as error answers have.
    AnswerWriter(bool indented, const QString& feature);
    AnswerWriter(const AnswerWriter&) = delete;
    AnswerWriter& operator=(const AnswerWriter&) = delete;

    // The text emptyElement() writes "<name/>"; any other text, also "", a start and end tag.
    void text(const QString& name, const QString& value);
    void children(const QString& name, const Children& children);
    void englishMetric(const QString& name, const QString& english, const QString& metric);
    void error(const AnswerError& error);
    void start(const QString& name) { m_xml.writeStartElement(name); }
    void end() { m_xml.writeEndElement(); }

    // Bytes written so far.
    qsizetype size() const { return m_body.size(); }
    QByteArray finish();

    // A whole error answer.
    static QByteArray errorAnswer(
        const AnswerError& error, const QString& feature = QString(), bool indented = true);

    static QString emptyElement() { return QStringLiteral("<empty>"); }

private:
    QByteArray m_body;
    QXmlStreamWriter m_xml;
};
