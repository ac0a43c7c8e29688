#pragma once

#include "AlertSink.h"

#include <QString>

// Alert connector where the safety product's automation object does not exist: runs a
// command, without a shell, with the alert text and the timeout "0" as its last two
// arguments. Waits a bounded time and kills a command that hangs; how it ended goes to the
// log, never back to the poll.
class CommandAlertSink : public AlertSink
{
public:
    explicit CommandAlertSink(QString command, int waitMs = 10000);

    void Alarma_GNS(const QString& alertText) override;

private:
    QString m_command;
    int m_waitMs;
};
