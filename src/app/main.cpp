#include "AlpacaService.h"
#include "CommandLine.h"
#include "DialogFolderChooser.h"
#include "Engine.h"
#include "HistoryExport.h"
#include "LogOutput.h"
#include "Runtime.h"
#include "ServiceLauncher.h"
#include "StateDump.h"
#include "StopSignals.h"
#include "frmNubora.h"

#include <QApplication>
#include <csignal>
#include <cstdio>

int main(int argc, char* argv[])
{
#ifdef SIGXFSZ
    // Under a file-size limit a too-large write is then an ordinary failed write, which the
    // data file and the settings handle, instead of the end of the program.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    // The command line is read by a plain application first: --help, --version and mistakes
    // are answered without a display, and --headless runs without one.
    CommandLine options;
    {
        QCoreApplication commandLineOnly(argc, argv);
        Runtime::setApplicationNames();
        options = CommandLine::parse(QCoreApplication::arguments());
        // The export needs no display either: it writes and ends here.
        if (!options.exitNow && options.exportHistory)
            return HistoryExport::run(options);
        // Without a window to describe, the service executable runs in this process's place.
        if (!options.exitNow && options.headless && options.dumpStateFile.isEmpty())
            ServiceLauncher::replaceProcess(argv);
    }
    if (options.exitNow) {
        std::fputs(qPrintable(options.message), options.exitCode == 0 ? stdout : stderr);
        return options.exitCode;
    }
    if (options.headless)
        qputenv("QT_QPA_PLATFORM", "offscreen");

    // Standard error always (a service's journal reads it); in window mode a file as well,
    // since nobody watches the terminal of a desktop program.
    LogOutput::Options logOptions;
    logOptions.verbose = options.verbose;
    logOptions.filePath = options.logFile;
    if (logOptions.filePath.isEmpty() && !options.headless)
        logOptions.filePath = LogOutput::defaultFilePath();
    const LogOutput log(logOptions);

    QApplication app(argc, argv);
    Runtime::setApplicationNames();

    Runtime runtime(options);
    DialogFolderChooser folderChooser;
    frmNubora window(runtime.engine(), &folderChooser);
    if (runtime.devices())
        window.showPageLink(runtime.devices()->pageUrl());
    folderChooser.setParentWidget(&window);
    if (!options.dumpStateFile.isEmpty()) {
        QObject::connect(&window, &frmNubora::unloaded, &window, [&window, &options] {
            if (!StateDump::write(window, options.dumpStateFile))
                std::fprintf(
                    stderr, "nubora: cannot write %s\n", qPrintable(options.dumpStateFile));
        });
    }

    // Stopped by a signal, the program ends as if its window had been closed; a signal that
    // comes while the first polls run is handled once the event loop starts.
    StopSignals stopSignals;
    QObject::connect(&stopSignals, &StopSignals::stopRequested, &window, [&window] {
        window.Form_Unload();
        QCoreApplication::quit();
    });

    window.Form_Load();
    if (options.once) {
        window.Form_Unload();
        return runtime.engine().lastPollSafe() ? 0 : 1;
    }
    if (!options.headless)
        window.show();
    return app.exec();
}
