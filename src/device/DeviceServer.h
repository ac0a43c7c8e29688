#pragma once

#include <QString>
#include <map>
#include <string>

class AlpacaApi;
class SnapshotBoard;
class StatusPage;
struct AlpacaReply;
struct MHD_Connection;
struct MHD_Daemon;

// The HTTP side of the network device server: a few event-driven threads of its own, which
// answer from the API and never wait for the window's thread. A connection costs a worker
// only while a request is answered, so idle or half-sent ones delay no one; they are closed
// after IdleSeconds, and a client over the caps is refused at once.
class DeviceServer
{
public:
    static constexpr unsigned Workers = 8;
    static constexpr unsigned IdleSeconds = 5;
    static constexpr unsigned MaxConnections = 500;
    static constexpr unsigned MaxPerAddress = 100;
    static constexpr std::size_t MaxBody = 64 * 1024;

    // The Alpaca devices, and beside them the plain answers for INDI's weather drivers.
    DeviceServer(AlpacaApi& api, const SnapshotBoard& board);
    ~DeviceServer();

    // The status page and its data beside them; it must outlive the server.
    void setStatusPage(const StatusPage* page) { m_page = page; }

    // Port 0 binds any free port. Returns once the server accepts connections.
    bool start(const QString& bindAddress, int port);
    void stop();
    int port() const { return m_port; }

    using Query = std::multimap<std::string, std::string>;
    // One whole request, on a server thread; warning as StatusPage gives it.
    AlpacaReply dispatch(const std::string& method, const std::string& path, const Query& query,
        const std::string& body, std::string* warning) const;

private:
    AlpacaApi& m_api;
    const SnapshotBoard& m_board;
    const StatusPage* m_page = nullptr;
    MHD_Daemon* m_daemon = nullptr;
    int m_port = -1;
};
