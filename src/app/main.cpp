#include "AlpacaService.h"
#include "CommandAlertSink.h"
#include "CommandLine.h"
#include "ConfigStore.h"
#include "DialogFolderChooser.h"
#include "LogOutput.h"
#include "NuboraVersion.h"
#include "PwsSource.h"
#include "SettingsStore.h"
#include "SnapshotBoard.h"
#include "SourceRegistry.h"
#include "StateDump.h"
#include "StopSignals.h"
#include "frmNubora.h"

#include <QApplication>
#include <csignal>
#include <cstdio>
#include <memory>

#ifdef Q_OS_WIN
#include "GnsAutomationSink.h"
#endif

namespace
{

std::unique_ptr<AlertSink> makeAlertSink(const QString& command)
{
    if (!command.isEmpty())
        return std::make_unique<CommandAlertSink>(command);
#ifdef Q_OS_WIN
    return std::make_unique<GnsAutomationSink>();
#else
    return nullptr;
#endif
}

void setApplicationNames()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Nubora"));
    QCoreApplication::setApplicationName(QStringLiteral("Nubora"));
    QCoreApplication::setApplicationVersion(QStringLiteral(NUBORA_VERSION_STRING));
}

} // namespace

int main(int argc, char* argv[])
{
#ifdef SIGXFSZ
    // Under a file-size limit a too-large write is then an ordinary failed write, which the
    // data file and the settings handle, instead of the end of the program.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    // The command line is read by a plain application first: --help, --version and mistakes
    // are answered without a display, and --headless must choose the platform before the
    // window system is opened.
    CommandLine options;
    {
        QCoreApplication commandLineOnly(argc, argv);
        setApplicationNames();
        options = CommandLine::parse(QCoreApplication::arguments());
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
    setApplicationNames();

    SettingsStore store(options.settingsFile);
    // A self-hosted forecast server may be named in the settings by hand.
    QString forecastUrl = options.forecastUrl;
    if (forecastUrl.isEmpty())
        forecastUrl
            = store.GetSetting(ConfigStore::Setup, QStringLiteral("URL_Prevision"), QString());
    if (forecastUrl.isEmpty())
        forecastUrl = PwsSource::defaultForecastUrl();
    SourceRegistry service({ options.serviceUrl, options.pwsUrl, forecastUrl, {} });
    const std::unique_ptr<AlertSink> alertSink = makeAlertSink(options.alertCommand);
    DialogFolderChooser folderChooser;

    AppContext context { store, service };
    context.sources = &service;
    context.alertSink = alertSink.get();
    context.folderChooser = &folderChooser;

    // Started before the first polls, so that it answers while they wait for the service.
    const std::unique_ptr<AlpacaService> alpaca = AlpacaService::start(options, store);
    if (alpaca) {
        context.conditionsPolled
            = [&alpaca](const ConditionsReadings& readings) { alpaca->board().publish(readings); };
    }

    frmNubora window(context);
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
        return window.lastPollSafe() ? 0 : 1;
    }
    if (!options.headless)
        window.show();
    return app.exec();
}
