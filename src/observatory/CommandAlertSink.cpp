#include "CommandAlertSink.h"

#include "Logging.h"

#include <QProcess>
#include <QStringList>

CommandAlertSink::CommandAlertSink(QString command, int waitMs)
    : m_command(std::move(command))
    , m_waitMs(waitMs)
{
}

void CommandAlertSink::Alarma_GNS(const QString& alertText)
{
    const auto logged = [&alertText](const QString& how, bool failed) {
        const QString line = QStringLiteral("alert \"%1\": %2").arg(alertText, how);
        if (failed)
            qCWarning(lcAlert).noquote() << line;
        else
            qCInfo(lcAlert).noquote() << line;
    };
    QStringList arguments = QProcess::splitCommand(m_command);
    if (arguments.isEmpty()) {
        logged(QStringLiteral("not sent, the alert command is empty"), true);
        return;
    }
    const QString program = arguments.takeFirst();
    arguments << alertText << QStringLiteral("0");

    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForStarted(m_waitMs)) {
        logged(QStringLiteral("command %1 did not start (%2)").arg(program, process.errorString()),
            true);
        return;
    }
    if (!process.waitForFinished(m_waitMs)) {
        process.kill();
        process.waitForFinished(1000);
        logged(QStringLiteral("command %1 timed out after %2 ms and was stopped")
                   .arg(program)
                   .arg(m_waitMs),
            true);
        return;
    }
    if (process.exitStatus() == QProcess::CrashExit)
        logged(QStringLiteral("command %1 crashed").arg(program), true);
    else
        logged(
            QStringLiteral("command %1 exited with status %2").arg(program).arg(process.exitCode()),
            process.exitCode() != 0);
}
