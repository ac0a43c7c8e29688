#include "ConditionsDocument.h"
#include "ConditionsPage.h"
#include "ConditionsPoll.h"
#include "ConfigPage.h"
#include "DataFileWriter.h"
#include "LoopbackServer.h"
#include "NumberConversion.h"
#include "ObservationField.h"
#include "RecordingSink.h"
#include "SettingsStore.h"
#include "XmlSource.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>
#include <httplib.h>
#include <mutex>

namespace
{

// What the polls' effects would do to a window, in the order they happen.
struct RecordingHost {
    void apply(const PollEffects& effects)
    {
        if (effects.lockTimerStopped)
            calls << "stop";
        if (effects.loaded)
            calls << "lock";
        if (effects.caption) {
            calls << "caption";
            caption = *effects.caption;
        }
    }
    QStringList calls;
    QString caption = "Nubora";
};

const QString ExampleLine
    = "2026-12-06 07:05:09.00 C K      0   12.3      0   10.5  65    5.9   0 0 0 "
      "00600 046362.29514 1 2 1 0 0 0";

} // namespace

class TestConditionsPoll : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void publishedExampleLine();
    void fileAfterEveryEnding_data();
    void fileAfterEveryEnding();
    void lineOnlyWithEachReadingOnce_data();
    void lineOnlyWithEachReadingOnce();
    void missingFolderStopsBeforeFetch();
    void fileIsReplacedNotAppended();
    void readersNeverSeeAnEmptyFile();
    void humidityRounding_data();
    void humidityRounding();
    void limitsAndAlerts_data();
    void limitsAndAlerts();
    void alertOnlyWhenTickedAndUnsafe();
    void commaLocale();
    void lockAfterSuccessOnly();
    void periodAndCaption();
    void runTimeFailures_data();
    void runTimeFailures();
    void missingElementsAreNoFailure();
    void epochAndOffsetKeptBetweenPolls();
    void existingFileInFolderThatRefusesNewFiles();

private:
    bool poll();
    QByteArray dataFile() const;

    LoopbackServer m_server;
    std::mutex m_mutex;
    QByteArray m_body;
    int m_status = 200;
    QString m_lastPath;
    QByteArray m_fileDuringFetch;

    QTemporaryDir m_dir;
    std::unique_ptr<SettingsStore> m_store;
    std::unique_ptr<XmlSource> m_service;
    std::unique_ptr<ConditionsPoll> m_poll;
    RecordingHost m_host;
    ConditionsResult m_result;
    RecordingSink m_sink;
    ConfigPage m_config;
    ConditionsPage m_page;
    QDateTime m_now;
};

void TestConditionsPoll::initTestCase()
{
    m_server.server().Get(
        R"(/api/.*)", [this](const httplib::Request& request, httplib::Response& response) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_lastPath = QString::fromStdString(request.path);
            QFile file(m_dir.filePath("Nubora.dat"));
            m_fileDuringFetch
                = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
            response.status = m_status;
            response.set_content(m_body.toStdString(), "text/xml; charset=UTF-8");
        });
    QVERIFY(m_server.start());
    QVERIFY(m_dir.isValid());
}

void TestConditionsPoll::init()
{
    QLocale::setDefault(QLocale::c());
    QFile::remove(m_dir.filePath("Nubora.dat"));
    // QSettings caches a file per path: the old store must go before the file does.
    m_poll.reset();
    m_store.reset();
    QFile::remove(m_dir.filePath("settings.ini"));
    m_store = std::make_unique<SettingsStore>(m_dir.filePath("settings.ini"));
    m_store->SaveSetting("Setup", "Path_Dat", m_dir.path());
    WeatherService::FetchLimits limits;
    limits.connectTimeoutMs = 2000;
    limits.totalTimeoutMs = 4000;
    m_service = std::make_unique<XmlSource>(m_server.baseUrl(), limits);
    m_now = QDateTime(QDate(2026, 12, 6), QTime(7, 5, 9));
    m_poll
        = std::make_unique<ConditionsPoll>(*m_service, *m_store, &m_sink, [this] { return m_now; });
    m_host = RecordingHost();
    m_sink.alerts.clear();
    m_config = ConfigPage();
    m_config.API_key = "key";
    m_config.Estacion_ID.text = "ITEST1";
    m_config.T_Refresco = "5";
    m_config.GNS = 1;
    m_config.Path_Dat = m_dir.path();
    m_page = ConditionsPage();
    m_status = 200;
    m_body = ConditionsDocument().toXml();
}

void TestConditionsPoll::cleanup()
{
    QLocale::setDefault(QLocale::c());
}

bool TestConditionsPoll::poll()
{
    m_result = m_poll->WriteMeteo(
        m_config, NumberConversion::DecimalSeparator(), ObservationField::names(), m_page);
    m_host.apply(m_result.effects);
    return m_result.safe;
}

QByteArray TestConditionsPoll::dataFile() const
{
    QFile file(m_dir.filePath("Nubora.dat"));
    if (!file.open(QIODevice::ReadOnly))
        return "<missing>";
    return file.readAll();
}

void TestConditionsPoll::publishedExampleLine()
{
    m_body = ConditionsDocument().set("wind_kph", "10.5").set("wind_gust_kph", "16.0").toXml();
    QVERIFY(!poll()); // the gust breaks the wind limit
    QCOMPARE(dataFile(), ExampleLine.toLatin1());
    QCOMPARE(dataFile().size(), 104);
    QCOMPARE(m_lastPath, QString("/api/key/conditions/lang:SP/q/pws:ITEST1.xml"));
    QCOMPARE(m_host.caption, QString("Nubora (07:05:09)"));
    QCOMPARE(m_page.Estacion, QString("Tres Cantos, Madrid"));
    QCOMPARE(m_page.Fecha_Hora, QString("Sun, 06 Dec 2026 07:05:00 +0100"));
    QCOMPARE(m_page.T[0].text, QString("12.3"));
    QCOMPARE(m_page.T[1].text, QString("65"));
    QCOMPARE(m_page.T[2].text, QString("5.9"));
    QCOMPARE(m_page.V[2].text, QString("Norte"));
    QCOMPARE(m_page.P[0].text, QString("1016"));
    QCOMPARE(m_page.P[1].text, QString("0"));
    QCOMPARE(m_page.LL[0].text, QString(" 0"));
    QCOMPARE(m_page.C[0].text, QString("10.0"));
    QCOMPARE(m_page.C[1].text, QString("Despejado"));
    QCOMPARE(m_page.V[0].background, FieldColour::Green);
    QCOMPARE(m_page.V[1].background, FieldColour::Yellow);
    QCOMPARE(m_sink.alerts, QStringList { "V16.0Km/h - " });
}

void TestConditionsPoll::fileAfterEveryEnding_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray head = "2026-12-06 07:05:09.00 C K ";
    QTest::newRow("complete, not indented")
        << ConditionsDocument().indented(false).toXml() << 200
        << head + "     0   12.3      0    5.2  65    5.9   0 0 0 00600 046362.29514 1 1 1 0 0 0";
    QTest::newRow("value wider than its field")
        << ConditionsDocument().set("dewpoint_c", "-123.45").set("relative_humidity", "5%").toXml()
        << 200
        << head + "     0   12.3      0    5.2   5 -123.45   0 0 0 00600 046362.29514 1 1 1 0 0 0";
    QTest::newRow("humidity 100") << ConditionsDocument().set("relative_humidity", "100%").toXml()
                                  << 200
                                  << head
            + "     0   12.3      0    5.2 100    5.9   0 0 0 00600 046362.29514 1 1 2 0 0 0";
    QTest::newRow("error element") << ConditionsDocument().withError().toXml() << 200 << head;
    QTest::newRow("failed load: HTTP 500") << QByteArray("oops") << 500 << QByteArray();
    QTest::newRow("failed load: not XML") << QByteArray("<html><p>no") << 200 << QByteArray();
    QTest::newRow("run-time failure after the open: empty pressure")
        << ConditionsDocument().set("pressure_mb", ConditionsDocument::empty()).toXml() << 200
        << head + "     0   12.3      0    5.2 ";
}

void TestConditionsPoll::fileAfterEveryEnding()
{
    QFETCH(QByteArray, body);
    QFETCH(int, status);
    QFETCH(QByteArray, expected);
    {
        QFile previous(m_dir.filePath("Nubora.dat"));
        QVERIFY(previous.open(QIODevice::WriteOnly));
        previous.write("previous content");
    }
    m_body = body;
    m_status = status;
    poll();
    QCOMPARE(dataFile(), expected);
    QVERIFY(!dataFile().contains('\n'));
}

void TestConditionsPoll::lineOnlyWithEachReadingOnce_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("problems");
    QTest::addColumn<QString>("alert");
    QTest::addColumn<QString>("T0");

    QTest::newRow("without temp_c")
        << ConditionsDocument().without("temp_c").toXml() << "temperature missing"
        << ""
        << "";
    QTest::newRow("temp_c twice") << ConditionsDocument().repeat("temp_c", "-12.5").toXml()
                                  << "temperature repeated"
                                  << ""
                                  << "-12.5";
    QTest::newRow("no wind elements: the start values are judged")
        << ConditionsDocument().without("wind_kph").without("wind_gust_kph").toXml()
        << "wind missing"
        << "VKm/h - "
        << "12.3";
    QTest::newRow("no humidity sensor, dew point twice, wind over the limit")
        << ConditionsDocument()
               .without("relative_humidity")
               .repeat("dewpoint_c", "6.1")
               .set("wind_kph", "20")
               .toXml()
        << "humidity missing, dew point repeated"
        << "V20Km/h - "
        << "12.3";
}

// A reading missing or repeated would put the later fields in the wrong places; the poll itself
// goes on as for any answer.
void TestConditionsPoll::lineOnlyWithEachReadingOnce()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, problems);
    QFETCH(QString, alert);
    QFETCH(QString, T0);
    m_body = body;
    QTest::ignoreMessage(
        QtWarningMsg, qPrintable("data line: " + problems + "; date and time only"));
    QCOMPARE(poll(), alert.isEmpty());
    QCOMPARE(dataFile(), QByteArray("2026-12-06 07:05:09.00 C K "));
    QCOMPARE(m_sink.alerts, alert.isEmpty() ? QStringList() : QStringList { alert });
    QCOMPARE(m_page.T[0].text, T0);
    QCOMPARE(m_host.caption, QString("Nubora (07:05:09)"));
    QCOMPARE(m_result.readings.outcome, ConditionsReadings::Outcome::Complete);
}

void TestConditionsPoll::missingFolderStopsBeforeFetch()
{
    m_store->SaveSetting("Setup", "Path_Dat", m_dir.filePath("no-such-folder"));
    m_page.T[0].text = "from before";
    m_lastPath.clear();
    QVERIFY(!poll());
    QVERIFY(m_lastPath.isEmpty());
    QVERIFY(m_host.calls.isEmpty());
    QCOMPARE(m_page.T[0].text, QString("from before"));
    QVERIFY(!QFile::exists(m_dir.filePath("no-such-folder/Nubora.dat")));
    QCOMPARE(m_sink.alerts, QStringList { "Fallo en Nubora" });
}

void TestConditionsPoll::fileIsReplacedNotAppended()
{
    QVERIFY(poll());
    const QByteArray first = dataFile();
    m_now = m_now.addSecs(61);
    QVERIFY(poll());
    QCOMPARE(dataFile().size(), first.size());
    QVERIFY(dataFile().startsWith("2026-12-06 07:06:10.00 C K "));
    // An error answer still leaves the first two pieces only, with no trace of the earlier line.
    m_body = ConditionsDocument().withError().toXml();
    poll();
    QCOMPARE(dataFile(), QByteArray("2026-12-06 07:06:10.00 C K "));
}

void TestConditionsPoll::readersNeverSeeAnEmptyFile()
{
    QVERIFY(poll());
    const QByteArray first = dataFile();
    QCOMPARE(m_fileDuringFetch, QByteArray()); // the very first poll creates it empty
    m_now = m_now.addSecs(60);
    QVERIFY(poll());
    QCOMPARE(m_fileDuringFetch, first);
    QVERIFY(dataFile() != first);
    // A failed load still ends with an empty file, but only once the poll is over.
    const QByteArray second = dataFile();
    m_status = 500;
    poll();
    QCOMPARE(m_fileDuringFetch, second);
    QCOMPARE(dataFile(), QByteArray());
}

void TestConditionsPoll::humidityRounding_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("shown");
    QTest::newRow("65%") << "65%"
                         << "65";
    QTest::newRow("64.5% rounds to even") << "64.5%"
                                          << "64";
    QTest::newRow("65.5% rounds to even") << "65.5%"
                                          << "66";
    QTest::newRow("negative") << "-3%"
                              << "-3";
}

void TestConditionsPoll::humidityRounding()
{
    QFETCH(QString, value);
    QFETCH(QString, shown);
    m_body = ConditionsDocument().set("relative_humidity", value).toXml();
    QVERIFY(poll());
    QCOMPARE(m_page.T[1].text, shown);
    QVERIFY(dataFile().contains(QStringLiteral(" %1 ").arg(shown, 3).toLatin1()));
}

void TestConditionsPoll::limitsAndAlerts_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("skyCheck0");
    QTest::addColumn<QString>("alert"); // empty: safe, nothing sent
    QTest::addColumn<QString>("codes");

    QTest::newRow("all kept") << ConditionsDocument().toXml() << 0 << ""
                              << "1 1 1";
    QTest::newRow("humidity equal to its limit")
        << ConditionsDocument().set("relative_humidity", "80%").toXml() << 0 << "H80% - "
        << "1 1 2";
    QTest::newRow("humidity one below")
        << ConditionsDocument().set("relative_humidity", "79%").toXml() << 0 << ""
        << "1 1 1";
    QTest::newRow("wind equal to its limit")
        << ConditionsDocument().set("wind_kph", "15").set("wind_gust_kph", "10").toXml() << 0
        << "V15Km/h - "
        << "1 3 1";
    QTest::newRow("gust equal to its limit")
        << ConditionsDocument().set("wind_kph", "14.9").set("wind_gust_kph", "15").toXml() << 0
        << "V15Km/h - "
        << "1 2 1";
    QTest::newRow("wind and gust over: one note from the speed")
        << ConditionsDocument().set("wind_kph", "22.5").set("wind_gust_kph", "30.1").toXml() << 0
        << "V22.5Km/h - "
        << "1 3 1";
    QTest::newRow("rain only") << ConditionsDocument().set("precip_1hr_metric", " 0.3").toXml() << 0
                               << "LL(1h) 0.3mm"
                               << "1 1 3";
    QTest::newRow("humidity then rain") << ConditionsDocument()
                                               .set("relative_humidity", "91%")
                                               .set("precip_1hr_metric", "0.3")
                                               .toXml()
                                        << 0 << "H91% - LL(1h)0.3mm"
                                        << "1 1 3";
    QTest::newRow("partly cloudy, not tolerated")
        << ConditionsDocument().set("weather", "Parcialmente nublado").toXml() << 0
        << "Parcialmente nublado - "
        << "2 1 1";
    QTest::newRow("partly cloudy, tolerated")
        << ConditionsDocument().set("weather", "Parcialmente nublado").toXml() << 1 << ""
        << "2 1 1";
    QTest::newRow("partly cloudy, greyed box is not ticked")
        << ConditionsDocument().set("weather", "Parcialmente nublado").toXml() << 2
        << "Parcialmente nublado - "
        << "2 1 1";
    QTest::newRow("sky in lower case")
        << ConditionsDocument().set("weather", "despejado").toXml() << 1 << "despejado - "
        << "3 1 1";
    QTest::newRow("sky, wind, humidity in that order") << ConditionsDocument()
                                                              .set("weather", "Nublado")
                                                              .set("wind_kph", "20")
                                                              .set("relative_humidity", "85%")
                                                              .toXml()
                                                       << 0 << "Nublado - V20Km/h - H85% - "
                                                       << "3 3 2";
    QTest::newRow("no gust element: its start value is judged")
        << ConditionsDocument().without("wind_gust_kph").toXml() << 0 << "VKm/h - "
        << "1 2 1";
    QTest::newRow("no weather: not a failure, code 0")
        << ConditionsDocument().without("weather").toXml() << 0 << ""
        << "0 1 1";
}

void TestConditionsPoll::limitsAndAlerts()
{
    QFETCH(QByteArray, body);
    QFETCH(int, skyCheck0);
    QFETCH(QString, alert);
    QFETCH(QString, codes);
    m_body = body;
    m_config.Cielo_Check[0] = skyCheck0;
    QCOMPARE(poll(), alert.isEmpty());
    QCOMPARE(m_sink.alerts, alert.isEmpty() ? QStringList() : QStringList { alert });
    QVERIFY2(dataFile().endsWith((codes + " 0 0 0").toLatin1()), dataFile().constData());
}

void TestConditionsPoll::alertOnlyWhenTickedAndUnsafe()
{
    m_body = ConditionsDocument().set("relative_humidity", "91%").toXml();
    for (int gns : { 0, 2 }) {
        m_config.GNS = gns;
        QVERIFY(!poll());
        QVERIFY(m_sink.alerts.isEmpty());
    }
    m_config.GNS = 1;
    for (int i = 0; i < 3; ++i)
        poll();
    QCOMPARE(m_sink.alerts, QStringList({ "H91% - ", "H91% - ", "H91% - " }));
    m_status = 500;
    poll();
    QCOMPARE(m_sink.alerts.last(), QString("Fallo en Nubora"));
}

void TestConditionsPoll::commaLocale()
{
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
    m_body = ConditionsDocument()
                 .set("pressure_mb", "1013.2")
                 .set("precip_1hr_metric", " 0.5")
                 .set("wind_kph", "10.5")
                 .set("wind_gust_kph", "16.0")
                 .toXml();
    m_config.LimiteViento = "15,5";
    m_body.replace("65%", "64.5%"); // read with the service's "." whatever the locale
    QVERIFY(!poll());
    QCOMPARE(m_page.P[0].text, QString("1013,2"));
    QCOMPARE(m_page.V[0].text, QString("10,5"));
    QCOMPARE(m_page.T[0].text, QString("12,3"));
    QCOMPARE(m_page.T[1].text, QString("64"));
    QCOMPARE(m_sink.alerts, QStringList { "V16,0Km/h - LL(1h) 0,5mm" });
    const QByteArray line = dataFile();
    QVERIFY2(
        line.contains("   12.3 ") && line.contains("   10.5 ") && line.contains(" 046362.29514 "),
        line.constData());
    QVERIFY(!line.contains(','));
}

void TestConditionsPoll::lockAfterSuccessOnly()
{
    QVERIFY(poll());
    QCOMPARE(m_host.calls, QStringList({ "stop", "lock", "caption" }));
    m_host.calls.clear();
    m_status = 500;
    QVERIFY(!poll());
    QCOMPARE(m_host.calls, QStringList({ "stop", "caption" }));
    // A refused connection is a failed load as well.
    m_service = std::make_unique<XmlSource>("http://127.0.0.1:1");
    m_poll
        = std::make_unique<ConditionsPoll>(*m_service, *m_store, &m_sink, [this] { return m_now; });
    m_host.calls.clear();
    QVERIFY(!poll());
    QCOMPARE(m_host.calls, QStringList({ "stop", "caption" }));
    QCOMPARE(dataFile(), QByteArray());
    // The page shows the start colours on empty boxes.
    QCOMPARE(m_page.C[1].background, FieldColour::Red);
    QCOMPARE(m_page.V[1].background, FieldColour::Yellow);
    QCOMPARE(m_page.LL[0].background, FieldColour::Red);
    QVERIFY(m_page.T[0].text.isEmpty() && m_page.Estacion.isEmpty());
}

void TestConditionsPoll::periodAndCaption()
{
    m_config.T_Refresco = "4.5";
    poll();
    QCOMPARE(m_poll->Periodo_Refresco, qint16(4));
    m_config.T_Refresco = "-2";
    poll();
    QCOMPARE(m_poll->Periodo_Refresco, qint16(-2));

    // Not a number, or outside 16 bits: the poll stops before the fetch and keeps the period,
    // the page, the caption and the file.
    const QByteArray before = dataFile();
    m_page.T[0].text = "kept";
    for (const QString text : { "abc", "40000", "" }) {
        m_config.T_Refresco = text;
        m_host = RecordingHost();
        m_now = m_now.addSecs(60);
        QVERIFY(!poll());
        QCOMPARE(m_poll->Periodo_Refresco, qint16(-2));
        QVERIFY(m_host.calls.isEmpty());
        QCOMPARE(m_page.T[0].text, QString("kept"));
        QCOMPARE(dataFile(), before);
    }
    QCOMPARE(
        m_sink.alerts, QStringList({ "Fallo en Nubora", "Fallo en Nubora", "Fallo en Nubora" }));
}

void TestConditionsPoll::runTimeFailures_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("humidityLimit");
    QTest::addColumn<QString>("alert");

    QTest::newRow("empty element")
        << ConditionsDocument().set("pressure_mb", ConditionsDocument::empty()).toXml() << "80"
        << "Fallo en Nubora";
    QTest::newRow("location without its second child")
        << ConditionsDocument().set("observation_location", ConditionsDocument::empty()).toXml()
        << "80"
        << "Fallo en Nubora";
    QTest::newRow("humidity not a number")
        << ConditionsDocument().set("relative_humidity", "abc%").toXml() << "80"
        << "Fallo en Nubora";
    QTest::newRow("humidity limit not a number") << ConditionsDocument().toXml() << "mucho"
                                                 << "Fallo en Nubora";
    // Notes set before the failure go out; the sky is handled after the failing element.
    QTest::newRow("failure after a broken limit")
        << ConditionsDocument()
               .set("relative_humidity", "90%")
               .set("dewpoint_c", ConditionsDocument::empty())
               .toXml()
        << "80"
        << "H90% - ";
}

void TestConditionsPoll::runTimeFailures()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, humidityLimit);
    QFETCH(QString, alert);
    m_body = body;
    m_config.HumedadAlta = humidityLimit;
    m_host.caption = "Nubora (01:02:03)";
    QVERIFY(!poll());
    QCOMPARE(m_host.caption, QString("Nubora (01:02:03)"));
    QCOMPARE(m_host.calls, QStringList({ "stop", "lock" }));
    QCOMPARE(m_sink.alerts, QStringList { alert });
    QVERIFY(dataFile().startsWith("2026-12-06 07:05:09.00 C K "));
    QVERIFY(!dataFile().contains("00600 0"));
}

void TestConditionsPoll::missingElementsAreNoFailure()
{
    m_body = ConditionsDocument()
                 .without("temp_c")
                 .without("precip_1hr_metric")
                 .without("relative_humidity")
                 .toXml();
    QVERIFY(poll());
    QVERIFY(m_page.T[0].text.isEmpty());
    QCOMPARE(m_page.T[1].background, FieldColour::Yellow);
    QCOMPARE(m_page.LL[0].background, FieldColour::Red);
    QCOMPARE(dataFile(), QByteArray("2026-12-06 07:05:09.00 C K "));
    m_config.Lluvia_1h = 0;
    poll();
    QCOMPARE(m_page.LL[0].background, FieldColour::Grey);
    // Rain does not count when the box is not ticked.
    m_body = ConditionsDocument().set("precip_1hr_metric", "2").toXml();
    QVERIFY(poll());
    QCOMPARE(m_page.LL[0].background, FieldColour::Grey);
    m_config.Lluvia_1h = 1;
    m_body = ConditionsDocument().toXml();
    QVERIFY(poll());
    QCOMPARE(m_page.LL[0].background, FieldColour::Green);
}

void TestConditionsPoll::epochAndOffsetKeptBetweenPolls()
{
    m_body = ConditionsDocument()
                 .set("observation_epoch", "0")
                 .set("local_tz_offset", "-0500")
                 .toXml();
    poll();
    QCOMPARE(m_poll->ObsEpoch, 0.0);
    QCOMPARE(m_poll->TzOffsetHours, -5.0);
    QVERIFY(dataFile().contains(" 025568.79167 "));
    m_body = ConditionsDocument().without("observation_epoch").without("local_tz_offset").toXml();
    poll();
    QVERIFY(dataFile().contains(" 025568.79167 "));
    m_body = ConditionsDocument()
                 .set("observation_epoch", "0")
                 .set("local_tz_offset", "+0000")
                 .toXml();
    poll();
    QVERIFY(dataFile().contains(" 025569.00000 "));
}

// A folder where an existing file may be rewritten but no file may be created, as a system
// folder is for a data file that an administrator set up for the user: the line still goes
// into the existing file, and the poll is judged on the weather alone.
void TestConditionsPoll::existingFileInFolderThatRefusesNewFiles()
{
    const QString folder = m_dir.filePath("locked");
    QVERIFY(QDir().mkpath(folder));
    {
        QFile previous(folder + "/Nubora.dat");
        QVERIFY(previous.open(QIODevice::WriteOnly));
        previous.write("previous content");
    }
    // Permission bits do not stop root; the immutable flag refuses new files to everyone.
    if (QProcess::execute("chattr", { "+i", folder }) != 0)
        QSKIP("cannot make a folder refuse new files here");
    const auto unlock = qScopeGuard([&folder] { QProcess::execute("chattr", { "-i", folder }); });
    m_store->SaveSetting("Setup", "Path_Dat", folder);

    QVERIFY(poll());
    QVERIFY(m_sink.alerts.isEmpty());
    QCOMPARE(m_host.caption, QString("Nubora (07:05:09)"));
    QFile file(folder + "/Nubora.dat");
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(),
        QByteArray("2026-12-06 07:05:09.00 C K      0   12.3      0    5.2  65    5.9   "
                   "0 0 0 00600 046362.29514 1 1 1 0 0 0"));
}

QTEST_GUILESS_MAIN(TestConditionsPoll)
#include "tst_conditionspoll.moc"
