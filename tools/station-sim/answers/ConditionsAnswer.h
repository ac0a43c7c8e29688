#pragma once

#include "AnswerWriter.h"

#include <QHash>
#include <QStringList>
#include <optional>

// The current-conditions answer: "current_observation" with its children in the service's
// order, whatever order they are set in. Children not set are left out; a group
// (image, display_location, observation_location) holds child elements of its own.
class ConditionsAnswer
{
public:
    // Every child of current_observation, in the service's order.
    static const QStringList& order();

    // `element` is one of order(). AnswerWriter::emptyElement() writes "<element/>".
    ConditionsAnswer& set(const QString& element, const QString& value);
    ConditionsAnswer& setGroup(const QString& element, const AnswerWriter::Children& children);
    ConditionsAnswer& remove(const QString& element);
    // A second occurrence of an element, right after the first (or alone, when removed).
    ConditionsAnswer& repeat(const QString& element, const QString& value);

    // Writes "current_observation" into an answer started with the feature "conditions".
    void write(AnswerWriter& writer) const;
    // The whole answer.
    QByteArray toXml(bool indented) const;

private:
    struct Value {
        std::optional<QString> text;
        std::optional<AnswerWriter::Children> group;
        std::optional<QString> repeat;
    };
    QHash<QString, Value> m_values;
};
