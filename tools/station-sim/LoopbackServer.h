#pragma once

#include <QString>
#include <memory>
#include <thread>

namespace httplib
{
class Server;
}

// An HTTP server on 127.0.0.1 with an ephemeral port, run on its own thread: the simulator
// served in-process for tests, benchmarks and screenshots. Register handlers before start().
class LoopbackServer
{
public:
    LoopbackServer();
    ~LoopbackServer();

    httplib::Server& server();
    // Binds, starts serving and returns once the server accepts connections.
    bool start();
    void stop();
    int port() const { return m_port; }
    QString baseUrl() const;

private:
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    int m_port = -1;
};
