#include "EmailChannel.h"
#include "LoopbackTools.h"
#include "Notifier.h"
#include "NtfyChannel.h"
#include "PushoverChannel.h"

#include <QTemporaryDir>
#include <QTest>
#include <httplib.h>
#include <thread>

namespace
{

// The lines of nubora.notify, kept for the cases to read.
QStringList notifyLog;
QtMessageHandler previousHandler = nullptr;
void keepNotifyLog(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (context.category && QByteArray(context.category) == "nubora.notify")
        notifyLog.append(text);
    previousHandler(type, context, text);
}

NotifyEvent sample(NotifyEvent::Kind kind, const QString& title = "Nubora: prueba")
{
    return { kind, 1765000000000, title, QStringLiteral("Nublado, 5 °C") };
}

// An HTTP stand-in on loopback that keeps every request and answers with a chosen status.
struct StandIn {
    httplib::Server server;
    std::mutex mutex;
    QList<httplib::Request> requests;
    std::atomic<int> status { 200 };
    const int port = server.bind_to_any_port("127.0.0.1");
    std::thread thread { [this] { server.listen_after_bind(); } };

    StandIn()
    {
        server.Post(".*", [this](const httplib::Request& request, httplib::Response& response) {
            const std::lock_guard lock(mutex);
            requests.append(request);
            response.status = status;
        });
    }
    ~StandIn()
    {
        server.stop();
        thread.join();
    }
    QString url(const QString& path) const
    {
        return QStringLiteral("http://127.0.0.1:%1").arg(port) + path;
    }
    int count()
    {
        const std::lock_guard lock(mutex);
        return int(requests.size());
    }
};

} // namespace

class TestNotifyChannels : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { previousHandler = qInstallMessageHandler(keepNotifyLog); }
    void init() { notifyLog.clear(); }

    void ntfyAndPushoverRequests();
    void emailThroughStartTls();
    void failuresRetriedThenDropped();
    void deadReceiverDelaysNothing();
};

void TestNotifyChannels::ntfyAndPushoverRequests()
{
    StandIn server;
    const std::atomic<bool> stop { false };
    NtfyChannel ntfy(server.url("/observatorio"), "tk_secreto");
    QCOMPARE(ntfy.send(sample(NotifyEvent::Kind::Unsafe), stop), QString());
    QCOMPARE(ntfy.send(sample(NotifyEvent::Kind::Recovered, "Nubora: señal"), stop), QString());
    PushoverChannel pushover("app-token", "user-key", server.url("/1/messages.json"));
    QCOMPARE(pushover.send(sample(NotifyEvent::Kind::Unsafe), stop), QString());
    QCOMPARE(pushover.send(sample(NotifyEvent::Kind::Safe), stop), QString());
    QCOMPARE(server.count(), 4);

    const httplib::Request& unsafe = server.requests[0];
    QCOMPARE(unsafe.path, "/observatorio");
    QCOMPARE(unsafe.body, "Nublado, 5 °C");
    QCOMPARE(unsafe.get_header_value("Title"), "Nubora: prueba");
    QCOMPARE(unsafe.get_header_value("Priority"), "urgent");
    QCOMPARE(unsafe.get_header_value("Tags"), "rotating_light,unsafe");
    QCOMPARE(unsafe.get_header_value("Authorization"), "Bearer tk_secreto");
    QCOMPARE(server.requests[1].get_header_value("Priority"), "default");
    // A title beyond ASCII travels as an encoded word.
    QCOMPARE(server.requests[1].get_header_value("Title"),
        "=?UTF-8?B?" + QByteArray("Nubora: señal").toBase64().toStdString() + "?=");

    const httplib::Request& emergency = server.requests[2];
    QCOMPARE(emergency.get_header_value("Content-Type"), "application/x-www-form-urlencoded");
    const std::multimap<std::string, std::string> expected { { "token", "app-token" },
        { "user", "user-key" }, { "title", "Nubora: prueba" }, { "message", "Nublado, 5 °C" },
        { "timestamp", "1765000000" }, { "priority", "2" }, { "retry", "30" },
        { "expire", "3600" } };
    QVERIFY(emergency.params == expected);
    QCOMPARE(server.requests[3].get_param_value("priority"), "0");
    QVERIFY(!server.requests[3].has_param("retry") && !server.requests[3].has_param("expire"));
}

void TestNotifyChannels::emailThroughStartTls()
{
    QTemporaryDir dir;
    QVERIFY(LoopbackTools::makeCertificate(QDir(dir.path())));
    const quint16 port = LoopbackTools::freePort();
    // The stand-in takes a message only after STARTTLS, and prints it.
    QProcess smtp;
    smtp.setProcessChannelMode(QProcess::MergedChannels);
    smtp.start("/usr/bin/python3",
        { "-u", "-m", "aiosmtpd", "-n", "-l", QStringLiteral("127.0.0.1:%1").arg(port), "--tlscert",
            dir.filePath("cert.pem"), "--tlskey", dir.filePath("key.pem") });
    const auto stopSmtp = qScopeGuard([&smtp] {
        smtp.kill();
        smtp.waitForFinished();
    });
    QVERIFY(LoopbackTools::waitForListener(port));

    const CurlTransfer::Mail mail { "nubora@example.org", { "dueno@example.org" }, {}, {} };
    const QString url = QStringLiteral("smtp://127.0.0.1:%1").arg(port);
    const std::atomic<bool> stop { false };
    // A server whose certificate is not trusted gets nothing.
    QVERIFY(!EmailChannel(url, mail).send(sample(NotifyEvent::Kind::Stale), stop).isEmpty());
    EmailChannel channel(url, mail, dir.filePath("cert.pem"));
    QCOMPARE(channel.send(sample(NotifyEvent::Kind::Stale), stop), QString());
    QByteArray printed;
    QTRY_VERIFY((printed += smtp.readAll()).contains("Nublado, 5 °C"));
    QVERIFY(printed.contains("Subject: Nubora: prueba"));
    QVERIFY(printed.contains("To: dueno@example.org"));
}

void TestNotifyChannels::failuresRetriedThenDropped()
{
    StandIn ntfy;
    ntfy.status = 500;
    {
        ChannelWorker worker(
            std::make_unique<NtfyChannel>(ntfy.url("/t").replace("//", "//yo:clave@"), QString()),
            { 4, std::chrono::milliseconds(50), std::chrono::milliseconds(200),
                std::chrono::milliseconds(400) });
        QVERIFY(worker.post(sample(NotifyEvent::Kind::Failing)));
        // Tries at 0, 50, 150 and 350 ms; the next would pass the 400 ms allowed.
        QTRY_VERIFY(notifyLog.join('\n').contains("dropped after 4 tries"));
        QCOMPARE(ntfy.count(), 4);
    }
    QVERIFY(notifyLog.join('\n').contains("HTTP status 500"));
    QVERIFY2(!notifyLog.join('\n').contains("clave"), qPrintable(notifyLog.join('\n')));
}

// A receiver that takes the connection and never answers: the calls made on the engine's
// thread after each poll stay short, the queue stays bounded, and the stop does not wait.
void TestNotifyChannels::deadReceiverDelaysNothing()
{
    QTcpServer dead;
    QVERIFY(dead.listen(QHostAddress::LocalHost, 0));
    QElapsedTimer total;
    total.start();
    qint64 slowestNs = 0;
    {
        Notifier notifier({ 1, 15, 5 }, 0);
        notifier.addChannel(
            std::make_unique<NtfyChannel>(
                QStringLiteral("http://127.0.0.1:%1/t").arg(dead.serverPort()), QString()),
            ChannelWorker::Limits { 4 });
        ConditionsReadings failed, good;
        failed.outcome = ConditionsReadings::Outcome::Failed;
        good.outcome = ConditionsReadings::Outcome::Complete;
        for (int i = 0; i <= 40; ++i) {
            QElapsedTimer call;
            call.start();
            // Each round a change worth telling: unsafe, and failing or recovered.
            notifier.transition({ i * 60000LL, i % 2 == 0, "Nublado" });
            notifier.poll(i * 60000LL, i % 2 ? failed : good, "failed load: x");
            slowestNs = std::max(slowestNs, call.nsecsElapsed());
        }
        QTRY_VERIFY(dead.hasPendingConnections());
    }
    const QString times = QStringLiteral("slowest call %1 ms, the whole case %2 ms")
                              .arg(slowestNs / 1e6)
                              .arg(total.elapsed());
    QVERIFY2(slowestNs < 20 * 1000 * 1000 && total.elapsed() < 5000, qPrintable(times));
    QVERIFY(notifyLog.join('\n').contains("dropped: queue full"));
}

QTEST_GUILESS_MAIN(TestNotifyChannels)
#include "tst_notifychannels.moc"
