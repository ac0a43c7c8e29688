// The history archive: what a poll costs the engine's thread (the queue) and the writer (its
// transaction), a 7-day mean over a year-old archive, and the file's size after that year.
#include "ArchiveDatabase.h"
#include "HistoryArchive.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>

namespace
{

constexpr qint64 MinuteMs = 60 * 1000;
constexpr qint64 DayMs = 24 * 60 * MinuteMs;

// A poll with every value a station-owner poll fills, varying with the minute.
PollRecord typicalPoll(qint64 timeMs)
{
    PollRecord poll;
    poll.timeMs = timeMs;
    poll.outcome = QStringLiteral("safe");
    ConditionsReadings& r = poll.readings;
    const double phase = double(timeMs / MinuteMs % 1440) / 1440 * 6.283;
    r.outcome = ConditionsReadings::Outcome::Complete;
    r.safe = true;
    r.source = QStringLiteral("PWS");
    r.station = QStringLiteral("IMADRI12");
    r.sky = QStringLiteral("Despejado");
    r.windDirText = QStringLiteral("NNE");
    r.cloudCondition = 1;
    r.observationTimeMs = timeMs - 95000;
    r.temperature = 8 + 6 * std::sin(phase);
    r.humidity = 70 - 20 * std::sin(phase);
    r.dewpoint = 2.5;
    r.windKph = 5 + 4 * std::cos(phase);
    r.gustKph = 12.0;
    r.windDegrees = double(timeMs / MinuteMs % 360);
    r.pressureHpa = 1016.2;
    r.stationPressureHpa = 940.1;
    r.rain1hMm = 0.0;
    r.rainTodayMm = 0.0;
    r.cloudCover = 10.0;
    r.visibilityKm = 20.0;
    r.elevationM = 655.0;
    r.latitude = 40.4;
    r.longitude = -3.7;
    return poll;
}

void reportSpread(benchmark::State& state, std::vector<double>& micros)
{
    std::sort(micros.begin(), micros.end());
    state.counters["median_us"] = micros[micros.size() / 2];
    state.counters["p99_us"] = micros[micros.size() * 99 / 100];
    state.counters["worst_us"] = micros.back();
}

double microsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
        .count();
}

// What recordPoll costs the engine's thread, while the writer writes behind it.
void BM_RecordPollQueue(benchmark::State& state)
{
    QTemporaryDir dir;
    HistoryArchive::Options options;
    options.path = dir.filePath("history.sqlite");
    HistoryArchive archive(options);
    const PollRecord poll = typicalPoll(QDateTime::currentMSecsSinceEpoch());
    std::vector<double> micros;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        archive.recordPoll(poll);
        micros.push_back(microsSince(start));
        state.PauseTiming();
        archive.flush(); // one poll at a time, as a minute apart
        state.ResumeTiming();
    }
    reportSpread(state, micros);
}
BENCHMARK(BM_RecordPollQueue)->Iterations(2000);

// The writer's transaction for one poll (write-ahead log, synchronous=NORMAL).
void BM_WritePollTransaction(benchmark::State& state)
{
    QTemporaryDir dir;
    ArchiveDatabase db(dir.filePath("history.sqlite"));
    if (db.open().cause != ArchiveFault::Cause::None) {
        state.SkipWithError("cannot open the archive");
        return;
    }
    qint64 time = QDateTime::currentMSecsSinceEpoch();
    std::vector<double> micros;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        db.writePoll(typicalPoll(time += MinuteMs));
        micros.push_back(microsSince(start));
    }
    reportSpread(state, micros);
}
BENCHMARK(BM_WritePollTransaction)->Iterations(5000);

// A year of one-minute polls, written as the writer writes them (one transaction each).
struct YearArchive {
    QTemporaryDir dir;
    QString path = dir.filePath("history.sqlite");
    qint64 endMs = QDateTime::currentMSecsSinceEpoch();
    double generateSeconds = 0;

    YearArchive()
    {
        const auto start = std::chrono::steady_clock::now();
        ArchiveDatabase db(path);
        db.open();
        for (qint64 t = endMs - 365 * DayMs; t < endMs; t += MinuteMs)
            db.writePoll(typicalPoll(t));
        db.close();
        generateSeconds = microsSince(start) / 1e6;
    }
};

YearArchive& yearArchive()
{
    static YearArchive archive;
    return archive;
}

void BM_SevenDayMeansOverAYear(benchmark::State& state)
{
    YearArchive& year = yearArchive();
    const ArchiveReader reader(year.path);
    std::vector<double> micros;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const std::optional<HistoryMeans> means = reader.means(year.endMs - 7 * DayMs, year.endMs);
        micros.push_back(microsSince(start));
        if (!means || means->polls < 10000)
            state.SkipWithError("the span did not hold a week of polls");
        benchmark::DoNotOptimize(means);
    }
    reportSpread(state, micros);
    state.counters["file_MiB"] = double(QFileInfo(year.path).size()) / (1024 * 1024);
    state.counters["generate_s"] = year.generateSeconds;
    // Opening it as the program starts: the first open reads every page through.
    const auto start = std::chrono::steady_clock::now();
    ArchiveDatabase db(year.path);
    const bool opened = db.open().cause == ArchiveFault::Cause::None;
    state.counters["open_ms"] = opened ? microsSince(start) / 1000 : -1;
}
BENCHMARK(BM_SevenDayMeansOverAYear)->Iterations(50)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
