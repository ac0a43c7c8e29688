#include "ConditionsPage.h"
#include "ConditionsPoll.h"
#include "ConfigPage.h"
#include "LoopbackServer.h"
#include "NumberConversion.h"
#include "ObservationField.h"
#include "PollHost.h"
#include "SettingsStore.h"
#include "StationSimulator.h"
#include "WeatherService.h"

#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

namespace
{

class QuietHost : public PollHost
{
public:
    void stopLockTimer() override { }
    void lockButtons() override { }
    void setWindowCaption(const QString&) override { }
};

using Outcome = ConditionsReadings::Outcome;
using Reading = std::optional<double>;

} // namespace

Q_DECLARE_METATYPE(Reading)

// What a conditions poll hands to the device server, for the simulator's stations: the values
// as the service gave them, whatever the user's locale, and how the poll ended.
class TestConditionsReadings : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void stations_data();
    void stations();

private:
    StationSimulator m_simulator;
    LoopbackServer m_server;
    QTemporaryDir m_dir;
};

void TestConditionsReadings::initTestCase()
{
    m_simulator.registerRoutes(m_server.server());
    QVERIFY(m_server.start());
    QVERIFY(m_dir.isValid());
}

void TestConditionsReadings::stations_data()
{
    QTest::addColumn<QString>("station");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<bool>("safe");
    QTest::addColumn<Reading>("temperature");
    QTest::addColumn<Reading>("humidity");
    QTest::addColumn<Reading>("windKph");
    QTest::addColumn<Reading>("gustKph");
    QTest::addColumn<Reading>("pressure");
    QTest::addColumn<Reading>("rain");

    const Reading none;
    for (const char* locale : { "C", "es_ES" }) {
        const auto row = [locale](const char* station) -> QTestData& {
            return QTest::addRow("%s %s", station, locale) << QString(station) << QString(locale);
        };
        row("ISIMDESPEJADO") << int(Outcome::Complete) << true << Reading(12.3) << Reading(65)
                             << Reading(5.2) << Reading(8.0) << Reading(1016) << Reading(0);
        row("ISIMVIENTO") << int(Outcome::Complete) << false << Reading(12.3) << Reading(65)
                          << Reading(22.5) << Reading(30.1) << Reading(1016) << Reading(0);
        row("ISIMLLUVIA") << int(Outcome::Complete) << false << Reading(12.3) << Reading(70)
                          << Reading(5.2) << Reading(8.0) << Reading(1009) << Reading(0.3);
        row("ISIMINCOMPLETO") << int(Outcome::Complete) << false << none << Reading(65) << none
                              << none << Reading(1016) << Reading(0);
        // The empty element ends the poll as a failure; what was read before it stays.
        row("ISIMVACIO") << int(Outcome::Failed) << false << Reading(12.3) << none << Reading(5.2)
                         << Reading(8.0) << none << none;
        row("ISIMERROR") << int(Outcome::ErrorAnswer) << false << none << none << none << none
                         << none << none;
        row("ISIMNOXML") << int(Outcome::Failed) << false << none << none << none << none << none
                         << none;
        row("ISIMHTTP500") << int(Outcome::Failed) << false << none << none << none << none << none
                           << none;
    }
}

void TestConditionsReadings::stations()
{
    QFETCH(QString, station);
    QFETCH(QString, locale);
    QFETCH(int, outcome);
    QFETCH(bool, safe);
    QFETCH(Reading, temperature);
    QFETCH(Reading, humidity);
    QFETCH(Reading, windKph);
    QFETCH(Reading, gustKph);
    QFETCH(Reading, pressure);
    QFETCH(Reading, rain);

    QLocale::setDefault(QLocale(locale));
    const auto restoreLocale = qScopeGuard([] { QLocale::setDefault(QLocale::c()); });
    SettingsStore store(m_dir.filePath("settings.ini"));
    store.SaveSetting("Setup", "Path_Dat", m_dir.path());
    const WeatherService service(m_server.baseUrl());
    ConditionsPoll poll(service, store, nullptr);
    ConfigPage config;
    config.API_key = "key";
    config.Estacion_ID.text = station;
    config.T_Refresco = "7";
    config.HumedadAlta = "80";
    config.LimiteViento = "15";
    config.Lluvia_1h = 1;
    ConditionsPage page;
    QuietHost host;
    const bool verdict = poll.WriteMeteo(
        config, NumberConversion::DecimalSeparator(), ObservationField::names(), page, host);

    const ConditionsReadings& readings = poll.readings();
    QCOMPARE(int(readings.outcome), outcome);
    QCOMPARE(readings.safe, safe);
    QCOMPARE(readings.safe, verdict);
    QCOMPARE(readings.refreshMinutes, qint16(7));
    QCOMPARE(readings.temperature, temperature);
    QCOMPARE(readings.humidity, humidity);
    QCOMPARE(readings.windKph, windKph);
    QCOMPARE(readings.gustKph, gustKph);
    QCOMPARE(readings.pressureHpa, pressure);
    QCOMPARE(readings.rain1hMm, rain);
    if (outcome == int(Outcome::Complete)) {
        QCOMPARE(readings.windDirText, page.V[2].text);
        QCOMPARE(readings.sky, page.C[1].text);
        QVERIFY(readings.windDegrees.has_value());
    }
    // The alert text is the verdict's, whether or not the alert is on.
    QCOMPARE(readings.alertText.isEmpty(), false);
}

QTEST_GUILESS_MAIN(TestConditionsReadings)
#include "tst_conditionsreadings.moc"
