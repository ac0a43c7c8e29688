#include "CommandLine.h"
#include "Engine.h"
#include "HistoryExport.h"
#include "LogOutput.h"
#include "Runtime.h"
#include "StopSignals.h"

#include <QCoreApplication>
#include <csignal>
#include <cstdio>

// The service: the same polls, data file, log, alerts and network devices as the window,
// without one, on a plain application (no display, no widget or GUI library).
int main(int argc, char* argv[])
{
#ifdef SIGXFSZ
    // Under a file-size limit a too-large write is then an ordinary failed write.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    QCoreApplication app(argc, argv);
    Runtime::setApplicationNames();
    const CommandLine options = CommandLine::parse(QCoreApplication::arguments());
    if (options.exitNow) {
        std::fputs(qPrintable(options.message), options.exitCode == 0 ? stdout : stderr);
        return options.exitCode;
    }
    if (options.exportHistory)
        return HistoryExport::run(options);
    if (!options.dumpStateFile.isEmpty()) {
        std::fputs("nubora: --dump-state describes the window: use nubora --headless "
                   "--dump-state FILE\n",
            stderr);
        return 2;
    }

    LogOutput::Options logOptions;
    logOptions.verbose = options.verbose;
    logOptions.filePath = options.logFile;
    const LogOutput log(logOptions);

    Runtime runtime(options);
    Engine& engine = runtime.engine();
    StopSignals stopSignals;
    QObject::connect(&stopSignals, &StopSignals::stopRequested, &engine, [&engine] {
        engine.close();
        QCoreApplication::quit();
    });

    engine.load();
    if (options.once) {
        engine.close();
        return engine.lastPollSafe() ? 0 : 1;
    }
    return app.exec();
}
