// The status page under load, in-process over a year of polls held in memory (a poll every
// 5 minutes), and what a roof controller's `issafe` waits meanwhile:
//   bench_page [--seconds 5]
// 1. `issafe` from a new connection each time, alone;
// 2. 4 clients loading the page and `/nubora/v1/history?hours=168` in turn: their rate and
//    latency, and `issafe` from new connections in the same run;
// 3. 64 idle kept-alive connections, 64 that sent half a request and 64 clients loading the
//    page, each group from a loopback address of its own; `issafe` from new connections.
#include "AlpacaApi.h"
#include "DeviceServer.h"
#include "HistoryRecords.h"
#include "SnapshotBoard.h"
#include "StatusBoard.h"
#include "StatusPage.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <httplib.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{

using Clock = std::chrono::steady_clock;
constexpr qint64 StepMs = 5 * 60 * 1000;

class YearOfPolls : public HistoryReader
{
public:
    explicit YearOfPolls(qint64 nowMs)
    {
        for (qint64 t = nowMs - 366LL * 24 * 3600 * 1000; t <= nowMs; t += StepMs) {
            PollRecord p;
            p.timeMs = t;
            ConditionsReadings& r = p.readings;
            r.outcome = ConditionsReadings::Outcome::Complete;
            const double k = double(t / StepMs);
            r.safe = std::fmod(k, 97) > 10;
            r.reasons = r.safe ? QString() : QStringLiteral("Nublado");
            r.temperature = 10 + 8 * std::sin(k / 140);
            r.dewpoint = *r.temperature - 5;
            r.humidity = 65 + 25 * std::sin(k / 90);
            r.windKph = 9 + 7 * std::sin(k / 30);
            r.gustKph = *r.windKph + 6;
            r.rain1hMm = 0;
            r.cloudCondition = r.safe ? 1 : 3;
            r.latitude = 40.65;
            r.longitude = -3.77;
            m_polls.push_back(p);
        }
    }
    QList<PollRecord> polls(qint64 fromMs, qint64 toMs) const override
    {
        const auto byTime = [](const PollRecord& p, qint64 t) { return p.timeMs < t; };
        auto first = std::lower_bound(m_polls.begin(), m_polls.end(), fromMs, byTime);
        QList<PollRecord> out;
        for (; first != m_polls.end() && first->timeMs <= toMs; ++first)
            out.append(*first);
        return out;
    }
    std::optional<HistoryMeans> means(qint64, qint64) const override { return std::nullopt; }
    std::optional<qint64> firstPollMs() const override { return m_polls.front().timeMs; }

private:
    std::vector<PollRecord> m_polls;
};

int connectFrom(const char* source, int port)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    inet_pton(AF_INET, source, &address.sin_addr);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
    address.sin_port = htons(quint16(port));
    ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    return fd;
}

struct Latencies {
    std::vector<double> ms;
    long failures = 0;
    double at(double share) const
    {
        return ms.empty() ? 0 : ms[std::min(ms.size() - 1, std::size_t(ms.size() * share))];
    }
    void print(const char* name, double seconds) const
    {
        std::printf(
            "%-44s %7.0f req/s  p50 %7.2f ms  p99 %7.2f ms  max %7.2f ms  (%zu, %ld failed)\n",
            name, ms.size() / seconds, at(0.5), at(0.99), ms.empty() ? 0 : ms.back(), ms.size(),
            failures);
    }
};

// `issafe` from a new connection every 20 ms until stop.
Latencies probe(int port, const std::atomic<bool>& stop)
{
    Latencies out;
    while (!stop) {
        const Clock::time_point before = Clock::now();
        httplib::Client client("127.0.0.1", port);
        const auto result = client.Get("/api/v1/safetymonitor/0/issafe");
        out.ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - before).count());
        if (!result || result->status != 200)
            ++out.failures;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::sort(out.ms.begin(), out.ms.end());
    return out;
}

// clients threads loading the page and the week's history in turn, kept alive, until stop.
Latencies load(int port, int clients, const std::atomic<bool>& stop)
{
    std::vector<Latencies> each(clients);
    std::vector<std::thread> threads;
    for (int c = 0; c < clients; ++c)
        threads.emplace_back([&, c] {
            httplib::Client client("127.0.0.1", port);
            client.set_keep_alive(true);
            for (unsigned i = 0; !stop; ++i) {
                const Clock::time_point before = Clock::now();
                const auto result = client.Get(i % 2 ? "/nubora/v1/history?hours=168" : "/");
                each[c].ms.push_back(
                    std::chrono::duration<double, std::milli>(Clock::now() - before).count());
                if (!result || result->status != 200)
                    ++each[c].failures;
            }
        });
    for (std::thread& t : threads)
        t.join();
    Latencies all;
    for (const Latencies& one : each) {
        all.ms.insert(all.ms.end(), one.ms.begin(), one.ms.end());
        all.failures += one.failures;
    }
    std::sort(all.ms.begin(), all.ms.end());
    return all;
}

// Runs the probe, and the load beside it when clients > 0, for seconds.
void phase(const char* name, int port, int clients, double seconds)
{
    std::atomic<bool> stop { false };
    Latencies loaded;
    std::thread loader;
    if (clients > 0)
        loader = std::thread([&] { loaded = load(port, clients, stop); });
    std::thread timer([&] {
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        stop = true;
    });
    const Latencies safe = probe(port, stop);
    timer.join();
    if (loader.joinable())
        loader.join();
    std::printf("-- %s\n", name);
    if (clients > 0)
        loaded.print("page and history?hours=168 (in turn)", seconds);
    safe.print("issafe, new connection each time", seconds);
}

} // namespace

int main(int argc, char* argv[])
{
    double seconds = 5;
    for (int i = 1; i + 1 < argc; ++i)
        if (!std::strcmp(argv[i], "--seconds"))
            seconds = std::atof(argv[i + 1]);
    const qint64 now = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::system_clock::now().time_since_epoch())
                           .count();
    const YearOfPolls history(now);
    SnapshotBoard board;
    board.publish(history.polls(now - StepMs, now).constLast().readings);
    StatusBoard view;
    AlpacaApi api(board, { "bench-safety", "bench-conditions" }, &history, 400 * 24);
    StatusPage page(board, view, &history);
    DeviceServer server(api, board);
    server.setStatusPage(&page);
    if (!server.start("127.0.0.1", 0))
        return 1;
    const int port = server.port();
    {
        // The first answers are made, the later ones within the minute come from the cache.
        httplib::Client client("127.0.0.1", port);
        const auto timed = [&client](const char* path) {
            const Clock::time_point before = Clock::now();
            const auto result = client.Get(path);
            std::printf("%-32s %7zu bytes, made in %6.1f ms\n", path,
                result ? result->body.size() : 0,
                std::chrono::duration<double, std::milli>(Clock::now() - before).count());
        };
        for (const char* path : { "/", "/?hours=168", "/nubora/v1/history?hours=168" })
            timed(path);
    }

    phase("alone", port, 0, seconds);
    phase("4 clients loading the page", port, 4, seconds);

    std::vector<int> held;
    for (int i = 0; i < 64; ++i) {
        held.push_back(connectFrom("127.0.0.2", port));
        const char request[] = "GET /api/v1/safetymonitor/0/issafe HTTP/1.1\r\nHost: b\r\n\r\n";
        send(held.back(), request, sizeof request - 1, MSG_NOSIGNAL);
        char buffer[1024];
        recv(held.back(), buffer, sizeof buffer, 0); // answered; the connection stays, idle
        held.push_back(connectFrom("127.0.0.3", port));
        const char half[] = "GET /api/v1/safetymonitor/0/issafe HTTP/1.1\r\nHost: b\r\n";
        send(held.back(), half, sizeof half - 1, MSG_NOSIGNAL);
    }
    // The held ones are closed by the server after a few idle seconds: measure before.
    phase("64 idle, 64 half-sent, 64 clients loading the page", port, 64,
        std::min(seconds, double(DeviceServer::IdleSeconds) - 1));
    for (int fd : held)
        close(fd);
    return 0;
}
