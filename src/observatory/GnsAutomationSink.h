#pragma once

#include "AlertSink.h"

// The Good Night System's own automation object "GNS.OWL" (Windows only): a fresh instance per
// alert, NewMsg, then NewTimeout 0, then release. Any failure on that road ends it quietly.
class GnsAutomationSink : public AlertSink
{
public:
    void Alarma_GNS(const QString& alertText) override;
};
