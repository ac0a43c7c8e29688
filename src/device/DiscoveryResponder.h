#pragma once

#include <QString>
#include <atomic>
#include <thread>

// Answers the Alpaca discovery datagram ("alpacadiscovery1") with {"AlpacaPort": N}, on its
// own thread.
class DiscoveryResponder
{
public:
    DiscoveryResponder() = default;
    ~DiscoveryResponder();

    // Port 0 binds any free port (tests). Returns false when the port cannot be bound.
    bool start(const QString& bindAddress, int port, int alpacaPort);
    void stop();
    int port() const { return m_port; }

private:
    std::thread m_thread;
    std::atomic<bool> m_stop { false };
    int m_port = -1;
};
