#pragma once

#include "ConditionsReadings.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <optional>

// The values published one per topic and announced to Home Assistant, and the state document
// that holds them all.
class MqttValues
{
public:
    struct Value {
        const char* key; // the topic's last level and the document's member
        const char* name; // as Home Assistant shows it
        const char* unit; // empty for none
        const char* deviceClass; // empty for none
        std::optional<double> ConditionsReadings::*member;
    };

    static const QList<Value>& all();
    // The number as published: as many digits as it needs, no exponent.
    static QByteArray text(double value);
    // The retained state document: the time, the safety, the poll's outcome and each value
    // the poll had.
    static QJsonObject state(qint64 timeMs, const ConditionsReadings& readings, bool safe,
        const QString& reason, const QString& outcome);
};
