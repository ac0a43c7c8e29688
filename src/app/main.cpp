#include "CommandAlertSink.h"
#include "CommandLine.h"
#include "DialogFolderChooser.h"
#include "NuboraVersion.h"
#include "SettingsStore.h"
#include "StateDump.h"
#include "WeatherService.h"
#include "frmNubora.h"

#include <QApplication>

#include <cstdio>
#include <memory>

#ifdef Q_OS_WIN
#include "GnsAutomationSink.h"
#endif

namespace {

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

} // namespace

int main(int argc, char* argv[])
{
    if (CommandLine::wantsHeadless(argc, argv))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Nubora"));
    QApplication::setApplicationName(QStringLiteral("Nubora"));
    QApplication::setApplicationVersion(QStringLiteral(NUBORA_VERSION_STRING));

    const CommandLine options = CommandLine::parse(QApplication::arguments());
    if (options.exitNow) {
        std::fputs(qPrintable(options.message), options.exitCode == 0 ? stdout : stderr);
        return options.exitCode;
    }

    SettingsStore store(options.settingsFile);
    const WeatherService service(options.serviceUrl);
    const std::unique_ptr<AlertSink> alertSink = makeAlertSink(options.alertCommand);
    DialogFolderChooser folderChooser;

    AppContext context;
    context.store = &store;
    context.service = &service;
    context.alertSink = alertSink.get();
    context.folderChooser = &folderChooser;

    frmNubora window(context);
    folderChooser.setParentWidget(&window);
    if (!options.dumpStateFile.isEmpty()) {
        QObject::connect(&window, &frmNubora::unloaded, &window, [&window, &options] {
            if (!StateDump::write(window, options.dumpStateFile))
                std::fprintf(stderr, "nubora: cannot write %s\n", qPrintable(options.dumpStateFile));
        });
    }

    window.Form_Load();
    if (options.once) {
        window.Form_Unload();
        return window.lastPollSafe() ? 0 : 1;
    }
    if (options.headless) {
        // No window to close: the polls run until the process is told to stop.
        return app.exec();
    }
    window.show();
    return app.exec();
}
