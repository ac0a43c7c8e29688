#pragma once

#include "ConditionsAnswer.h"

#include <QString>

// A current-conditions answer with typical values, and chosen ones where a test needs them.
// A value of "<absent>" leaves the element out; "<empty>" writes it as an empty element.
class ConditionsDocument
{
public:
    ConditionsDocument();

    ConditionsDocument& set(const QString& element, const QString& value);
    ConditionsDocument& without(const QString& element) { return set(element, absent()); }
    // Appends a second occurrence of an element right after the first.
    ConditionsDocument& repeat(const QString& element, const QString& value);
    ConditionsDocument& withError()
    {
        m_error = true;
        return *this;
    }
    ConditionsDocument& indented(bool on)
    {
        m_indent = on;
        return *this;
    }

    QByteArray toXml() const;

    static QString absent() { return QStringLiteral("<absent>"); }
    static QString empty() { return AnswerWriter::emptyElement(); }

private:
    ConditionsAnswer m_answer;
    bool m_error = false;
    bool m_indent = true;
};
