// The simulated weather service, read the way the program reads the real one: elements by
// name, children by position with whitespace-only text dropped.

#include "LoopbackServer.h"
#include "StationSimulator.h"

#include <QDomDocument>
#include <QElapsedTimer>
#include <QTest>
#include <httplib.h>
#include <memory>
#include <set>

namespace
{

const QDateTime fixedNow(QDate(2026, 12, 7), QTime(18, 27, 30), Qt::UTC); // 19:27:30 at +0100

struct Fetched {
    int status = -1;
    QByteArray contentType;
    QByteArray contentLength;
    QByteArray body;
};

QString conditionsPath(const QString& station, const QString& key = QStringLiteral("clave"))
{
    return QStringLiteral("/api/%1/conditions/lang:SP/q/pws:%2.xml").arg(key, station);
}

QString hourlyPath(const QString& station, const QString& key = QStringLiteral("clave"))
{
    return QStringLiteral("/api/%1/hourly/lang:SP/q/pws:%2.xml").arg(key, station);
}

QDomDocument parsed(const QByteArray& body)
{
    QDomDocument document;
    const bool ok = bool(document.setContent(body));
    if (!ok)
        qWarning("not a well-formed document: %s", body.left(200).constData());
    return document;
}

// The text of the first element of that name, or a null string when there is none or it is
// empty (as the program's read would fail).
QString firstText(const QDomDocument& document, const QString& name)
{
    const QDomNodeList list = document.elementsByTagName(name);
    if (list.isEmpty() || !list.at(0).hasChildNodes())
        return QString();
    return list.at(0).firstChild().nodeValue();
}

QString childText(const QDomNode& node, std::initializer_list<int> path)
{
    QDomNode current = node;
    for (int position : path)
        current = current.childNodes().at(position);
    return current.isNull() ? QString() : current.firstChild().nodeValue();
}

QStringList childNames(const QDomNode& node)
{
    QStringList names;
    const QDomNodeList children = node.childNodes();
    for (int i = 0; i < children.size(); ++i)
        names.append(children.at(i).nodeName());
    return names;
}

enum class RowColour { Green, Yellow, Red };

// The forecast page's verdict on one hour under the default limits (humidity 80, wind 15).
RowColour rowColour(const QDomNode& entry)
{
    const double humidity = childText(entry, { 12 }).toDouble();
    const double wind = childText(entry, { 8, 1 }).toDouble();
    const QString sky = childText(entry, { 3 });
    if (wind >= 15)
        return RowColour::Red;
    if (sky == QLatin1String("Parcialmente nublado") || sky == QLatin1String("Nubes dispersas"))
        return RowColour::Yellow;
    if (sky != QLatin1String("Despejado"))
        return RowColour::Red;
    return humidity >= 80 ? RowColour::Yellow : RowColour::Green;
}

const QStringList observationFields = { QStringLiteral("observation_location"),
    QStringLiteral("observation_time_rfc822"), QStringLiteral("observation_epoch"),
    QStringLiteral("local_tz_offset"), QStringLiteral("temp_c"), QStringLiteral("wind_kph"),
    QStringLiteral("wind_gust_kph"), QStringLiteral("wind_dir"), QStringLiteral("pressure_mb"),
    QStringLiteral("pressure_trend"), QStringLiteral("relative_humidity"),
    QStringLiteral("dewpoint_c"), QStringLiteral("precip_1hr_metric"),
    QStringLiteral("precip_today_metric"), QStringLiteral("visibility_km"),
    QStringLiteral("weather") };

} // namespace

class TestStationSim : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void conditionsFixedValues_data();
    void conditionsFixedValues();
    void conditionsShape();
    void encodedKeyAndStation();
    void errorAnswers_data();
    void errorAnswers();
    void otherPathsAreNotFound();
    void hourlyLayout();
    void hourlyFlavours();
    void forecastRowsMixColours();
    void liveStationDrifts();
    void geolookup();
    void brokenAnswers();
    void everyStationAnswers();
    void slowStation();
    void slowStationLetsServerStop();
    void addedRoutesAnswerBesideTheXmlApi();

private:
    Fetched fetch(const QString& path);

    std::unique_ptr<StationSimulator> m_simulator;
    std::unique_ptr<LoopbackServer> m_server;
};

void TestStationSim::init()
{
    m_simulator = std::make_unique<StationSimulator>();
    m_simulator->setClock([] { return fixedNow; });
    m_server = std::make_unique<LoopbackServer>();
    m_simulator->registerRoutes(m_server->server());
    QVERIFY(m_server->start());
}

void TestStationSim::cleanup()
{
    m_server.reset();
    m_simulator.reset();
}

Fetched TestStationSim::fetch(const QString& path)
{
    httplib::Client client("127.0.0.1", m_server->port());
    client.set_url_encode(false);
    client.set_read_timeout(10, 0);
    // Asks for compression as the program's client does.
    const httplib::Result result
        = client.Get(path.toUtf8().toStdString(), { { "Accept-Encoding", "gzip" } });
    Fetched fetched;
    if (!result)
        return fetched;
    fetched.status = result->status;
    fetched.contentType = QByteArray::fromStdString(result->get_header_value("Content-Type"));
    fetched.contentLength = QByteArray::fromStdString(result->get_header_value("Content-Length"));
    fetched.body = QByteArray::fromStdString(result->body);
    return fetched;
}

void TestStationSim::conditionsFixedValues_data()
{
    QTest::addColumn<QString>("station");
    QTest::addColumn<QStringList>("expected"); // name=value; "name=" for an empty element,
                                               // "-name" for an absent one
    const QStringList clear = { "temp_c=12.3", "wind_kph=5.2", "wind_gust_kph=8.0",
        "relative_humidity=65%", "dewpoint_c=5.9", "pressure_mb=1016", "pressure_trend=0",
        "precip_1hr_metric= 0", "precip_today_metric= 0", "visibility_km=10.0", "weather=Despejado",
        "local_tz_offset=+0100", "wind_dir=Norte" };
    const auto with = [&clear](const QStringList& changes) {
        QStringList values = clear;
        for (const QString& change : changes) {
            const QString name = change.section(QLatin1Char('='), 0, 0).remove(QLatin1Char('-'));
            for (QString& value : values) {
                if (value.section(QLatin1Char('='), 0, 0) == name)
                    value = change;
            }
        }
        return values;
    };
    QTest::newRow("clear") << "ISIMDESPEJADO" << clear;
    QTest::newRow("partly cloudy") << "ISIMPARCIAL" << with({ "weather=Parcialmente nublado" });
    QTest::newRow("scattered") << "ISIMDISPERSAS" << with({ "weather=Nubes dispersas" });
    QTest::newRow("humid") << "ISIMHUMEDO" << with({ "relative_humidity=91%", "dewpoint_c=10.9" });
    QTest::newRow("rain") << "ISIMLLUVIA"
                          << with({ "relative_humidity=70%", "dewpoint_c=7.0", "pressure_mb=1009",
                                 "pressure_trend=-", "precip_1hr_metric= 0.3",
                                 "precip_today_metric= 2.1", "visibility_km=8.0",
                                 "weather=Lluvia ligera" });
    QTest::newRow("windy") << "ISIMVIENTO" << with({ "wind_kph=22.5", "wind_gust_kph=30.1" });
    QTest::newRow("gusty") << "ISIMRACHAS" << with({ "wind_kph=10.0", "wind_gust_kph=18.0" });
    QTest::newRow("incomplete") << "ISIMINCOMPLETO"
                                << with({ "-temp_c", "-wind_kph", "-wind_gust_kph" });
    QTest::newRow("empty pressure") << "ISIMVACIO" << with({ "pressure_mb=" });
}

void TestStationSim::conditionsFixedValues()
{
    QFETCH(QString, station);
    QFETCH(QStringList, expected);
    const Fetched fetched = fetch(conditionsPath(station));
    QCOMPARE(fetched.status, 200);
    QCOMPARE(fetched.contentType, QByteArray("text/xml; charset=UTF-8"));
    const QDomDocument document = parsed(fetched.body);
    QCOMPARE(document.documentElement().tagName(), QStringLiteral("response"));
    QVERIFY(document.elementsByTagName(QStringLiteral("error")).isEmpty());
    QCOMPARE(firstText(document, QStringLiteral("station_id")), station);

    for (const QString& entry : expected) {
        const bool absent = entry.startsWith(QLatin1Char('-'));
        const QString name = absent ? entry.mid(1) : entry.section(QLatin1Char('='), 0, 0);
        const QDomNodeList found = document.elementsByTagName(name);
        if (absent) {
            QVERIFY2(found.isEmpty(), qPrintable(name));
            continue;
        }
        // The program handles every occurrence of a name; each must come once.
        QVERIFY2(found.size() == 1, qPrintable(name));
        const QString value = entry.section(QLatin1Char('='), 1);
        if (value.isEmpty())
            QVERIFY2(!found.at(0).hasChildNodes(), qPrintable(name));
        else
            QCOMPARE(firstText(document, name), value);
    }
}

void TestStationSim::conditionsShape()
{
    const QDomDocument document
        = parsed(fetch(conditionsPath(QStringLiteral("ISIMDESPEJADO"))).body);
    const QDomNode location
        = document.elementsByTagName(QStringLiteral("observation_location")).at(0);
    QCOMPARE(childNames(location),
        QStringList({ "full", "city", "state", "country", "country_iso3166", "latitude",
            "longitude", "elevation" }));
    QCOMPARE(childText(location, { 1 }), QStringLiteral("Colmenar Viejo"));
    // display_location comes first and must not be mistaken for it.
    const QStringList top = childNames(document.elementsByTagName("current_observation").at(0));
    QVERIFY(top.indexOf("display_location") < top.indexOf("observation_location"));
    QCOMPARE(childNames(document.documentElement()).mid(0, 3),
        QStringList({ "version", "termsofService", "features" }));

    // Observed a few minutes before the clock, on the minute, stamped with the station's offset.
    const qint64 epoch = firstText(document, "observation_epoch").toLongLong();
    QCOMPARE(epoch % 60, 0);
    QVERIFY(epoch <= fixedNow.toSecsSinceEpoch() && epoch >= fixedNow.toSecsSinceEpoch() - 600);
    const QDateTime stamped
        = QDateTime::fromString(firstText(document, "observation_time_rfc822"), Qt::RFC2822Date);
    QCOMPARE(stamped.toSecsSinceEpoch(), epoch);
    QCOMPARE(stamped.offsetFromUtc(), 3600);
    QVERIFY(firstText(document, "observation_time_rfc822").startsWith("Mon, 07 Dec 2026 19:"));

    // Every element the program reads has text.
    for (const QString& name : observationFields) {
        if (name != QLatin1String("observation_location"))
            QVERIFY2(!firstText(document, name).isEmpty(), qPrintable(name));
    }
}

void TestStationSim::encodedKeyAndStation()
{
    // "mi clave/ñ" and "ISIMDESPEJADO" with its first letters encoded.
    const QString path = conditionsPath(
        QStringLiteral("%49%53IMDESPEJADO"), QStringLiteral("mi%20clave%2F%C3%B1"));
    const Fetched fetched = fetch(path);
    QCOMPARE(fetched.status, 200);
    const QDomDocument document = parsed(fetched.body);
    QVERIFY(document.elementsByTagName("error").isEmpty());
    QCOMPARE(firstText(document, "station_id"), QStringLiteral("ISIMDESPEJADO"));

    // The same through the in-process entry point, and a lower-case identifier.
    const StationSimulator::Reply reply = m_simulator->answer(
        hourlyPath(QStringLiteral("isimdespejado"), QStringLiteral("%20")).toStdString());
    QCOMPARE(reply.status, 200);
    QCOMPARE(parsed(reply.body).elementsByTagName("forecast").size(), 36);
}

void TestStationSim::errorAnswers_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("type");
    QTest::newRow("empty key, conditions") << conditionsPath("ISIMDESPEJADO", "") << "keynotfound";
    QTest::newRow("empty key, hourly") << hourlyPath("ISIMDESPEJADO", "") << "keynotfound";
    QTest::newRow("empty key, geolookup") << "/api//geolookup/q/autoip.xml"
                                          << "keynotfound";
    QTest::newRow("unknown station") << conditionsPath("KCASANFR58") << "Station:OFFLINE";
    QTest::newRow("unknown station, hourly") << hourlyPath("NOEXISTE") << "Station:OFFLINE";
    QTest::newRow("empty station") << conditionsPath("") << "querynotfound";
    QTest::newRow("error station") << conditionsPath("ISIMERROR") << "internalerror";
    QTest::newRow("error station, hourly") << hourlyPath("ISIMERROR") << "internalerror";
}

void TestStationSim::errorAnswers()
{
    QFETCH(QString, path);
    QFETCH(QString, type);
    const Fetched fetched = fetch(path);
    QCOMPARE(fetched.status, 200);
    const QDomDocument document = parsed(fetched.body);
    const QDomElement error = document.documentElement().firstChildElement("error");
    QVERIFY(!error.isNull());
    QCOMPARE(error.firstChildElement("type").text(), type);
    QVERIFY(!error.firstChildElement("description").text().isEmpty());
    QVERIFY(document.elementsByTagName("current_observation").isEmpty());
    QVERIFY(document.elementsByTagName("forecast").isEmpty());
}

void TestStationSim::otherPathsAreNotFound()
{
    for (const char* path :
        { "/", "/api/clave", "/api/clave/forecast/lang:SP/q/pws:ISIMDESPEJADO.xml",
            "/api/clave/conditions/q/pws:ISIMDESPEJADO.xml",
            "/api/clave/conditions/lang:SP/q/pws:ISIMDESPEJADO.json",
            "/api/clave/geolookup/q/autoip.json", "/favicon.ico" }) {
        QCOMPARE(fetch(QLatin1String(path)).status, 404);
    }
}

void TestStationSim::hourlyLayout()
{
    // Indented and unindented answers must read the same by position.
    for (const QString& station :
        { QStringLiteral("ISIMDESPEJADO"), QStringLiteral("ISIMPARCIAL") }) {
        const Fetched fetched = fetch(hourlyPath(station));
        QCOMPARE(fetched.status, 200);
        QCOMPARE(fetched.body.contains(">\n<"), station == QLatin1String("ISIMDESPEJADO"));
        const QDomDocument document = parsed(fetched.body);
        const QDomNodeList entries = document.elementsByTagName("forecast");
        QCOMPARE(entries.size(), 36);

        const QDomNode first = entries.at(0);
        QCOMPARE(childNames(first),
            QStringList({ "FCTTIME", "temp", "dewpoint", "condition", "icon", "icon_url", "fctcode",
                "sky", "wspd", "wdir", "wx", "uvi", "humidity", "windchill", "heatindex",
                "feelslike", "qpf", "snow", "pop", "mslp" }));
        QCOMPARE(childNames(first.childNodes().at(0)).size(), 27);
        QCOMPARE(childNames(first.childNodes().at(1)), QStringList({ "english", "metric" }));
        QCOMPARE(childNames(first.childNodes().at(8)), QStringList({ "english", "metric" }));

        // The next full hour at the station (+0100), and the date caption's pieces.
        QCOMPARE(childText(first, { 0, 1 }), QStringLiteral("20"));
        QCOMPARE(childText(first, { 0, 2 }), QStringLiteral("00"));
        const QString caption = QStringLiteral("%1, %2 de %3 de %4")
                                    .arg(childText(first, { 0, 18 }), childText(first, { 0, 9 }),
                                        childText(first, { 0, 17 }), childText(first, { 0, 5 }));
        QCOMPARE(caption, QStringLiteral("lunes, 7 de diciembre de 2026"));

        // One entry an hour; after midnight the date moves on.
        const QDomNode fifth = entries.at(4);
        QCOMPARE(childText(fifth, { 0, 1 }), QStringLiteral("00"));
        QCOMPARE(childText(fifth, { 0, 18 }), QStringLiteral("martes"));
        QCOMPARE(childText(fifth, { 0, 9 }), QStringLiteral("8"));
        const qint64 firstEpoch = childText(first, { 0, 13 }).toLongLong();
        QCOMPARE(childText(entries.at(35), { 0, 13 }).toLongLong(), firstEpoch + 35 * 3600);

        for (int i = 0; i < entries.size(); ++i) {
            bool temperature = false;
            bool humidity = false;
            bool wind = false;
            childText(entries.at(i), { 1, 1 }).toDouble(&temperature);
            childText(entries.at(i), { 12 }).toInt(&humidity);
            childText(entries.at(i), { 8, 1 }).toDouble(&wind);
            QVERIFY2(temperature && humidity && wind, qPrintable(QString::number(i)));
        }
    }
}

void TestStationSim::hourlyFlavours()
{
    const auto entries = [this](const char* station) {
        return parsed(fetch(hourlyPath(QLatin1String(station))).body)
            .elementsByTagName(QStringLiteral("forecast"));
    };
    const auto count = [](const QDomNodeList& list, auto predicate) {
        int n = 0;
        for (int i = 0; i < list.size(); ++i)
            n += predicate(list.at(i)) ? 1 : 0;
        return n;
    };
    const auto windy = [](const QDomNode& e) { return childText(e, { 8, 1 }).toInt() >= 15; };
    const auto humid = [](const QDomNode& e) { return childText(e, { 12 }).toInt() >= 80; };
    const auto sky = [](const char* text) {
        return [text](const QDomNode& e) { return childText(e, { 3 }) == QLatin1String(text); };
    };

    const QDomNodeList clear = entries("ISIMDESPEJADO");
    QVERIFY(count(clear, sky("Despejado")) > 24);
    QCOMPARE(count(clear, windy), 0);
    QVERIFY(count(entries("ISIMPARCIAL"), sky("Parcialmente nublado")) > 18);
    QVERIFY(count(entries("ISIMDISPERSAS"), sky("Nubes dispersas")) > 18);
    QVERIFY(count(entries("ISIMHUMEDO"), humid) > 30);
    QVERIFY(count(entries("ISIMLLUVIA"), sky("Lluvia")) > 18);
    QVERIFY(count(entries("ISIMVIENTO"), windy) > 30);
    const int gusty = count(entries("ISIMRACHAS"), windy);
    QVERIFY(gusty > 5 && gusty < 31);

    // The broken flavours: a short forecast, and one empty value where a row reads it.
    QCOMPARE(entries("ISIMINCOMPLETO").size(), 6);
    const QDomNodeList empty = entries("ISIMVACIO");
    QCOMPARE(empty.size(), 36);
    QVERIFY(empty.at(3).childNodes().at(12).hasChildNodes());
    QVERIFY(empty.at(4).childNodes().at(12).nodeName() == "humidity"
        && !empty.at(4).childNodes().at(12).hasChildNodes());
}

void TestStationSim::forecastRowsMixColours()
{
    // Whatever the hour of the day the window asks, its ten rows show all three colours.
    for (const char* station : { "ISIMVIVO", "ISIMDESPEJADO" }) {
        for (int hour = 0; hour < 24 * 6; ++hour) {
            const QDateTime now = fixedNow.addSecs(qint64(hour) * 3600 + 1500);
            m_simulator->setClock([now] { return now; });
            const StationSimulator::Reply reply
                = m_simulator->answer(hourlyPath(QLatin1String(station)).toStdString());
            const QDomNodeList entries = parsed(reply.body).elementsByTagName("forecast");
            std::set<RowColour> colours;
            QStringList rows;
            for (int i = 0; i < 10; ++i) {
                colours.insert(rowColour(entries.at(i)));
                rows.append(QStringList(
                    { childText(entries.at(i), { 0, 1 }), childText(entries.at(i), { 12 }),
                        childText(entries.at(i), { 8, 1 }), childText(entries.at(i), { 3 }) })
                                .join(QLatin1Char('/')));
            }
            QVERIFY2(colours.size() == 3,
                qPrintable(QStringLiteral("%1 at %2: %3")
                               .arg(QLatin1String(station), now.toString(Qt::ISODate),
                                   rows.join(QStringLiteral(", ")))));
        }
    }
}

void TestStationSim::liveStationDrifts()
{
    const auto observe = [this](const QDateTime& at) {
        m_simulator->setClock([at] { return at; });
        return m_simulator->answer(conditionsPath("ISIMVIVO").toStdString()).body;
    };
    // Deterministic for a clock, different some minutes later.
    QCOMPARE(observe(fixedNow), observe(fixedNow));
    const QDomDocument now = parsed(observe(fixedNow));
    const QDomDocument later = parsed(observe(fixedNow.addSecs(20 * 60)));
    QVERIFY(firstText(now, "temp_c") != firstText(later, "temp_c")
        || firstText(now, "wind_kph") != firstText(later, "wind_kph"));

    // A day's round: warmer in the afternoon, damper before dawn, more than one sky.
    const QDateTime day(QDate(2026, 6, 10), QTime(0, 0), Qt::UTC);
    double coldest = 100;
    double warmest = -100;
    QSet<QString> skies;
    for (int hour = 0; hour < 24; ++hour) {
        const QDomDocument document = parsed(observe(day.addSecs(hour * 3600 + 600)));
        const double temperature = firstText(document, "temp_c").toDouble();
        coldest = std::min(coldest, temperature);
        warmest = std::max(warmest, temperature);
        skies.insert(firstText(document, "weather"));
        QVERIFY(document.elementsByTagName("error").isEmpty());
    }
    QVERIFY(warmest - coldest > 8);
    QVERIFY(skies.size() >= 2);
    const auto humidityAt = [&](int utcHour) {
        return firstText(parsed(observe(day.addSecs(utcHour * 3600))), "relative_humidity")
            .chopped(1)
            .toInt();
    };
    QVERIFY(humidityAt(3) > humidityAt(15) + 20);
}

void TestStationSim::geolookup()
{
    const Fetched fetched = fetch(QStringLiteral("/api/clave/geolookup/q/autoip.xml"));
    QCOMPARE(fetched.status, 200);
    const QDomDocument document = parsed(fetched.body);
    QStringList ids;
    const QDomNodeList idElements = document.elementsByTagName("id");
    for (int i = 0; i < idElements.size(); ++i) {
        ids.append(idElements.at(i).firstChild().nodeValue());
        QCOMPARE(idElements.at(i).parentNode().parentNode().nodeName(), QStringLiteral("pws"));
    }
    QCOMPARE(ids, QStringList({ "ISIMVIVO", "ISIMDESPEJADO", "ISIMPARCIAL", "ISIMVIENTO" }));
    QCOMPARE(ids, StationSimulator::nearbyStationIds());

    const QDomElement airport = document.elementsByTagName("airport").at(0).toElement();
    const QDomNodeList airports = airport.elementsByTagName("station");
    QVERIFY(airports.size() >= 2);
    for (int i = 0; i < airports.size(); ++i)
        QVERIFY(!airports.at(i).firstChildElement("icao").text().isEmpty());
    // Every listed station answers.
    for (const QString& id : ids)
        QVERIFY(parsed(fetch(conditionsPath(id)).body).elementsByTagName("error").isEmpty());
}

void TestStationSim::brokenAnswers()
{
    for (const auto& path : { conditionsPath("ISIMNOXML"), hourlyPath("ISIMNOXML") }) {
        const Fetched fetched = fetch(path);
        QCOMPARE(fetched.status, 200);
        QVERIFY(!fetched.body.isEmpty());
        QVERIFY(!QDomDocument().setContent(fetched.body));
    }
    for (const auto& path : { conditionsPath("ISIMHTTP500"), hourlyPath("ISIMHTTP500") }) {
        const Fetched fetched = fetch(path);
        QCOMPARE(fetched.status, 500);
        QVERIFY(!fetched.body.isEmpty() && fetched.body.size() < 1024);
    }
    for (const auto& path : { conditionsPath("ISIMENORME"), hourlyPath("ISIMENORME") }) {
        const Fetched fetched = fetch(path);
        QCOMPARE(fetched.status, 200);
        QVERIFY(fetched.body.size() > 2 * 1024 * 1024);
        // Sent as is with its length declared, although this client accepts compression.
        QCOMPARE(fetched.contentLength.toLongLong(), fetched.body.size());
        const QDomDocument document = parsed(fetched.body);
        QCOMPARE(document.documentElement().tagName(), QStringLiteral("response"));
        QVERIFY(document.elementsByTagName("error").isEmpty());
    }
}

void TestStationSim::everyStationAnswers()
{
    m_simulator->setSlowSeconds(0);
    const QStringList ids = StationSimulator::stationIds();
    QCOMPARE(ids.size(), 15);
    QCOMPARE(ids.first(), QStringLiteral("ISIMVIVO"));
    for (const QString& id : ids) {
        for (const QString& path : { conditionsPath(id), hourlyPath(id) }) {
            const Fetched fetched = fetch(path);
            QVERIFY2(fetched.status == (id == QLatin1String("ISIMHTTP500") ? 500 : 200),
                qPrintable(path));
            const bool xml = id != QLatin1String("ISIMNOXML") && id != QLatin1String("ISIMHTTP500");
            if (!xml)
                continue;
            const QDomDocument document = parsed(fetched.body);
            QVERIFY2(!document.isNull(), qPrintable(path));
            // Only the error station may carry the error marker.
            QCOMPARE(
                document.elementsByTagName("error").isEmpty(), id != QLatin1String("ISIMERROR"));
        }
    }
}

void TestStationSim::slowStation()
{
    m_simulator->setSlowSeconds(1);
    QElapsedTimer timer;
    timer.start();
    const Fetched fetched = fetch(conditionsPath("ISIMLENTO"));
    QVERIFY(timer.elapsed() >= 1000);
    QCOMPARE(fetched.status, 200);
    QCOMPARE(firstText(parsed(fetched.body), "station_id"), QStringLiteral("ISIMLENTO"));
    // Only the slow station waits.
    timer.restart();
    QCOMPARE(fetch(conditionsPath("ISIMDESPEJADO")).status, 200);
    QVERIFY(timer.elapsed() < 1000);
}

void TestStationSim::slowStationLetsServerStop()
{
    m_simulator->setSlowSeconds(60);
    httplib::Client client("127.0.0.1", m_server->port());
    client.set_read_timeout(0, 300000);
    QVERIFY(!client.Get(hourlyPath("ISIMLENTO").toStdString()));

    // The handler is still waiting; stopping the server must not wait for it.
    QElapsedTimer timer;
    timer.start();
    m_server->stop();
    QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
}

void TestStationSim::addedRoutesAnswerBesideTheXmlApi()
{
    // A second service's routes: the target reaches them whole, query included, and its own
    // wait rule holds only for them.
    StationSimulator simulator;
    simulator.setClock([] { return fixedNow; });
    simulator.setSlowSeconds(1);
    simulator.addRoutes({ { "/v2/echo/",
        [](std::string_view target, const QDateTime& now) {
            return SimReply { 202, "application/json",
                QByteArray(target.data(), qsizetype(target.size())) + ' '
                    + QByteArray::number(now.toSecsSinceEpoch()) };
        },
        [](std::string_view target) {
            return target.find("wait=1") != std::string_view::npos;
        } } });
    LoopbackServer server;
    simulator.registerRoutes(server.server());
    QVERIFY(server.start());
    httplib::Client client("127.0.0.1", server.port());
    client.set_read_timeout(10, 0);

    QElapsedTimer timer;
    timer.start();
    const httplib::Result echoed = client.Get("/v2/echo/current?stationId=X&wait=1");
    QVERIFY(timer.elapsed() >= 1000);
    QVERIFY(echoed);
    QCOMPARE(echoed->status, 202);
    QCOMPARE(echoed->get_header_value("Content-Type"), std::string("application/json"));
    QCOMPARE(QByteArray::fromStdString(echoed->body),
        "/v2/echo/current?stationId=X&wait=1 " + QByteArray::number(fixedNow.toSecsSinceEpoch()));
    QCOMPARE(simulator.answer("/v2/echo/all").status, 202);

    // The XML API still answers, and what neither route takes is not found, in process and
    // over HTTP alike.
    timer.restart();
    const httplib::Result conditions = client.Get(conditionsPath("ISIMDESPEJADO").toStdString());
    QVERIFY(timer.elapsed() < 1000);
    QVERIFY(conditions && conditions->status == 200);
    QCOMPARE(simulator.answer("/v2/echo").status, 404);
    QCOMPARE(client.Get("/v2/echo")->status, 404);
}

QTEST_GUILESS_MAIN(TestStationSim)
#include "tst_stationsim.moc"
