#include "CommandAlertSink.h"

#include <QProcess>
#include <QStringList>

CommandAlertSink::CommandAlertSink(QString command, int waitMs)
    : m_command(std::move(command))
    , m_waitMs(waitMs)
{
}

void CommandAlertSink::Alarma_GNS(const QString& alertText)
{
    QStringList arguments = QProcess::splitCommand(m_command);
    if (arguments.isEmpty())
        return;
    const QString program = arguments.takeFirst();
    arguments << alertText << QStringLiteral("0");

    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForStarted(m_waitMs))
        return;
    if (!process.waitForFinished(m_waitMs)) {
        process.kill();
        process.waitForFinished(1000);
    }
}
