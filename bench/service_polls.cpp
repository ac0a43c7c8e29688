// The service executable's run, made to poll on demand: the same command line, runtime,
// engine and libraries as nubora-service, but the conditions polls follow one another at
// once instead of a minute apart. Prints its resident memory after the first poll and after
// the last.   service_polls POLLS [nubora-service options]
#include "CommandLine.h"
#include "Engine.h"
#include "LogOutput.h"
#include "Runtime.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>

namespace
{

QByteArray residentMemory()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("VmRSS:"))
                return line.simplified();
    return "VmRSS: unknown";
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    Runtime::setApplicationNames();
    QStringList arguments = QCoreApplication::arguments();
    const int polls = arguments.size() > 1 ? arguments.takeAt(1).toInt() : 0;
    const CommandLine options = CommandLine::parse(arguments);
    if (options.exitNow || polls < 1) {
        std::fputs("usage: service_polls POLLS [nubora-service options]\n", stderr);
        return 2;
    }
    LogOutput::Options logOptions;
    logOptions.toStandardError = false;
    const LogOutput log(logOptions);

    Runtime runtime(options);
    Engine& engine = runtime.engine();
    engine.load();
    QCoreApplication::processEvents();
    std::printf("after 1 poll: %s\n", residentMemory().constData());
    int safe = engine.lastPollSafe() ? 1 : 0;
    for (int i = 1; i < polls; ++i) {
        engine.refresh();
        QCoreApplication::processEvents();
        safe += engine.lastPollSafe() ? 1 : 0;
    }
    std::printf("after %d polls (%d safe): %s\n", polls, safe, residentMemory().constData());
    engine.close();
    return 0;
}
