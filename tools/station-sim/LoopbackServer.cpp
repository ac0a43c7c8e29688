#include "LoopbackServer.h"

#include <chrono>
#include <httplib.h>

LoopbackServer::LoopbackServer()
    : m_server(std::make_unique<httplib::Server>())
{
}

LoopbackServer::~LoopbackServer()
{
    stop();
}

httplib::Server& LoopbackServer::server()
{
    return *m_server;
}

bool LoopbackServer::start()
{
    m_port = m_server->bind_to_any_port("127.0.0.1");
    if (m_port <= 0)
        return false;
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
    // This httplib has no wait_until_ready(); the socket is already bound and listening, so
    // connections queue until the loop runs. Wait for it briefly all the same.
    for (int i = 0; i < 500 && !m_server->is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return m_server->is_running();
}

void LoopbackServer::stop()
{
    if (m_thread.joinable()) {
        m_server->stop();
        m_thread.join();
    }
}

QString LoopbackServer::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_port);
}
