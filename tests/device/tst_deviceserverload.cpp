#include "AlpacaApi.h"
#include "DeviceServer.h"
#include "SnapshotBoard.h"

#include <QElapsedTimer>
#include <QTest>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{

const char IsSafe[] = "GET /api/v1/safetymonitor/0/issafe HTTP/1.1\r\nHost: t\r\n\r\n";

// Clients of a loopback address of their own, so that each group meets its own cap.
class Client
{
public:
    Client(const char* source, int port)
        : m_fd(socket(AF_INET, SOCK_STREAM, 0))
    {
        sockaddr_in address {};
        address.sin_family = AF_INET;
        inet_pton(AF_INET, source, &address.sin_addr);
        bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
        address.sin_port = htons(quint16(port));
        ::connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    }
    ~Client() { close(m_fd); }
    Client(const Client&) = delete;

    // False where the server has already closed the connection.
    bool send(const char* text) { return ::send(m_fd, text, strlen(text), MSG_NOSIGNAL) > 0; }
    // What arrives within timeoutMs, up to the end of the first answer; "closed" when the server
    // closed the connection first, empty when nothing came.
    QByteArray read(int timeoutMs)
    {
        QByteArray got;
        QElapsedTimer clock;
        clock.start();
        pollfd p { m_fd, POLLIN, 0 };
        while (clock.elapsed() < timeoutMs && poll(&p, 1, int(timeoutMs - clock.elapsed())) > 0) {
            char buffer[4096];
            const ssize_t n = recv(m_fd, buffer, sizeof buffer, 0);
            if (n <= 0)
                return got.isEmpty() ? QByteArray("closed") : got;
            got.append(buffer, n);
            if (got.contains("\r\n\r\n") && got.endsWith('}'))
                break;
        }
        return got;
    }

private:
    int m_fd;
};

} // namespace

class TestDeviceServerLoad : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_server.start("127.0.0.1", 0)); }
    void heldConnectionsDelayNoOne();
    void idleConnectionsClosed();

private:
    bool askIsSafe(const char* source);
    // A client from source whose request was answered; the server keeps it alive, idle.
    std::unique_ptr<Client> answered(const char* source);

    // One server for both cases: each uses loopback addresses of its own.
    SnapshotBoard m_board;
    AlpacaApi m_api { m_board, { "a", "b" }, nullptr, 1 };
    DeviceServer m_server { m_api, m_board };
};

bool TestDeviceServerLoad::askIsSafe(const char* source)
{
    Client client(source, m_server.port());
    const QByteArray answer = client.send(IsSafe) ? client.read(3000) : QByteArray();
    return answer.startsWith("HTTP/1.1 200") && answer.contains("\"Value\":false");
}

std::unique_ptr<Client> TestDeviceServerLoad::answered(const char* source)
{
    auto client = std::make_unique<Client>(source, m_server.port());
    return client->send(IsSafe) && client->read(3000).startsWith("HTTP/1.1 200") ? std::move(client)
                                                                                 : nullptr;
}

void TestDeviceServerLoad::heldConnectionsDelayNoOne()
{
    // A full address of answered connections, kept alive and idle, and as many half-sent
    // requests from another: a worker per connection would be taken by these for seconds.
    std::vector<std::unique_ptr<Client>> held;
    for (unsigned i = 0; i < DeviceServer::MaxPerAddress; ++i) {
        held.push_back(answered("127.0.0.2"));
        QVERIFY(held.back());
        held.push_back(std::make_unique<Client>("127.0.0.3", m_server.port()));
        QVERIFY(held.back()->send("GET /api/v1/safetymonitor/0/issafe HTTP/1.1\r\nHost: t\r\n"));
    }
    // The margin is for a busy machine, the benchmark measures the time itself.
    QElapsedTimer clock;
    clock.start();
    QVERIFY(askIsSafe("127.0.0.1"));
    QVERIFY2(clock.elapsed() < 500, qPrintable(QString::number(clock.elapsed())));
    // One more from the full address is closed at once: its request may not even be sent.
    clock.restart();
    Client over("127.0.0.2", m_server.port());
    if (over.send(IsSafe))
        QCOMPARE(over.read(3000), QByteArray("closed"));
    QVERIFY(clock.elapsed() < 1000);
}

void TestDeviceServerLoad::idleConnectionsClosed()
{
    Client halfSent("127.0.0.1", m_server.port());
    QVERIFY(halfSent.send("GET / HTTP/1.1\r\n"));
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(halfSent.read((DeviceServer::IdleSeconds + 3) * 1000), QByteArray("closed"));
    QVERIFY(clock.elapsed() >= (DeviceServer::IdleSeconds - 1) * 1000);
}

QTEST_GUILESS_MAIN(TestDeviceServerLoad)
#include "tst_deviceserverload.moc"
