// Soak: many conditions polls and forecast updates in one process against the simulator on
// loopback, its clock driven a minute per poll. Prints peak memory, resident memory after
// each block of polls, and open file descriptors; fails (exit 1) when resident memory grows
// by more than 1 MB or descriptors change after the warm-up (the first block, or the first
// third of a short run).
//
//   soak [POLLS [FORECASTS]]     defaults 10000 and 1000

#include "ConditionsPage.h"
#include "ConditionsPoll.h"
#include "ConfigPage.h"
#include "ConfigStore.h"
#include "ForecastPage.h"
#include "HourlyForecast.h"
#include "LoopbackServer.h"
#include "ObservationField.h"
#include "SettingsStore.h"
#include "StationSimulator.h"
#include "XmlSource.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>

namespace
{

long residentKb()
{
    long pages = 0;
    long resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

int openDescriptors()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size());
}

long peakKb()
{
    rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int polls = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int forecasts = argc > 2 ? std::atoi(argv[2]) : 1000;
    const int block = polls >= 1000 ? 1000 : std::max(1, polls / 10);
    // Allocator pools settle within the first hundred polls or so; a short run's first block
    // is still inside that.
    const int warmUp = polls >= 1000 ? block : std::max(block, polls / 3);
    const int forecastEvery = forecasts > 0 ? std::max(1, polls / forecasts) : polls + 1;

    QDateTime now(QDate(2026, 12, 7), QTime(0, 0), Qt::UTC);
    StationSimulator simulator;
    simulator.setClock([&now] { return now; });
    LoopbackServer server;
    simulator.registerRoutes(server.server());
    if (!server.start())
        return 2;

    QTemporaryDir folder;
    SettingsStore store(QDir(folder.path()).filePath(QStringLiteral("settings.ini")));
    store.SaveSetting(ConfigStore::Setup, QStringLiteral("Path_Dat"), folder.path());
    const XmlSource service(server.baseUrl());
    ConditionsPoll poll(service, store, nullptr, [&now] { return now.toLocalTime(); });
    HourlyForecast forecast(service);
    ConfigPage config;
    config.API_key = QStringLiteral("demo");
    config.Estacion_ID.text = QStringLiteral("ISIMVIVO");
    ConditionsPage conditions;
    ForecastPage forecastPage;
    const QStringList fields = ObservationField::names();

    long warmKb = 0;
    int warmFds = 0;
    long worstGrowthKb = 0;
    int worstFdChange = 0;
    int forecastsRun = 0;
    std::printf("%8s %8s %10s %10s %4s\n", "polls", "fcst", "rss_kb", "peak_kb", "fds");
    for (int i = 1; i <= polls; ++i) {
        now = now.addSecs(60);
        poll.WriteMeteo(config, QStringLiteral("."), fields, conditions);
        if (i % forecastEvery == 0 && forecastsRun < forecasts) {
            forecast.Forecast(config, conditions.Estacion, QStringLiteral("."), forecastPage);
            ++forecastsRun;
        }
        if (i % block == 0) {
            // The server thread closes its side of the last connection on its own time.
            ::usleep(200 * 1000);
            const long rss = residentKb();
            const int fds = openDescriptors();
            std::printf("%8d %8d %10ld %10ld %4d\n", i, forecastsRun, rss, peakKb(), fds);
            std::fflush(stdout);
            if (i < warmUp) {
                continue;
            } else if (warmKb == 0) {
                warmKb = rss;
                warmFds = fds;
            } else {
                worstGrowthKb = std::max(worstGrowthKb, rss - warmKb);
                worstFdChange = std::max(worstFdChange, std::abs(fds - warmFds));
            }
        }
    }
    server.stop();
    std::printf(
        "growth after warm-up: %ld KB, descriptor change: %d\n", worstGrowthKb, worstFdChange);
    return worstGrowthKb <= 1024 && worstFdChange == 0 ? 0 : 1;
}
