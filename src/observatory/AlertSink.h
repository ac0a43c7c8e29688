#pragma once

#include <QString>

// Receiver of the safety alert. Implementations never report a failure and never hold up
// the poll for long.
class AlertSink
{
public:
    virtual ~AlertSink() = default;
    virtual void Alarma_GNS(const QString& alertText) = 0;
};
