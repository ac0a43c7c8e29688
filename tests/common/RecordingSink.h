#pragma once

#include "AlertSink.h"

#include <QStringList>

// An alert receiver that keeps every alert text it is handed, in order.
class RecordingSink : public AlertSink
{
public:
    void Alarma_GNS(const QString& text) override { alerts << text; }
    QStringList alerts;
};
