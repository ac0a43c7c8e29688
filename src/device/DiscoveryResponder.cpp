#include "DiscoveryResponder.h"

#include "Logging.h"

#include <QHostAddress>
#include <QUdpSocket>
#include <future>

namespace
{

constexpr QByteArrayView Query = "alpacadiscovery1";

} // namespace

DiscoveryResponder::~DiscoveryResponder()
{
    stop();
}

bool DiscoveryResponder::start(const QString& bindAddress, int port, int alpacaPort)
{
    std::promise<int> bound;
    std::future<int> boundPort = bound.get_future();
    m_stop = false;
    // The socket lives on the thread that reads it; blocking waits need no event loop.
    m_thread = std::thread([this, bindAddress, port, alpacaPort, &bound] {
        QUdpSocket socket;
        const QHostAddress address(bindAddress);
        if (!socket.bind(
                address, quint16(port), QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint)) {
            bound.set_value(-1);
            return;
        }
        bound.set_value(socket.localPort());
        const QByteArray answer
            = QByteArrayLiteral("{\"AlpacaPort\":") + QByteArray::number(alpacaPort) + '}';
        while (!m_stop) {
            if (!socket.waitForReadyRead(100))
                continue;
            while (socket.hasPendingDatagrams()) {
                QHostAddress sender;
                quint16 senderPort = 0;
                QByteArray datagram(int(socket.pendingDatagramSize()), Qt::Uninitialized);
                const qint64 size
                    = socket.readDatagram(datagram.data(), datagram.size(), &sender, &senderPort);
                if (size >= 0 && datagram.left(size).startsWith(Query))
                    socket.writeDatagram(answer, sender, senderPort);
            }
        }
    });
    m_port = boundPort.get();
    if (m_port < 0) {
        m_thread.join();
        qCWarning(lcDevice) << "cannot answer discovery on" << bindAddress << "port" << port;
        return false;
    }
    qCInfo(lcDevice) << "answering discovery on" << bindAddress << "port" << m_port;
    return true;
}

void DiscoveryResponder::stop()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
}
