#pragma once

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

// Free ports, a self-signed certificate for 127.0.0.1, and waiting for a server to listen.
namespace LoopbackTools
{

inline quint16 freePort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

// cert.pem and key.pem in dir; cert.pem is also the authority to trust.
inline bool makeCertificate(const QDir& dir)
{
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
        { "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1", "-subj", "/CN=127.0.0.1",
            "-addext", "subjectAltName=IP:127.0.0.1", "-keyout", dir.filePath("key.pem"), "-out",
            dir.filePath("cert.pem") });
    return openssl.waitForFinished(30000) && openssl.exitCode() == 0;
}

inline bool waitForListener(quint16 port, int timeoutMs = 10000)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, port);
        if (socket.waitForConnected(200))
            return true;
        QThread::msleep(50);
    }
    return false;
}

} // namespace LoopbackTools
