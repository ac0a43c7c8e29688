#include "ChannelWorker.h"
#include "EmailChannel.h"
#include "LoopbackTools.h"
#include "Notifier.h"
#include "NtfyChannel.h"
#include "PushoverChannel.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <httplib.h>
#include <thread>

namespace
{

// The log lines of nubora.notify, kept while a case runs.
QStringList notifyLog;
QtMessageHandler previousHandler = nullptr;
void keepNotifyLog(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (context.category && QByteArray(context.category) == "nubora.notify")
        notifyLog.append(text);
    previousHandler(type, context, text);
}

NotifyEvent sample(NotifyEvent::Kind kind)
{
    return { kind, 1765000000000, QStringLiteral("Nubora: prueba"),
        QStringLiteral("Nublado, 5 °C") };
}

// An HTTP stand-in on loopback that keeps every request and answers with a chosen status.
struct StandIn {
    httplib::Server server;
    std::thread thread;
    std::mutex mutex;
    QList<httplib::Request> requests;
    std::atomic<int> status { 200 };
    int port = 0;

    StandIn()
    {
        server.Post(".*", [this](const httplib::Request& request, httplib::Response& response) {
            const std::lock_guard lock(mutex);
            requests.append(request);
            response.status = status;
            response.set_content("{\"status\":1}", "application/json");
        });
        port = server.bind_to_any_port("127.0.0.1");
        thread = std::thread([this] { server.listen_after_bind(); });
    }
    ~StandIn()
    {
        server.stop();
        thread.join();
    }
    QString url(const char* path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(path);
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

    void ntfyRequest();
    void pushoverForm();
    void emailThroughStartTls();
    void failuresRetriedThenDropped();
    void deadReceiverDelaysNothing();
};

void TestNotifyChannels::ntfyRequest()
{
    StandIn ntfy;
    NtfyChannel channel(ntfy.url("/observatorio"), QStringLiteral("tk_secreto"));
    const std::atomic<bool> stop { false };
    QCOMPARE(channel.send(sample(NotifyEvent::Kind::Unsafe), stop), QString());
    QCOMPARE(channel.send(sample(NotifyEvent::Kind::Recovered), stop), QString());
    QCOMPARE(ntfy.count(), 2);
    const httplib::Request& unsafe = ntfy.requests[0];
    QCOMPARE(unsafe.path, "/observatorio");
    QCOMPARE(unsafe.body, "Nublado, 5 °C");
    QCOMPARE(unsafe.get_header_value("Title"), "Nubora: prueba");
    QCOMPARE(unsafe.get_header_value("Priority"), "urgent");
    QCOMPARE(unsafe.get_header_value("Tags"), "rotating_light,unsafe");
    QCOMPARE(unsafe.get_header_value("Authorization"), "Bearer tk_secreto");
    QCOMPARE(ntfy.requests[1].get_header_value("Priority"), "default");

    // A title beyond ASCII travels as an encoded word, which ntfy decodes.
    NotifyEvent accented = sample(NotifyEvent::Kind::Safe);
    accented.title = QStringLiteral("Nubora: señal");
    QCOMPARE(channel.send(accented, stop), QString());
    QCOMPARE(ntfy.requests[2].get_header_value("Title"),
        "=?UTF-8?B?" + QByteArray("Nubora: señal").toBase64().toStdString() + "?=");
}

void TestNotifyChannels::pushoverForm()
{
    StandIn pushover;
    PushoverChannel channel(
        QStringLiteral("app-token"), QStringLiteral("user-key"), pushover.url("/1/messages.json"));
    const std::atomic<bool> stop { false };
    QCOMPARE(channel.send(sample(NotifyEvent::Kind::Unsafe), stop), QString());
    QCOMPARE(channel.send(sample(NotifyEvent::Kind::Safe), stop), QString());
    QCOMPARE(pushover.count(), 2);
    const httplib::Request& unsafe = pushover.requests[0];
    QCOMPARE(unsafe.get_header_value("Content-Type"), "application/x-www-form-urlencoded");
    QCOMPARE(unsafe.get_param_value("token"), "app-token");
    QCOMPARE(unsafe.get_param_value("user"), "user-key");
    QCOMPARE(unsafe.get_param_value("message"), "Nublado, 5 °C");
    QCOMPARE(unsafe.get_param_value("title"), "Nubora: prueba");
    QCOMPARE(unsafe.get_param_value("priority"), "2");
    QCOMPARE(unsafe.get_param_value("retry"), "30");
    QCOMPARE(unsafe.get_param_value("expire"), "3600");
    const httplib::Request& safe = pushover.requests[1];
    QCOMPARE(safe.get_param_value("priority"), "0");
    QVERIFY(!safe.has_param("retry") && !safe.has_param("expire"));
}

void TestNotifyChannels::emailThroughStartTls()
{
    QTemporaryDir dir;
    QVERIFY(LoopbackTools::makeCertificate(QDir(dir.path())));
    const quint16 port = LoopbackTools::freePort();
    QProcess smtp;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("PYTHONUNBUFFERED", "1");
    smtp.setProcessEnvironment(env);
    smtp.setProcessChannelMode(QProcess::MergedChannels);
    // The stand-in requires STARTTLS before it takes a message, and prints each one.
    smtp.start(QStringLiteral("/usr/bin/python3"),
        { "-m", "aiosmtpd", "-n", "-l", QStringLiteral("127.0.0.1:%1").arg(port), "--tlscert",
            dir.filePath("cert.pem"), "--tlskey", dir.filePath("key.pem") });
    const auto stopSmtp = qScopeGuard([&smtp] {
        smtp.kill();
        smtp.waitForFinished();
    });
    QVERIFY(LoopbackTools::waitForListener(port));

    CurlTransfer::Mail mail { "nubora@observatorio.example", { "dueno@example.org" }, {}, {} };
    const std::atomic<bool> stop { false };
    EmailChannel plain(QStringLiteral("smtp://127.0.0.1:%1").arg(port), mail);
    // Without trusting the server's certificate nothing is sent.
    QVERIFY(!plain.send(sample(NotifyEvent::Kind::Stale), stop).isEmpty());
    EmailChannel channel(
        QStringLiteral("smtp://127.0.0.1:%1").arg(port), mail, dir.filePath("cert.pem"));
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
        ChannelWorker worker(std::make_unique<NtfyChannel>(
                                 ntfy.url("/t").replace("http://", "http://yo:clave@"), QString()),
            { 4, std::chrono::milliseconds(50), std::chrono::milliseconds(200),
                std::chrono::milliseconds(400) });
        QVERIFY(worker.post(sample(NotifyEvent::Kind::Failing)));
        // Tries at 0, 50, 150 and 350 ms; the next would pass the 400 ms allowed.
        QTRY_VERIFY(notifyLog.join('\n').contains("dropped after 4 tries"));
        QCOMPARE(ntfy.count(), 4);
    }
    QVERIFY2(!notifyLog.join('\n').contains("clave"), qPrintable(notifyLog.join('\n')));
    QVERIFY(notifyLog.join('\n').contains("HTTP status 500"));
}

// A receiver that takes the connection and never answers: the caller's calls, made on the
// engine's thread after each poll, take no longer than without it, and the queue stays bounded.
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
        notifier.transition({ 0, true, QString() });
        ConditionsReadings failed;
        failed.outcome = ConditionsReadings::Outcome::Failed;
        ConditionsReadings good;
        good.outcome = ConditionsReadings::Outcome::Complete;
        for (int i = 1; i <= 40; ++i) {
            QElapsedTimer call;
            call.start();
            // Each round is a change worth telling: unsafe, and failing or recovered.
            notifier.transition({ i * 60000LL, i % 2 == 0, QStringLiteral("Nublado") });
            notifier.poll(i * 60000LL, i % 2 ? failed : good, QStringLiteral("failed load: x"));
            slowestNs = std::max(slowestNs, call.nsecsElapsed());
        }
        QTRY_VERIFY(dead.hasPendingConnections());
    }
    qInfo("slowest call with a dead receiver: %.3f ms; all, with the stop: %lld ms",
        slowestNs / 1e6, total.elapsed());
    QVERIFY(slowestNs < 20 * 1000 * 1000);
    QVERIFY(notifyLog.join('\n').contains("dropped: queue full"));
    // The stop does not wait for the receiver's time limit.
    QVERIFY(total.elapsed() < 5000);
}

QTEST_GUILESS_MAIN(TestNotifyChannels)
#include "tst_notifychannels.moc"
