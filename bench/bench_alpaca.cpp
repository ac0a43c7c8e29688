// Request rate and latency of the network device server with concurrent clients on loopback.
// Against a running nubora (--port N), or, without --port, against the server library
// in-process with a published snapshot.
//   bench_alpaca [--port N] [--clients 4] [--seconds 5]
#include "AlpacaApi.h"
#include "DeviceServer.h"
#include "SnapshotBoard.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <httplib.h>
#include <string>
#include <thread>
#include <vector>

namespace
{

using Clock = std::chrono::steady_clock;

struct Figures {
    double rate = 0;
    double p50Ms = 0;
    double p99Ms = 0;
    double maxMs = 0;
    long requests = 0;
    long failures = 0;
};

Figures run(int port, int clients, double seconds, const std::vector<std::string>& paths)
{
    std::vector<std::vector<double>> latencies(clients);
    std::atomic<long> failures { 0 };
    const Clock::time_point end = Clock::now()
        + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    std::vector<std::thread> threads;
    const Clock::time_point start = Clock::now();
    for (int c = 0; c < clients; ++c) {
        threads.emplace_back([&, c] {
            httplib::Client client("127.0.0.1", port);
            client.set_keep_alive(true);
            httplib::Client connect("127.0.0.1", port);
            for (const char* device : { "safetymonitor", "observingconditions" })
                connect.Put(std::string("/api/v1/") + device + "/0/connect", "",
                    "application/x-www-form-urlencoded");
            unsigned transaction = 0;
            while (Clock::now() < end) {
                const std::string& path = paths[transaction % paths.size()];
                const std::string target = path + (path.find('?') == std::string::npos ? '?' : '&')
                    + "ClientID=" + std::to_string(c + 1)
                    + "&ClientTransactionID=" + std::to_string(++transaction);
                const Clock::time_point before = Clock::now();
                const httplib::Result result = client.Get(target);
                const Clock::time_point after = Clock::now();
                if (!result || result->status != 200
                    || result->body.find("\"ErrorNumber\":0,") == std::string::npos)
                    ++failures;
                latencies[c].push_back(
                    std::chrono::duration<double, std::milli>(after - before).count());
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();

    std::vector<double> all;
    for (const std::vector<double>& one : latencies)
        all.insert(all.end(), one.begin(), one.end());
    std::sort(all.begin(), all.end());
    Figures figures;
    figures.requests = long(all.size());
    figures.failures = failures;
    figures.rate = all.size() / elapsed;
    if (!all.empty()) {
        figures.p50Ms = all[all.size() / 2];
        figures.p99Ms = all[std::min(all.size() - 1, all.size() * 99 / 100)];
        figures.maxMs = all.back();
    }
    return figures;
}

void print(const char* name, const Figures& figures)
{
    std::printf("%-28s %8.0f req/s  p50 %6.3f ms  p99 %6.3f ms  max %7.3f ms  (%ld requests, %ld "
                "failed)\n",
        name, figures.rate, figures.p50Ms, figures.p99Ms, figures.maxMs, figures.requests,
        figures.failures);
}

} // namespace

int main(int argc, char* argv[])
{
    int port = -1;
    int clients = 4;
    double seconds = 5;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--port"))
            port = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--clients"))
            clients = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--seconds"))
            seconds = std::atof(argv[i + 1]);
    }

    // In-process: the server library with a snapshot as a safe poll leaves it.
    SnapshotBoard board;
    AlpacaApi api(board, { "bench-safety", "bench-conditions" }, nullptr, 0); // no archive
    DeviceServer server(api, board);
    if (port < 0) {
        ConditionsReadings readings;
        readings.outcome = ConditionsReadings::Outcome::Complete;
        readings.safe = true;
        readings.refreshMinutes = 5;
        readings.temperature = 12.3;
        readings.humidity = 65;
        readings.dewpoint = 5.9;
        readings.windKph = 5.2;
        readings.gustKph = 8.0;
        readings.windDirText = "Norte";
        readings.pressureHpa = 1016;
        readings.elevationM = 883; // the device serves the pressure at the station
        readings.rain1hMm = 0;
        board.publish(readings);
        if (!server.start("127.0.0.1", 0))
            return 1;
        port = server.port();
    }

    const std::string oc = "/api/v1/observingconditions/0/";
    std::vector<std::string> conditions;
    for (const char* member : { "temperature", "humidity", "dewpoint", "windspeed", "windgust",
             "winddirection", "pressure", "rainrate", "averageperiod" })
        conditions.push_back(oc + member);
    conditions.push_back(oc + "timesincelastupdate?SensorName=");
    conditions.push_back(oc + "sensordescription?SensorName=Temperature");
    for (const char* member : { "connected", "name", "description", "driverinfo", "driverversion",
             "interfaceversion", "supportedactions", "devicestate" })
        conditions.push_back(oc + member);

    std::printf("port %d, %d clients, %.1f s each\n", port, clients, seconds);
    print(
        "safetymonitor issafe", run(port, clients, seconds, { "/api/v1/safetymonitor/0/issafe" }));
    print("observingconditions (all)", run(port, clients, seconds, conditions));
    return 0;
}
