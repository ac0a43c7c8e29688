#include "LogOutput.h"

#include "KeyMask.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStandardPaths>
#include <cstdio>

namespace
{

LogOutput* g_output = nullptr;

const char* levelName(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return "debug";
    case QtInfoMsg:
        return "info";
    case QtWarningMsg:
        return "warning";
    case QtCriticalMsg:
        return "critical";
    case QtFatalMsg:
        return "fatal";
    }
    return "info";
}

// Qt says this on every start where no session manager made the folder (a service, ssh, a
// container); Qt then makes a private one itself, so nothing is wrong.
bool isNoise(const QString& message)
{
    return message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set"));
}

} // namespace

LogOutput::LogOutput(Options options)
    : m_options(std::move(options))
{
    if (!m_options.filePath.isEmpty()) {
        QDir().mkpath(QFileInfo(m_options.filePath).absolutePath());
        m_file.setFileName(m_options.filePath);
        if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
            std::fprintf(stderr, "nubora: cannot write the log file %s: %s\n",
                qPrintable(m_options.filePath), qPrintable(m_file.errorString()));
    }
    if (m_options.verbose)
        QLoggingCategory::setFilterRules(QStringLiteral("nubora.*.debug=true"));
    g_output = this;
    m_previous = qInstallMessageHandler(&LogOutput::handle);
}

LogOutput::~LogOutput()
{
    qInstallMessageHandler(m_previous);
    g_output = nullptr;
}

QString LogOutput::defaultFilePath()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || !QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/nubora/nubora.log");
#else
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation)
        + QStringLiteral("/nubora.log");
#endif
}

QString LogOutput::format(QtMsgType type, const char* category, const QString& message)
{
    const QString when
        = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    QString line = when + QLatin1Char(' ') + QLatin1String(levelName(type)) + QLatin1Char(' ');
    if (category && qstrcmp(category, "default") != 0)
        line += QLatin1String(category) + QStringLiteral(": ");
    return line + KeyMask::masked(message);
}

void LogOutput::write(QtMsgType type, const char* category, const QString& message)
{
    if (!m_options.verbose && isNoise(message))
        return;
    const QByteArray line = format(type, category, message).toUtf8() + '\n';
    QMutexLocker lock(&m_mutex);
    if (m_options.toStandardError) {
        std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
        std::fflush(stderr);
    }
    if (m_file.isOpen()) {
        m_file.write(line);
        m_file.flush();
        if (m_file.size() >= m_options.rotateBytes)
            rotate();
    }
}

void LogOutput::rotate()
{
    m_file.close();
    const QString base = m_options.filePath;
    const auto numbered = [&base](int n) { return base + QLatin1Char('.') + QString::number(n); };
    QFile::remove(numbered(m_options.keptFiles - 1));
    for (int n = m_options.keptFiles - 2; n >= 1; --n)
        QFile::rename(numbered(n), numbered(n + 1));
    if (m_options.keptFiles > 1)
        QFile::rename(base, numbered(1));
    else
        QFile::remove(base);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        std::fprintf(stderr, "nubora: cannot write the log file %s: %s\n", qPrintable(base),
            qPrintable(m_file.errorString()));
}

void LogOutput::handle(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (g_output)
        g_output->write(type, context.category, message);
}
