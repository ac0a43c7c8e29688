#include "LoopbackServer.h"
#include "NuboraVersion.h"
#include "PollFailure.h"
#include "XmlSource.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <httplib.h>
#include <memory>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{

const WeatherService::FetchLimits FastLimits { 1000, 1500, 64 * 1024, 5 };
// Generous on purpose: these tests check that a bound is enforced, not how fast.
constexpr qint64 MarginMs = 3000;

const char IndentedAnswer[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<response>
  <version>0.1</version>
  <hourly_forecast>
    <forecast>
      <FCTTIME>
        <hour>21</hour>
      </FCTTIME>
      <temp>
        <english>32</english>
        <metric> 0</metric>
      </temp>
      <condition>Despejado</condition>
    </forecast>
    <forecast>
      <FCTTIME>
        <hour>22</hour>
      </FCTTIME>
      <temp>
        <english>30</english>
        <metric>-1</metric>
      </temp>
      <condition>Tormentas eléctricas</condition>
    </forecast>
  </hourly_forecast>
</response>
)";

QByteArray flattened(const QByteArray& xml)
{
    return QString::fromUtf8(xml)
        .replace(QRegularExpression(QStringLiteral(">\\s+<")), QStringLiteral("><"))
        .toUtf8();
}

// A well-formed document of exactly that many bytes.
std::string documentOfSize(std::size_t bytes)
{
    return "<r>" + std::string(bytes - 7, 'x') + "</r>";
}

QDomDocument parsed(const char* xml)
{
    QDomDocument document;
    if (!document.setContent(QByteArray(xml)))
        qFatal("test document does not parse");
    return document;
}

QByteArray billionLaughs()
{
    QByteArray xml = "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol0 \"lol\">";
    for (int level = 1; level <= 9; ++level) {
        xml += "<!ENTITY lol" + QByteArray::number(level) + " \"";
        for (int i = 0; i < 10; ++i)
            xml += "&lol" + QByteArray::number(level - 1) + ";";
        xml += "\">";
    }
    return xml + "]><lolz><a>&lol9;</a></lolz>";
}

// Each expansion stays under the parser's per-entity limit; the total does not.
QByteArray quadraticBlowup()
{
    QByteArray xml = "<!DOCTYPE r [<!ENTITY big \"" + QByteArray(4000, 'x') + "\">]><r><a>";
    for (int i = 0; i < 12000; ++i)
        xml += "&big;";
    return xml + "</a></r>";
}

// A socket on 127.0.0.1 with an ephemeral port, listening but never accepting; -1 on failure.
int listeningSocket(int backlog, quint16* port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0
        || ::listen(fd, backlog) != 0
        || ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (fd >= 0)
            ::close(fd);
        return -1;
    }
    *port = ntohs(address.sin_port);
    return fd;
}

// Connects a new socket to the port; the socket stays open (returned through fd) either way.
bool connectsWithin(quint16 port, int milliseconds, int* fd)
{
    *fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (*fd < 0)
        return false;
    ::fcntl(*fd, F_SETFL, ::fcntl(*fd, F_GETFL) | O_NONBLOCK);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (::connect(*fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0)
        return true;
    pollfd waiting { *fd, POLLOUT, 0 };
    int error = 0;
    socklen_t length = sizeof(error);
    return ::poll(&waiting, 1, milliseconds) == 1
        && ::getsockopt(*fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
}

QString loopbackBase(quint16 port)
{
    return QStringLiteral("http://127.0.0.1:%1").arg(port);
}

QByteArray nested(int depth)
{
    return QByteArray("<a>").repeated(depth) + QByteArray("</a>").repeated(depth);
}

} // namespace

class TestWeatherService : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void requestAddresses_data();
    void requestAddresses();
    void typedTextCannotChangeTheAddress_data();
    void typedTextCannotChangeTheAddress();
    void encodedTextReachesTheServerAsTyped();

    void loadsDocument_data();
    void loadsDocument();
    void errorMarker_data();
    void errorMarker();

    void failedLoadReturnsWithinBound_data();
    void failedLoadReturnsWithinBound();
    void bodyBound_data();
    void bodyBound();
    void endlessBodyIsAbortedAtTheBodyBound();
    void compressedBodyIsBoundedAfterDecoding();
    void redirectBound_data();
    void redirectBound();
    void silentServerFailsAtTheTotalBound();
    void unansweredConnectFailsAtTheConnectBound();
    void refusedConnectionFails();
    void otherSchemesAreNotRead();
    void hostileXml_data();
    void hostileXml();

    void elementAccessAtTheEdges();

private:
    QString url(const char* path) const { return m_server.baseUrl() + QLatin1String(path); }

    LoopbackServer m_server;
    QTemporaryDir m_dir;
    QString m_localDocument;
    std::atomic<bool> m_stopping { false };
    std::mutex m_seenMutex;
    std::string m_seenPath;
    std::size_t m_seenParams = 0;
    std::string m_seenUserAgent;
    std::string m_hostileBody;
};

void TestWeatherService::initTestCase()
{
    // A peer that vanishes mid-answer must not end the test run.
    std::signal(SIGPIPE, SIG_IGN);
    qputenv("no_proxy", "*");
    qputenv("NO_PROXY", "*");

    QVERIFY(m_dir.isValid());
    m_localDocument = m_dir.filePath(QStringLiteral("answer.xml"));
    QFile local(m_localDocument);
    QVERIFY(local.open(QIODevice::WriteOnly));
    local.write("<response><secret>local file</secret></response>");
    local.close();

    httplib::Server& server = m_server.server();
    server.Get("/doc/indented", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(IndentedAnswer, "text/xml");
    });
    server.Get("/doc/flat", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(flattened(IndentedAnswer).toStdString(), "text/xml");
    });
    server.Get(R"(/status/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
        res.status = std::stoi(req.matches[1]);
        res.set_content("<response><temp_c>12</temp_c></response>", "text/xml");
    });
    server.Get("/garbage", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("<html><body>Service unavailable", "text/xml");
    });
    server.Get("/empty",
        [](const httplib::Request&, httplib::Response& res) { res.set_content("", "text/xml"); });
    // Octet-stream keeps the server from compressing, so the sizes below are the wire sizes.
    server.Get(R"(/sized/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
        res.set_content(documentOfSize(std::stoul(req.matches[1])), "application/octet-stream");
    });
    server.Get(R"(/sized-chunked/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
        auto body = std::make_shared<std::string>(documentOfSize(std::stoul(req.matches[1])));
        res.set_chunked_content_provider(
            "application/octet-stream", [body](std::size_t offset, httplib::DataSink& sink) {
                if (offset < body->size()) {
                    const std::size_t piece = std::min<std::size_t>(1000, body->size() - offset);
                    return sink.write(body->data() + offset, piece);
                }
                sink.done();
                return true;
            });
    });
    server.Get("/endless", [this](const httplib::Request&, httplib::Response& res) {
        res.set_chunked_content_provider(
            "application/octet-stream", [this](std::size_t offset, httplib::DataSink& sink) {
                static const std::string filler(8192, 'x');
                if (m_stopping)
                    return false;
                return offset == 0 ? sink.write("<r>", 3)
                                   : sink.write(filler.data(), filler.size());
            });
    });
    server.Get("/drip", [this](const httplib::Request&, httplib::Response& res) {
        res.set_chunked_content_provider(
            "text/xml", [this](std::size_t offset, httplib::DataSink& sink) {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                // Gives up after some ten seconds, so a missing bound fails instead of hanging.
                if (m_stopping || offset > 100)
                    return false;
                return offset == 0 ? sink.write("<r>", 3) : sink.write("x", 1);
            });
    });
    server.Get("/deflated-small", [](const httplib::Request&, httplib::Response& res) {
        res.set_header("Content-Encoding", "deflate");
        res.set_content(
            qCompress(QByteArray("<r>12</r>")).mid(4).toStdString(), "application/octet-stream");
    });
    server.Get("/deflated-bomb", [](const httplib::Request&, httplib::Response& res) {
        res.set_header("Content-Encoding", "deflate");
        const QByteArray inflated = "<r>" + QByteArray(8 * 1024 * 1024, 'x') + "</r>";
        res.set_content(qCompress(inflated).mid(4).toStdString(), "application/octet-stream");
    });
    server.Get(R"(/redirect/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
        const int left = std::stoi(req.matches[1]);
        if (left == 0)
            res.set_content("<response><temp_c>12</temp_c></response>", "text/xml");
        else
            res.set_redirect("/redirect/" + std::to_string(left - 1));
    });
    server.Get("/loop",
        [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/loop"); });
    server.Get("/to-file", [this](const httplib::Request&, httplib::Response& res) {
        res.set_redirect(QUrl::fromLocalFile(m_localDocument).toString().toStdString());
    });
    server.Get("/hostile", [this](const httplib::Request&, httplib::Response& res) {
        const std::lock_guard<std::mutex> lock(m_seenMutex);
        res.set_content(m_hostileBody, "text/xml");
    });
    server.Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
        const std::lock_guard<std::mutex> lock(m_seenMutex);
        m_seenPath = req.path;
        m_seenParams = req.params.size();
        m_seenUserAgent = req.get_header_value("User-Agent");
        res.set_content("<response/>", "text/xml");
    });
    QVERIFY(m_server.start());
}

void TestWeatherService::cleanupTestCase()
{
    m_stopping = true;
    m_server.stop();
}

void TestWeatherService::requestAddresses_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("station");
    QTest::addColumn<QString>("expected");

    QTest::newRow("conditions") << int(WeatherService::Conditions) << "IMADRID1"
                                << "http://127.0.0.1:1234/api/abc123/conditions/lang:SP/q/"
                                   "pws:IMADRID1.xml";
    QTest::newRow("hourly") << int(WeatherService::Hourly) << "IMADRID1"
                            << "http://127.0.0.1:1234/api/abc123/hourly/lang:SP/q/pws:IMADRID1.xml";
    QTest::newRow("geolookup ignores the station")
        << int(WeatherService::Geolookup) << "IMADRID1"
        << "http://127.0.0.1:1234/api/abc123/geolookup/q/autoip.xml";
    QTest::newRow("conditions, empty station")
        << int(WeatherService::Conditions) << ""
        << "http://127.0.0.1:1234/api/abc123/conditions/lang:SP/q/pws:.xml";
    QTest::newRow("hourly, empty station")
        << int(WeatherService::Hourly) << ""
        << "http://127.0.0.1:1234/api/abc123/hourly/lang:SP/q/pws:.xml";
}

void TestWeatherService::requestAddresses()
{
    QFETCH(int, kind);
    QFETCH(QString, station);
    QFETCH(QString, expected);
    const XmlSource service(QStringLiteral("http://127.0.0.1:1234"));
    QCOMPARE(service.BuildRequestUrl(
                 WeatherService::RequestKind(kind), QStringLiteral("abc123"), station),
        expected);
}

void TestWeatherService::typedTextCannotChangeTheAddress_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("station");
    QTest::addColumn<QString>("expectedTail");

    QTest::newRow("blanks") << " abc 123 "
                            << "I MADRID1"
                            << "/api/%20abc%20123%20/conditions/lang:SP/q/pws:I%20MADRID1.xml";
    QTest::newRow("slash and dots") << "../../admin"
                                    << "IMAD/RID1"
                                    << "/api/..%2F..%2Fadmin/conditions/lang:SP/q/"
                                       "pws:IMAD%2FRID1.xml";
    QTest::newRow("query and fragment") << "k?x=1"
                                        << "S#frag"
                                        << "/api/k%3Fx%3D1/conditions/lang:SP/q/pws:S%23frag.xml";
    QTest::newRow("at sign and colon") << "user@evil.example:80"
                                       << "@"
                                       << "/api/user%40evil.example%3A80/conditions/lang:SP/q/"
                                          "pws:%40.xml";
    QTest::newRow("percent") << "50%41"
                             << "%"
                             << "/api/50%2541/conditions/lang:SP/q/pws:%25.xml";
    QTest::newRow("non-ASCII") << "clave"
                               << "ICAÑADA1"
                               << "/api/clave/conditions/lang:SP/q/pws:ICA%C3%91ADA1.xml";
    QTest::newRow("unreserved kept") << "a-b.c_d~e"
                                     << "IMADRID1"
                                     << "/api/a-b.c_d~e/conditions/lang:SP/q/pws:IMADRID1.xml";
}

void TestWeatherService::typedTextCannotChangeTheAddress()
{
    QFETCH(QString, key);
    QFETCH(QString, station);
    QFETCH(QString, expectedTail);
    const XmlSource service(QStringLiteral("http://127.0.0.1:1234"));
    const QString address = service.BuildRequestUrl(WeatherService::Conditions, key, station);
    QCOMPARE(address, QStringLiteral("http://127.0.0.1:1234") + expectedTail);

    const QUrl parsedAddress(address, QUrl::StrictMode);
    QVERIFY(parsedAddress.isValid());
    QCOMPARE(parsedAddress.host(), QStringLiteral("127.0.0.1"));
    QCOMPARE(parsedAddress.port(), 1234);
    QVERIFY(parsedAddress.userInfo().isEmpty());
    QVERIFY(!parsedAddress.hasQuery());
    QVERIFY(!parsedAddress.hasFragment());
}

void TestWeatherService::encodedTextReachesTheServerAsTyped()
{
    const XmlSource service(m_server.baseUrl(), FastLimits);
    const QString key = QStringLiteral("k?x=1#f");
    const QString station = QStringLiteral("A B/../@ñ");
    QVERIFY(service.LoadDocument(service.BuildRequestUrl(WeatherService::Hourly, key, station)));

    const std::lock_guard<std::mutex> lock(m_seenMutex);
    QCOMPARE(QString::fromStdString(m_seenPath),
        QStringLiteral("/api/k?x=1#f/hourly/lang:SP/q/pws:A B/../@ñ.xml"));
    QCOMPARE(m_seenParams, std::size_t(0));
    QCOMPARE(
        QString::fromStdString(m_seenUserAgent), QStringLiteral("Nubora/" NUBORA_VERSION_STRING));
}

void TestWeatherService::loadsDocument_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("indented") << "/doc/indented";
    QTest::newRow("not indented") << "/doc/flat";
}

void TestWeatherService::loadsDocument()
{
    QFETCH(QString, path);
    const XmlSource service(m_server.baseUrl(), FastLimits);
    const std::optional<QDomDocument> document = service.LoadDocument(m_server.baseUrl() + path);
    QVERIFY(document);

    const QDomNodeList forecasts = WeatherService::ElementsByTagName(*document, "forecast");
    QCOMPARE(forecasts.count(), 2);
    const QDomNode first = WeatherService::ItemAt(forecasts, 0);
    const QDomNode second = WeatherService::ItemAt(forecasts, 1);
    // Whitespace between elements must not count as children.
    QCOMPARE(WeatherService::ChildAt(first, 0).nodeName(), QStringLiteral("FCTTIME"));
    QCOMPARE(
        WeatherService::NodeText(WeatherService::ChildAt(WeatherService::ChildAt(first, 0), 0)),
        QStringLiteral("21"));
    QCOMPARE(
        WeatherService::NodeText(WeatherService::ChildAt(WeatherService::ChildAt(first, 1), 1)),
        QStringLiteral(" 0"));
    QCOMPARE(WeatherService::NodeText(WeatherService::ChildAt(second, 2)),
        QStringLiteral("Tormentas eléctricas"));
    QVERIFY(WeatherService::ChildAt(second, 3).isNull());
    QVERIFY(!WeatherService::HasErrorElement(*document));
}

void TestWeatherService::errorMarker_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<bool>("marked");

    QTest::newRow("service error answer")
        << QByteArray("<response><error><type>keynotfound</type></error></response>") << true;
    QTest::newRow("nested deep among data")
        << QByteArray("<response><temp_c>3</temp_c><a><b><c><error/></c></b></a></response>")
        << true;
    QTest::newRow("none") << QByteArray("<response><temp_c>3</temp_c></response>") << false;
    QTest::newRow("other case") << QByteArray("<response><Error/><ERROR/></response>") << false;
    QTest::newRow("only as text or attribute")
        << QByteArray("<response kind=\"error\"><errors>error</errors></response>") << false;
}

void TestWeatherService::errorMarker()
{
    QFETCH(QByteArray, xml);
    QFETCH(bool, marked);
    QCOMPARE(WeatherService::HasErrorElement(parsed(xml.constData())), marked);
}

void TestWeatherService::failedLoadReturnsWithinBound_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("HTTP 500") << "/status/500";
    QTest::newRow("HTTP 404") << "/status/404";
    QTest::newRow("not XML") << "/garbage";
    QTest::newRow("empty body") << "/empty";
    QTest::newRow("slow drip") << "/drip";
    QTest::newRow("redirect loop") << "/loop";
    QTest::newRow("redirect to a local file") << "/to-file";
}

void TestWeatherService::failedLoadReturnsWithinBound()
{
    QFETCH(QString, path);
    const XmlSource service(m_server.baseUrl(), FastLimits);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!service.LoadDocument(m_server.baseUrl() + path));
    QVERIFY2(clock.elapsed() < FastLimits.totalTimeoutMs + MarginMs,
        qPrintable(QString::number(clock.elapsed())));
}

void TestWeatherService::bodyBound_data()
{
    QTest::addColumn<QString>("route");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<bool>("loads");

    for (const char* route : { "/sized/", "/sized-chunked/" }) {
        const QString name = QLatin1String(route).contains(QLatin1String("chunked"))
            ? QStringLiteral("no length")
            : QStringLiteral("with length");
        QTest::addRow("%s, at the bound", qPrintable(name))
            << route << qint64(FastLimits.maxBodyBytes) << true;
        QTest::addRow("%s, one byte over", qPrintable(name))
            << route << qint64(FastLimits.maxBodyBytes + 1) << false;
        QTest::addRow("%s, far over", qPrintable(name))
            << route << qint64(FastLimits.maxBodyBytes * 16) << false;
    }
}

void TestWeatherService::bodyBound()
{
    QFETCH(QString, route);
    QFETCH(qint64, size);
    QFETCH(bool, loads);
    const XmlSource service(m_server.baseUrl(), FastLimits);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(bool(service.LoadDocument(m_server.baseUrl() + route + QString::number(size))), loads);
    QVERIFY(clock.elapsed() < FastLimits.totalTimeoutMs + MarginMs);
}

void TestWeatherService::endlessBodyIsAbortedAtTheBodyBound()
{
    // A long total bound, so only the body bound can end this transfer in time.
    WeatherService::FetchLimits limits = FastLimits;
    limits.totalTimeoutMs = 20000;
    const XmlSource service(m_server.baseUrl(), limits);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!service.LoadDocument(url("/endless")));
    QVERIFY2(
        clock.elapsed() < limits.totalTimeoutMs / 2, qPrintable(QString::number(clock.elapsed())));
}

void TestWeatherService::compressedBodyIsBoundedAfterDecoding()
{
    const XmlSource service(m_server.baseUrl(), FastLimits);
    const std::optional<QDomDocument> small = service.LoadDocument(url("/deflated-small"));
    QVERIFY(small);
    QCOMPARE(WeatherService::NodeText(small->documentElement()), QStringLiteral("12"));
    // A few kilobytes on the wire, megabytes once decoded.
    QVERIFY(!service.LoadDocument(url("/deflated-bomb")));
}

void TestWeatherService::redirectBound_data()
{
    QTest::addColumn<int>("hops");
    QTest::addColumn<bool>("loads");
    QTest::newRow("none") << 0 << true;
    QTest::newRow("at the bound") << int(FastLimits.maxRedirects) << true;
    QTest::newRow("one past the bound") << int(FastLimits.maxRedirects + 1) << false;
}

void TestWeatherService::redirectBound()
{
    QFETCH(int, hops);
    QFETCH(bool, loads);
    const XmlSource service(m_server.baseUrl(), FastLimits);
    QCOMPARE(bool(service.LoadDocument(url("/redirect/") + QString::number(hops))), loads);
}

void TestWeatherService::silentServerFailsAtTheTotalBound()
{
    // The kernel completes the connection into the backlog; nothing ever accepts or answers.
    quint16 port = 0;
    const int silent = listeningSocket(8, &port);
    QVERIFY(silent >= 0);
    const auto closeSilent = qScopeGuard([silent] { ::close(silent); });
    const XmlSource service(loopbackBase(port), FastLimits);
    QElapsedTimer clock;
    clock.start();
    LoadFailure failure;
    QVERIFY(!service.LoadDocument(
        service.BuildRequestUrl(WeatherService::Conditions, "k", "s"), &failure));
    QVERIFY2(clock.elapsed() < FastLimits.totalTimeoutMs + MarginMs,
        qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(failure.kind, LoadFailure::TotalTimeout);
}

void TestWeatherService::unansweredConnectFailsAtTheConnectBound()
{
    // Once the accept queue is full the kernel drops further handshakes, so a connect hangs.
    quint16 port = 0;
    const int full = listeningSocket(0, &port);
    QVERIFY(full >= 0);
    std::vector<int> fillers;
    const auto closeAll = qScopeGuard([&] {
        for (int fd : fillers)
            ::close(fd);
        ::close(full);
    });
    bool queueFull = false;
    for (int i = 0; i < 16 && !queueFull; ++i) {
        int fd = -1;
        queueFull = !connectsWithin(port, 300, &fd);
        if (fd >= 0)
            fillers.push_back(fd);
    }
    if (!queueFull)
        QSKIP("this kernel never dropped a handshake to a full accept queue");

    WeatherService::FetchLimits limits = FastLimits;
    limits.connectTimeoutMs = 300;
    limits.totalTimeoutMs = 20000;
    const XmlSource service(loopbackBase(port), limits);
    QElapsedTimer clock;
    clock.start();
    LoadFailure failure;
    QVERIFY(
        !service.LoadDocument(service.BuildRequestUrl(WeatherService::Hourly, "k", "s"), &failure));
    QVERIFY2(clock.elapsed() < limits.connectTimeoutMs + MarginMs,
        qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(failure.kind, LoadFailure::ConnectTimeout);
}

void TestWeatherService::refusedConnectionFails()
{
    quint16 port = 0;
    const int probe = listeningSocket(1, &port);
    QVERIFY(probe >= 0);
    ::close(probe);
    const XmlSource service(loopbackBase(port), FastLimits);
    QElapsedTimer clock;
    clock.start();
    LoadFailure failure;
    QVERIFY(!service.LoadDocument(
        service.BuildRequestUrl(WeatherService::Conditions, "k", "s"), &failure));
    QVERIFY(clock.elapsed() < FastLimits.totalTimeoutMs + MarginMs);
    QCOMPARE(failure.kind, LoadFailure::ConnectionRefused);
}

void TestWeatherService::otherSchemesAreNotRead()
{
    // A readable, well-formed file: only the scheme rule can make these loads fail.
    const QString geolookup = m_dir.filePath(QStringLiteral("api/abc123/geolookup/q/autoip.xml"));
    QVERIFY(QDir().mkpath(QFileInfo(geolookup).path()));
    QVERIFY(QFile::copy(m_localDocument, geolookup));
    const XmlSource service(QUrl::fromLocalFile(m_dir.path()).toString(), FastLimits);
    QVERIFY(
        !service.LoadDocument(service.BuildRequestUrl(WeatherService::Geolookup, "abc123", "")));
    QVERIFY(!service.LoadDocument(QStringLiteral("file:///etc/passwd")));
    QVERIFY(!service.LoadDocument(QStringLiteral("ftp://127.0.0.1:%1/").arg(m_server.port())));
}

void TestWeatherService::hostileXml_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("loads");

    const QByteArray secret = QUrl::fromLocalFile(m_localDocument).toEncoded();
    QTest::newRow("billion laughs") << billionLaughs() << false;
    QTest::newRow("quadratic blow-up") << quadraticBlowup() << false;
    QTest::newRow("external entity")
        << "<!DOCTYPE r [<!ENTITY e SYSTEM \"" + secret + "\">]><r><a>&e;</a></r>" << false;
    QTest::newRow("deep nesting") << nested(8000) << false;
    QTest::newRow("deep nesting in few tags") << nested(1000) << true;
    // A wide encoding hides "<!ENTITY" from a byte search; the streaming check still sees it.
    const QString wide = "<?xml version=\"1.0\" encoding=\"UTF-16\"?>"
                         "<!DOCTYPE r [<!ENTITY e \""
        + QString(2000, 'x') + "\">]><r>" + QString("&e;").repeated(2000) + "</r>";
    QTest::newRow("entities in UTF-16") << QByteArray("\xFF\xFE", 2)
            + QByteArray(reinterpret_cast<const char*>(wide.utf16()), wide.size() * 2)
                                        << false;
    QTest::newRow("ordinary nesting") << nested(40) << true;
    QTest::newRow("doctype without entities")
        << QByteArray("<!DOCTYPE response><response><temp_c>1</temp_c></response>") << true;
    QTest::newRow("predefined and character references")
        << QByteArray("<response><w>Lluvia &amp; niebla &#233;</w></response>") << true;
}

void TestWeatherService::hostileXml()
{
    QFETCH(QByteArray, body);
    QFETCH(bool, loads);
    // Inside the body bound, so only the parse can refuse these.
    QVERIFY(body.size() <= FastLimits.maxBodyBytes);
    {
        const std::lock_guard<std::mutex> lock(m_seenMutex);
        m_hostileBody = body.toStdString();
    }
    const XmlSource service(m_server.baseUrl(), FastLimits);
    QElapsedTimer clock;
    clock.start();
    const std::optional<QDomDocument> document = service.LoadDocument(url("/hostile"));
    QVERIFY(clock.elapsed() < FastLimits.totalTimeoutMs + MarginMs);
    QCOMPARE(bool(document), loads);
    if (document)
        QVERIFY(!document->toString().contains(QStringLiteral("local file")));
}

void TestWeatherService::elementAccessAtTheEdges()
{
    const QDomDocument document
        = parsed("<r><x>1</x><empty/><pair></pair><X>2</X><outer><x>3</x></outer></r>");
    const QDomNode root = document.documentElement();

    const QDomNodeList xs = WeatherService::ElementsByTagName(document, "x");
    QCOMPARE(xs.count(), 2);
    QCOMPARE(WeatherService::NodeText(WeatherService::ItemAt(xs, 0)), QStringLiteral("1"));
    QCOMPARE(WeatherService::NodeText(WeatherService::ItemAt(xs, 1)), QStringLiteral("3"));
    QVERIFY(WeatherService::ItemAt(xs, 2).isNull());
    QVERIFY(WeatherService::ItemAt(xs, -1).isNull());

    const QDomNodeList none = WeatherService::ElementsByTagName(document, "missing");
    QCOMPARE(none.count(), 0);
    QVERIFY(WeatherService::ItemAt(none, 0).isNull());

    QCOMPARE(WeatherService::ChildAt(root, 4).nodeName(), QStringLiteral("outer"));
    QVERIFY(WeatherService::ChildAt(root, 5).isNull());
    QVERIFY(WeatherService::ChildAt(root, -1).isNull());
    QVERIFY(WeatherService::ChildAt(WeatherService::ChildAt(root, 1), 0).isNull());

    // Every missing link fails the read instead of giving an empty text.
    QVERIFY_THROWS_EXCEPTION(PollFailure, WeatherService::NodeText(QDomNode()));
    QVERIFY_THROWS_EXCEPTION(PollFailure, WeatherService::ChildAt(QDomNode(), 0));
    QVERIFY_THROWS_EXCEPTION(
        PollFailure, WeatherService::NodeText(WeatherService::ItemAt(none, 0)));
    QVERIFY_THROWS_EXCEPTION(PollFailure,
        WeatherService::NodeText(WeatherService::ChildAt(WeatherService::ItemAt(none, 0), 0)));
    QVERIFY_THROWS_EXCEPTION(
        PollFailure, WeatherService::NodeText(WeatherService::ChildAt(root, 5)));
    QVERIFY_THROWS_EXCEPTION(
        PollFailure, WeatherService::NodeText(WeatherService::ChildAt(root, 1)));
    QVERIFY_THROWS_EXCEPTION(
        PollFailure, WeatherService::NodeText(WeatherService::ChildAt(root, 2)));
    QVERIFY_THROWS_EXCEPTION(
        PollFailure, WeatherService::NodeText(WeatherService::ChildAt(root, 4)));
}

QTEST_GUILESS_MAIN(TestWeatherService)
#include "tst_weatherservice.moc"
