#pragma once

#include <QString>
#include <memory>

class AlpacaApi;
class DeviceServer;
class DiscoveryResponder;
class HistoryReader;
class SettingsStore;
class SnapshotBoard;
class StatusBoard;
class StatusPage;
struct CommandLine;

// The network device server as the program runs it, with the status page beside the devices:
// on by default at DefaultPort, another port or off by the command line or the "Setup" key
// "Alpaca_Puerto" (0 or not a number: off), its UniqueIDs kept in the settings, discovery
// beside it.
// Made and read on the window's thread; the server's own threads see only the snapshot board.
class AlpacaService
{
public:
    static constexpr int DefaultPort = 11111;
    static constexpr int DefaultDiscoveryPort = 32227;

    ~AlpacaService();

    // Nothing when the server is off or cannot listen (then one warning in the log says why).
    // The observing-conditions device averages from history, which must outlive the service;
    // without it only instantaneous values are served.
    static std::unique_ptr<AlpacaService> start(
        const CommandLine& options, SettingsStore& store, const HistoryReader* history);

    SnapshotBoard& board() { return *m_board; }
    StatusBoard& status() { return *m_status; }
    int port() const;
    int discoveryPort() const; // -1: not answering

    // The address to give observatory software, e.g. "http://127.0.0.1:11111".
    QString address() const;
    // The status page for a browser on this computer, e.g. "http://127.0.0.1:11111/".
    QString pageUrl() const;

private:
    AlpacaService() = default;

    QString m_bind;
    std::unique_ptr<SnapshotBoard> m_board;
    std::unique_ptr<AlpacaApi> m_api;
    std::unique_ptr<StatusBoard> m_status;
    std::unique_ptr<StatusPage> m_page;
    std::unique_ptr<DeviceServer> m_server;
    std::unique_ptr<DiscoveryResponder> m_discovery;
};
