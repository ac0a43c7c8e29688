#include "GeolookupAnswer.h"
#include "LoopbackServer.h"
#include "StationCombo.h"
#include "StationLookup.h"
#include "XmlSource.h"

#include <QStringList>
#include <QTest>
#include <httplib.h>
#include <mutex>

namespace
{

struct Station {
    QString neighborhood;
    QString id; // AnswerWriter::emptyElement(): an empty element
};

// A geolookup answer: Madrid, two airport stations (which carry no "id"), then the stations.
QByteArray geolookupAnswer(const QList<Station>& stations, bool indent)
{
    GeolookupAnswer answer;
    answer.location = { { "type", "INTLCITY" }, { "country", "SP" }, { "country_iso3166", "ES" },
        { "country_name", "España" }, { "city", "Madrid" }, { "tz_short", "CET" },
        { "tz_long", "Europe/Madrid" }, { "lat", "40.41999817" }, { "lon", "-3.70000005" },
        { "zip", "00000" }, { "magic", "1" }, { "wmo", "08221" }, { "l", "/q/zmw:00000.1.08221" },
        { "requesturl", "global/stations/08221.html" } };
    for (const char* icao : { "LEMD", "LEVS" })
        answer.airports.append(
            { "Madrid", AnswerWriter::emptyElement(), "SP", icao, "40.47", "-3.56" });
    for (const Station& s : stations)
        answer.stations.append({ s.neighborhood, "Madrid", "Madrid", "SP", s.id, "2", "1" });
    return answer.toXml(indent);
}

const QList<Station> threeStations
    = { { "Lavapiés", "IMADRID123" }, { "Chamberí", "IMADRIDC7" }, { "Tres Cantos", "ITRESCAN2" } };

// A station box as a user may have left it: entries, a selection and a typed text.
StationCombo usedCombo()
{
    StationCombo combo;
    combo.items = { QStringLiteral("IOLD1"), QStringLiteral("IOLD2") };
    combo.select(1);
    combo.text = QStringLiteral("ITYPED");
    return combo;
}

// Serves one fixed answer and records the paths asked for.
class Geolookup
{
public:
    Geolookup(int status, const QByteArray& body)
    {
        m_server.server().Get(".*",
            [this, status, body](const httplib::Request& request, httplib::Response& response) {
                {
                    const std::lock_guard<std::mutex> guard(m_lock);
                    m_paths << QString::fromStdString(request.path);
                }
                response.status = status;
                response.set_content(body.toStdString(), "text/xml");
            });
        m_started = m_server.start();
    }

    bool started() const { return m_started; }
    QString baseUrl() const { return m_server.baseUrl(); }
    QStringList paths()
    {
        const std::lock_guard<std::mutex> guard(m_lock);
        return m_paths;
    }

private:
    LoopbackServer m_server;
    std::mutex m_lock;
    QStringList m_paths;
    bool m_started = false;
};

} // namespace

class TestStationLookup : public QObject
{
    Q_OBJECT

private slots:
    void findsStationsInDocumentOrder_data();
    void findsStationsInDocumentOrder();
    void failuresLeaveNothingSelected_data();
    void failuresLeaveNothingSelected();
    void secondLookupDoesNotAccumulate();
    void refusedPort();
};

void TestStationLookup::findsStationsInDocumentOrder_data()
{
    QTest::addColumn<bool>("indent");
    QTest::newRow("indented") << true;
    QTest::newRow("one line") << false;
}

void TestStationLookup::findsStationsInDocumentOrder()
{
    QFETCH(bool, indent);
    Geolookup service(200, geolookupAnswer(threeStations, indent));
    QVERIFY(service.started());
    StationCombo stations = usedCombo();

    const XmlSource weather(service.baseUrl());
    StationLookup(weather).Buscar_Click(QStringLiteral("KEY"), stations);

    QCOMPARE(stations.items, (QStringList { "IMADRID123", "IMADRIDC7", "ITRESCAN2" }));
    QCOMPARE(stations.index, 0);
    QCOMPARE(stations.text, QStringLiteral("IMADRID123"));
    // The geolookup carries no station: the typed text is not part of the address.
    QCOMPARE(service.paths(), QStringList { QStringLiteral("/api/KEY/geolookup/q/autoip.xml") });
}

void TestStationLookup::failuresLeaveNothingSelected_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QStringList>("items");

    QTest::newRow("no personal stations") << 200 << geolookupAnswer({}, true) << QStringList();
    QTest::newRow("error answer")
        << 200
        << QByteArray("<response><version>0.1</version><error><type>keynotfound</type>"
                      "<description>this key does not exist</description></error></response>")
        << QStringList();
    QTest::newRow("HTTP 500") << 500 << geolookupAnswer(threeStations, true) << QStringList();
    QTest::newRow("not XML") << 200 << QByteArray("<response><location>") << QStringList();
    QTest::newRow("empty id element")
        << 200
        << geolookupAnswer({ { "Lavapiés", "IMADRID123" }, { "Chamberí", "<empty>" },
                               { "Tres Cantos", "ITRESCAN2" } },
               false)
        << QStringList { "IMADRID123" };
}

void TestStationLookup::failuresLeaveNothingSelected()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(QStringList, items);
    Geolookup service(status, body);
    QVERIFY(service.started());
    StationCombo stations = usedCombo();

    const XmlSource weather(service.baseUrl());
    StationLookup(weather).Buscar_Click(QStringLiteral("KEY"), stations);

    QCOMPARE(stations.items, items);
    QCOMPARE(stations.index, -1);
    QCOMPARE(stations.text, QString());
}

void TestStationLookup::secondLookupDoesNotAccumulate()
{
    Geolookup service(200, geolookupAnswer(threeStations, true));
    QVERIFY(service.started());
    const XmlSource weather(service.baseUrl());
    const StationLookup lookup(weather);
    StationCombo stations;

    lookup.Buscar_Click(QStringLiteral("KEY"), stations);
    lookup.Buscar_Click(QStringLiteral("KEY"), stations);

    QCOMPARE(stations.items, (QStringList { "IMADRID123", "IMADRIDC7", "ITRESCAN2" }));
    QCOMPARE(stations.index, 0);
    QCOMPARE(service.paths().size(), 2);
}

void TestStationLookup::refusedPort()
{
    QString baseUrl;
    {
        LoopbackServer closed;
        QVERIFY(closed.start());
        baseUrl = closed.baseUrl();
    }
    StationCombo stations = usedCombo();

    const XmlSource weather(baseUrl);
    StationLookup(weather).Buscar_Click(QStringLiteral("KEY"), stations);

    QVERIFY(stations.items.isEmpty());
    QCOMPARE(stations.index, -1);
    QCOMPARE(stations.text, QString());
}

QTEST_GUILESS_MAIN(TestStationLookup)
#include "tst_stationlookup.moc"
