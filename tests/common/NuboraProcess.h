#pragma once

#include <QFile>
#include <QProcess>
#include <QSettings>

// The station simulator and the nubora executable as child processes. Inline, so that the
// executables' paths come from the suite that includes it.
namespace NuboraProcess
{

// Starts the simulator on a free loopback port; its base URL, or empty when it did not start.
inline QString startSimulator(QProcess& simulator, const QStringList& extra = {})
{
    simulator.start(QStringLiteral(STATION_SIM_EXECUTABLE), QStringList { "--port", "0" } + extra);
    if (!simulator.waitForStarted() || !simulator.waitForReadyRead(10000))
        return QString();
    const QByteArray line = simulator.readLine().trimmed();
    return line.startsWith("port ") ? "http://127.0.0.1:" + QString::fromLatin1(line.mid(5))
                                    : QString();
}

// Settings of one station writing its data file into dataFolder.
inline void writeSettings(
    const QString& file, const QString& station, const QString& dataFolder, int alpacaPort = 0)
{
    QSettings settings(file, QSettings::IniFormat);
    settings.setValue("Setup/API_key", "demo");
    settings.setValue("Setup/Estacion_ID_N", "1");
    settings.setValue("Setup/Estacion_ID(0)", station);
    settings.setValue("Setup/Estacion_ID", "0");
    settings.setValue("Setup/Path_Dat", dataFolder);
    settings.setValue("Setup/Alpaca_Puerto", QString::number(alpacaPort));
}

// Starts nubora headless, offscreen, with home as HOME.
inline bool start(QProcess& nubora, const QString& home, const QString& settings,
    const QString& serviceUrl, const QStringList& extra)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("HOME", home);
    nubora.setProcessEnvironment(env);
    nubora.start(QStringLiteral(NUBORA_EXECUTABLE),
        QStringList { "--headless", "--settings", settings, "--service-url", serviceUrl } + extra);
    return nubora.waitForStarted();
}

// The port of the device server from nubora's first line; 0 when the line is not that.
inline int alpacaPort(QProcess& nubora)
{
    if (!nubora.waitForReadyRead(10000))
        return 0;
    const QByteArray line = nubora.readLine().trimmed();
    return line.startsWith("alpaca port ") ? line.mid(12).toInt() : 0;
}

// The blank-separated fields of a data file; empty when it cannot be read.
inline QList<QByteArray> dataFileFields(const QString& path)
{
    QFile data(path);
    return data.open(QIODevice::ReadOnly) ? data.readAll().simplified().split(' ')
                                          : QList<QByteArray>();
}

} // namespace NuboraProcess
