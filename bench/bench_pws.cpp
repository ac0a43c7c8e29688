// Wall time of one conditions poll through the station-owner source when every answer comes
// late: the poll's requests run at the same time, so it should cost about one answer's delay.
#include "ConditionsPage.h"
#include "ConditionsPoll.h"
#include "ConfigPage.h"
#include "ConfigStore.h"
#include "LoopbackServer.h"
#include "NumberConversion.h"
#include "ObservationField.h"
#include "PwsSource.h"
#include "SettingsStore.h"
#include "StationSimulator.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTimeZone>
#include <atomic>
#include <benchmark/benchmark.h>

namespace
{

constexpr int LatencyMs = 200;

// The requests one after another: what the poll would cost without fetching them together.
std::vector<std::optional<PwsSource::Answer>> oneAfterAnother(const std::vector<QByteArray>& urls)
{
    std::vector<std::optional<PwsSource::Answer>> answers;
    for (const QByteArray& url : urls)
        answers.push_back(ParallelFetch::getAll({ url }, FetchLimits()).front());
    return answers;
}

void runPolls(benchmark::State& state, bool together)
{
    // One clock for the simulated services and the source; every poll moves it on far enough
    // that the observation and the forecast are both due again.
    std::atomic<qint64> nowMs { QDateTime::currentMSecsSinceEpoch() };
    const auto clock
        = [&nowMs] { return QDateTime::fromMSecsSinceEpoch(nowMs.load(), QTimeZone::utc()); };
    StationSimulator simulator;
    simulator.setClock(clock);
    simulator.setLatencyMs(LatencyMs);
    LoopbackServer server;
    simulator.registerRoutes(server.server());
    if (!server.start()) {
        state.SkipWithError("no loopback server");
        return;
    }
    PwsSource source(server.baseUrl(), server.baseUrl(), FetchLimits(), clock,
        together ? PwsSource::Transport() : PwsSource::Transport(oneAfterAnother));

    QTemporaryDir dir;
    SettingsStore store(dir.filePath(QStringLiteral("settings.ini")));
    store.SaveSetting(ConfigStore::Setup, QStringLiteral("Path_Dat"), dir.path());
    ConditionsPoll poll(source, store, nullptr);
    ConfigPage config;
    config.API_key = QStringLiteral("demo");
    config.Estacion_ID.text = QStringLiteral("IPWSDESPEJADO");
    ConditionsPage page;
    const QStringList fields = ObservationField::names();
    const QString separator = NumberConversion::DecimalSeparator();

    // The first poll learns where the station is; the ones measured know it.
    poll.WriteMeteo(config, separator, fields, page);
    for (auto _ : state) {
        state.PauseTiming();
        nowMs += PwsSource::ForecastReuseSecs * 1000;
        page = ConditionsPage();
        state.ResumeTiming();
        poll.WriteMeteo(config, separator, fields, page);
    }
    if (page.C[1].text.isEmpty() || page.T[0].text.isEmpty())
        state.SkipWithError("the poll did not fill the page");
    state.counters["latency_ms"] = LatencyMs;
}

void BM_PwsPollRequestsTogether(benchmark::State& state)
{
    runPolls(state, true);
}
BENCHMARK(BM_PwsPollRequestsTogether)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

void BM_PwsPollRequestsOneAfterAnother(benchmark::State& state)
{
    runPolls(state, false);
}
BENCHMARK(BM_PwsPollRequestsOneAfterAnother)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(10);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
