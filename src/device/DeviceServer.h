#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <thread>

class AlpacaApi;
class SnapshotBoard;
class StatusPage;

namespace httplib
{
class Server;
struct Request;
struct Response;
} // namespace httplib

// The HTTP side of the network device server: its own listening thread and worker pool, which
// answer from the API and never wait for the window's thread.
class DeviceServer
{
public:
    // The Alpaca devices, and beside them the plain answers for INDI's weather drivers.
    DeviceServer(AlpacaApi& api, const SnapshotBoard& board);
    // The status page and its data beside them; it must outlive the server.
    void setStatusPage(const StatusPage* page) { m_page = page; }
    ~DeviceServer();

    // Port 0 binds any free port. Returns once the server accepts connections.
    bool start(const QString& bindAddress, int port);
    void stop();
    int port() const { return m_port; }

private:
    void dispatch(const httplib::Request& request, httplib::Response& response);

    AlpacaApi& m_api;
    const SnapshotBoard& m_board;
    const StatusPage* m_page = nullptr;
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    int m_port = -1;
};
