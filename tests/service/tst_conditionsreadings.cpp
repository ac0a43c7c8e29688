#include "ConditionsPage.h"
#include "ConditionsPoll.h"
#include "ConfigPage.h"
#include "LoopbackServer.h"
#include "NumberConversion.h"
#include "ObservationField.h"
#include "SettingsStore.h"
#include "StationSimulator.h"
#include "XmlSource.h"

#include <QDateTime>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

namespace
{

using Outcome = ConditionsReadings::Outcome;
using Reading = std::optional<double>;

} // namespace

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
    // Temperature, humidity, wind, gust, pressure and rain; "-" where nothing was read.
    QTest::addColumn<QString>("values");
    QTest::addColumn<QString>("reasons"); // why it is not safe, for observatory software

    for (const char* locale : { "C", "es_ES" }) {
        const auto row = [locale](const char* station, Outcome outcome, bool safe,
                             const char* values, const QString& reasons = QString()) {
            QTest::addRow("%s %s", station, locale)
                << QString(station) << QString(locale) << int(outcome) << safe << QString(values)
                << reasons;
        };
        const QString point = locale == QByteArray("C") ? "." : ",";
        row("ISIMDESPEJADO", Outcome::Complete, true, "12.3 65 5.2 8 1016 0");
        row("ISIMVIENTO", Outcome::Complete, false, "12.3 65 22.5 30.1 1016 0",
            "V22" + point + "5Km/h");
        row("ISIMLLUVIA", Outcome::Complete, false, "12.3 70 5.2 8 1009 0.3",
            "Lluvia ligera - LL(1h) 0" + point + "3mm");
        // No wind and no gust: their start values are judged, and the reason says so.
        row("ISIMINCOMPLETO", Outcome::Complete, false, "- 65 - - 1016 0", "viento no medido");
        // The empty element ends the poll as a failure; what was read before it stays.
        row("ISIMVACIO", Outcome::Failed, false, "12.3 - 5.2 8 - -");
        row("ISIMERROR", Outcome::ErrorAnswer, false, "- - - - - -");
        row("ISIMNOXML", Outcome::Failed, false, "- - - - - -");
        row("ISIMHTTP500", Outcome::Failed, false, "- - - - - -");
    }
}

void TestConditionsReadings::stations()
{
    QFETCH(QString, station);
    QFETCH(QString, locale);
    QFETCH(int, outcome);
    QFETCH(bool, safe);
    QFETCH(QString, values);
    QFETCH(QString, reasons);

    QLocale::setDefault(QLocale(locale));
    const auto restoreLocale = qScopeGuard([] { QLocale::setDefault(QLocale::c()); });
    SettingsStore store(m_dir.filePath("settings.ini"));
    store.SaveSetting("Setup", "Path_Dat", m_dir.path());
    const XmlSource service(m_server.baseUrl());
    ConditionsPoll poll(service, store, nullptr);
    ConfigPage config;
    config.API_key = "key";
    config.Estacion_ID.text = station;
    config.T_Refresco = "7";
    config.HumedadAlta = "80";
    config.LimiteViento = "15";
    config.Lluvia_1h = 1;
    ConditionsPage page;
    const ConditionsResult result = poll.WriteMeteo(
        config, NumberConversion::DecimalSeparator(), ObservationField::names(), page);
    const bool verdict = result.safe;
    const ConditionsReadings& readings = result.readings;
    QCOMPARE(int(readings.outcome), outcome);
    QCOMPARE(readings.safe, safe);
    QCOMPARE(readings.safe, verdict);
    QCOMPARE(readings.refreshMinutes, qint16(7));
    QStringList read;
    for (const Reading& value : { readings.temperature, readings.humidity, readings.windKph,
             readings.gustKph, readings.pressureHpa, readings.rain1hMm })
        read << (value ? QString::number(*value) : QStringLiteral("-"));
    QCOMPARE(read.join(' '), values);
    if (outcome == int(Outcome::Complete)) {
        QCOMPARE(readings.reasons, reasons);
        QCOMPARE(readings.windDirText, page.V[2].text);
        QCOMPARE(readings.sky, page.C[1].text);
        QVERIFY(readings.windDegrees.has_value()); // the answer's wind_degrees
        QVERIFY(!readings.cloudCover); // the XML service sends no cover
        // Sent in feet: 883 m as "2897 ft".
        QVERIFY(readings.elevationM.has_value());
        if (station == "ISIMDESPEJADO")
            QVERIFY(qAbs(*readings.elevationM - 883) < 0.5);
        QVERIFY(readings.latitude && readings.longitude);
        const qint64 age
            = QDateTime::currentMSecsSinceEpoch() - readings.observationTimeMs.value_or(0);
        QVERIFY2(age >= 0 && age < 24 * 3600 * 1000, qPrintable(QString::number(age)));
    }
}

QTEST_GUILESS_MAIN(TestConditionsReadings)
#include "tst_conditionsreadings.moc"
