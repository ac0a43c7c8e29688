// Micro-benchmarks of one current-conditions poll and one forecast update.
#include "AlertSink.h"
#include "ConditionsPage.h"
#include "ConditionsPoll.h"
#include "ConfigPage.h"
#include "ConfigStore.h"
#include "ForecastPage.h"
#include "HourlyForecast.h"
#include "LoopbackServer.h"
#include "NumberConversion.h"
#include "ObservationField.h"
#include "SettingsStore.h"
#include "StationSimulator.h"
#include "XmlSource.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace
{

// The service with its download replaced by a canned answer, so that only the parse, the
// element walk, the evaluation and the data-file line are measured.
class CannedService : public XmlSource
{
public:
    explicit CannedService(QByteArray body)
        : m_body(std::move(body))
    {
    }
    std::optional<QDomDocument> LoadDocument(const QString&, LoadFailure* failure) const override
    {
        return parseDocument(m_body, failure);
    }

private:
    QByteArray m_body;
};

ConfigPage demoConfig(const QString& folder)
{
    ConfigPage config;
    config.API_key = QStringLiteral("demo");
    config.Estacion_ID.text = QStringLiteral("ISIMDESPEJADO");
    config.T_Refresco = QStringLiteral("5");
    config.Path_Dat = folder;
    return config;
}

// The data file goes to memory-backed storage where there is one, so that the figures do not
// measure the disk; NUBORA_BENCH_DIR names another folder (a disk, to include its sync).
QString benchFolder()
{
    const QString chosen = qEnvironmentVariable("NUBORA_BENCH_DIR");
    if (!chosen.isEmpty())
        return chosen;
    return QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm")
                                                     : QDir::tempPath();
}

// One conditions poll's surroundings: a settings file naming the data folder, the working
// configuration and the page.
struct ConditionsBench {
    explicit ConditionsBench(const XmlSource& service)
        : dir(benchFolder() + QStringLiteral("/nubora-bench-XXXXXX"))
        , store(dir.filePath(QStringLiteral("settings.ini")))
        , poll(service, store, nullptr)
        , config(demoConfig(dir.path()))
    {
        store.SaveSetting(ConfigStore::Setup, QStringLiteral("Path_Dat"), dir.path());
    }

    void run(benchmark::State& state)
    {
        const QStringList fields = ObservationField::names();
        const QString separator = NumberConversion::DecimalSeparator();
        for (auto _ : state) {
            const bool safe = poll.WriteMeteo(config, separator, fields, page).safe;
            benchmark::DoNotOptimize(safe);
        }
        if (page.T[0].text.isEmpty())
            state.SkipWithError("the poll did not fill the page");
    }

    QTemporaryDir dir;
    SettingsStore store;
    ConditionsPoll poll;
    ConfigPage config;
    ConditionsPage page;
};

void BM_ConditionsParseEvaluateCompose(benchmark::State& state)
{
    StationSimulator simulator;
    const CannedService service(
        simulator.answer("/api/demo/conditions/lang:SP/q/pws:ISIMDESPEJADO.xml").body);
    ConditionsBench(service).run(state);
}
BENCHMARK(BM_ConditionsParseEvaluateCompose)->Unit(benchmark::kMicrosecond);

struct LoopbackSimulator {
    LoopbackSimulator()
    {
        simulator.registerRoutes(server.server());
        server.start();
    }
    StationSimulator simulator;
    LoopbackServer server;
};

void BM_WriteMeteoOnLoopback(benchmark::State& state)
{
    LoopbackSimulator sim;
    const XmlSource service(sim.server.baseUrl());
    ConditionsBench(service).run(state);
}
BENCHMARK(BM_WriteMeteoOnLoopback)->Unit(benchmark::kMillisecond);

void BM_ForecastOnLoopback(benchmark::State& state)
{
    LoopbackSimulator sim;
    const XmlSource service(sim.server.baseUrl());
    const HourlyForecast forecast(service);
    const ConfigPage config = demoConfig(QString());
    const QString separator = NumberConversion::DecimalSeparator();
    ForecastPage page;
    for (auto _ : state)
        forecast.Forecast(config, QStringLiteral("Tres Cantos"), separator, page);
    if (page.rows[9].Hr_Fct.text.isEmpty())
        state.SkipWithError("the forecast did not fill ten rows");
}
BENCHMARK(BM_ForecastOnLoopback)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
