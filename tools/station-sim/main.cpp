// station-sim: the simulated weather service on 127.0.0.1, for running and demonstrating the
// program without the real one.

#include "NuboraVersion.h"
#include "StationSimulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <httplib.h>
#include <pthread.h>
#include <thread>

namespace
{

int parseNumber(
    const QCommandLineParser& parser, const QCommandLineOption& option, int low, int high)
{
    bool ok = false;
    const int value = parser.value(option).toInt(&ok);
    if (!ok || value < low || value > high) {
        std::fprintf(stderr, "station-sim: --%s needs a whole number from %d to %d\n",
            qPrintable(option.names().constFirst()), low, high);
        std::exit(2);
    }
    return value;
}

} // namespace

int main(int argc, char* argv[])
{
    // Blocked before any thread starts, so that only the waiting thread below receives them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("station-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(NUBORA_VERSION_STRING));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulated weather service: answers the conditions, hourly and geolookup requests\n"
        "of the weather service's XML API, and the station-owner and forecast services'\n"
        "JSON requests, on 127.0.0.1. Prints \"port N\" once listening."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption portOption(QStringLiteral("port"),
        QStringLiteral("Port to listen on; 0 picks a free one."), QStringLiteral("N"),
        QStringLiteral("0"));
    const QCommandLineOption slowOption(QStringLiteral("slow-seconds"),
        QStringLiteral("How long the slow station (ISIMLENTO) keeps a request waiting."),
        QStringLiteral("N"), QString::number(StationSimulator::defaultSlowSeconds));
    parser.addOption(portOption);
    const QCommandLineOption latencyOption(QStringLiteral("latency-ms"),
        QStringLiteral("Every answer waits this long first, as a distant server's would."),
        QStringLiteral("N"), QStringLiteral("0"));
    parser.addOption(slowOption);
    parser.addOption(latencyOption);
    parser.process(app);
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "station-sim: unexpected argument '%s'\n",
            qPrintable(parser.positionalArguments().constFirst()));
        return 2;
    }
    const int requestedPort = parseNumber(parser, portOption, 0, 65535);
    const int slowSeconds = parseNumber(parser, slowOption, 0, 24 * 3600);
    const int latencyMs = parseNumber(parser, latencyOption, 0, 60 * 1000);

    StationSimulator simulator;
    simulator.setSlowSeconds(slowSeconds);
    simulator.setLatencyMs(latencyMs);
    httplib::Server server;
    simulator.registerRoutes(server);

    const char* host = "127.0.0.1";
    const int port = requestedPort == 0            ? server.bind_to_any_port(host)
        : server.bind_to_port(host, requestedPort) ? requestedPort
                                                   : -1;
    if (port <= 0) {
        std::fprintf(stderr, "station-sim: cannot listen on %s:%d\n", host, requestedPort);
        return 1;
    }
    std::printf("port %d\n", port);
    std::fflush(stdout);

    std::atomic_bool listenDone { false };
    std::thread signalWaiter([&] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        // stop() is ignored until the accept loop runs; a signal may come before it does.
        while (!listenDone.load()) {
            if (server.is_running()) {
                server.stop();
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });

    const bool listened = server.listen_after_bind();
    listenDone.store(true);
    // Wakes the waiter when the loop ended on its own; after a signal it has already left.
    pthread_kill(signalWaiter.native_handle(), SIGTERM);
    signalWaiter.join();
    return listened ? 0 : 1;
}
