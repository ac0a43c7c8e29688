// Writes one PNG per page of the real window, polled against the simulated weather service
// served in-process with a fixed clock, so that the pictures are the same on every run.
//   nubora-screenshot [FOLDER] [--station ID]     (default ./screenshots, ISIMVIVO)
#include "ConfigStore.h"
#include "Engine.h"
#include "LoopbackServer.h"
#include "SettingsStore.h"
#include "StationSimulator.h"
#include "XmlSource.h"
#include "frmNubora.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimeZone>
#include <cstdio>

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("One PNG per page of the Nubora window."));
    parser.addHelpOption();
    const QCommandLineOption stationOption(QStringLiteral("station"),
        QStringLiteral("Station of the simulator to poll."), QStringLiteral("ID"),
        QStringLiteral("ISIMVIVO"));
    parser.addOption(stationOption);
    parser.addPositionalArgument(QStringLiteral("FOLDER"), QStringLiteral("Where the PNGs go."));
    parser.process(app);
    const QString folder = parser.positionalArguments().value(0, QStringLiteral("screenshots"));
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "nubora-screenshot: cannot create %s\n", qPrintable(folder));
        return 1;
    }

    const QDateTime now(QDate(2026, 12, 6), QTime(21, 0), QTimeZone::utc());
    StationSimulator simulator;
    simulator.setClock([now] { return now; });
    LoopbackServer server;
    simulator.registerRoutes(server.server());
    if (!server.start()) {
        std::fprintf(stderr, "nubora-screenshot: cannot serve the simulator\n");
        return 1;
    }

    QTemporaryDir work;
    SettingsStore store(work.filePath(QStringLiteral("settings.ini")));
    const QString station = parser.value(stationOption);
    const QStringList stations = StationSimulator::nearbyStationIds();
    store.SaveSetting(ConfigStore::Setup, QStringLiteral("API_key"), QStringLiteral("demo"));
    store.SaveSetting(
        ConfigStore::Setup, QStringLiteral("Estacion_ID_N"), QString::number(stations.size() + 1));
    for (int i = 0; i < stations.size(); ++i)
        store.SaveSetting(ConfigStore::Setup, ConfigStore::stationKey(i), stations.at(i));
    store.SaveSetting(ConfigStore::Setup, ConfigStore::stationKey(stations.size()), station);
    store.SaveSetting(
        ConfigStore::Setup, QStringLiteral("Estacion_ID"), QString::number(stations.size()));
    store.SaveSetting(ConfigStore::Setup, QStringLiteral("Path_Dat"), work.path());
    store.SaveSetting(ConfigStore::Setup, QStringLiteral("GNS"), QStringLiteral("1"));

    const XmlSource service(server.baseUrl());
    EngineContext context { store, service };
    context.clock = [now] { return now.toLocalTime(); };
    Engine engine(context);
    frmNubora window(engine, nullptr);
    window.showPageLink(
        QStringLiteral("http://127.0.0.1:11111/")); // as the program shows it by default
    window.Form_Load();
    window.show();

    const QStringList names { QStringLiteral("actual"), QStringLiteral("prevision"),
        QStringLiteral("config"), QStringLiteral("acerca") };
    for (int page = 0; page < names.size(); ++page) {
        window.ui().SSTab1->setCurrentIndex(page);
        QApplication::processEvents();
        const QString path = QDir(folder).filePath(names.at(page) + QStringLiteral(".png"));
        if (!window.grab().save(path)) {
            std::fprintf(stderr, "nubora-screenshot: cannot write %s\n", qPrintable(path));
            return 1;
        }
        std::printf("%s\n", qPrintable(path));
    }
    window.Form_Unload();
    return 0;
}
