#include "AnswerReaders.h"
#include "ConditionsPage.h"
#include "ConditionsPoll.h"
#include "ConfigPage.h"
#include "ConfigStore.h"
#include "ObservationField.h"
#include "SettingsStore.h"
#include "XmlAnswers.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The XML service's conditions answer read into an observation, and the poll's walk over it:
// the walk must get exactly as far as a walk over the document, and stop with the same reason.
namespace
{

QByteArray answer(const QByteArray& inside)
{
    return "<response><current_observation>" + inside + "</current_observation></response>";
}

// Each field that came, with every occurrence, then where the answer ends the walk.
QString summary(const Observation& observation)
{
    const QStringList names = ObservationField::names();
    QStringList parts;
    for (int i = 0; i < ObservationField::Count; ++i)
        if (!observation.values[i].isEmpty())
            parts << names[i] + '=' + observation.values[i].join('|');
    if (observation.end == Observation::End::ErrorAnswer)
        parts << "error answer: " + observation.endReason;
    else if (observation.end == Observation::End::ReadFailure)
        parts << QStringLiteral("failed read at %1#%2: %3")
                     .arg(names[observation.endField])
                     .arg(observation.endOccurrence)
                     .arg(observation.endReason);
    return parts.join("; ");
}

} // namespace

class TestXmlAnswers : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void walkStopsWhereTheDocumentWould_data();
    void walkStopsWhereTheDocumentWould();

private:
    QTemporaryDir m_dir;
};

void TestXmlAnswers::walkStopsWhereTheDocumentWould_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("observation");
    QTest::addColumn<QString>("outcome"); // how the poll's log line ends, or starts for a verdict

    // Fields in their handling order, occurrences in document order, whatever the document's.
    QTest::newRow("repeated element, fields out of order")
        << answer("<weather>Despejado</weather><temp_c>12.3</temp_c><wind_kph>3</wind_kph>"
                  "<temp_c>-12.5</temp_c><wind_gust_kph>4</wind_gust_kph>")
        << "temp_c=12.3|-12.5; wind_kph=3; wind_gust_kph=4; weather=Despejado"
        << "safe";
    // The error element is handled first, wherever it stands; nothing else is read.
    QTest::newRow("error after the values")
        << answer("<temp_c>12.3</temp_c><error><type>keynotfound</type>"
                  "<description>no key</description></error>")
        << "error answer: no key (keynotfound)"
        << "error answer: no key (keynotfound)";
    QTest::newRow("empty element mid-walk")
        << answer("<pressure_mb>1016</pressure_mb><temp_c>12.3</temp_c><pressure_mb/>"
                  "<weather>Despejado</weather>")
        << "temp_c=12.3; pressure_mb=1016; failed read at pressure_mb#1: text read from an "
           "element without text"
        << "run-time failure: pressure_mb: text read from an element without text";
    QTest::newRow("element whose first child is an element")
        << answer("<temp_c><value>12.3</value></temp_c>")
        << "failed read at temp_c#0: text read from an element without text"
        << "run-time failure: temp_c: text read from an element without text";
    QTest::newRow("location: the place is its second child")
        << answer("<observation_location><full>Tres Cantos, Madrid</full><city>Tres "
                  "Cantos</city></observation_location><wind_kph>3</wind_kph>"
                  "<wind_gust_kph>4</wind_gust_kph>")
        << "observation_location=Tres Cantos; wind_kph=3; wind_gust_kph=4"
        << "safe";
    QTest::newRow("location without a second child")
        << answer("<observation_location><full>Tres Cantos</full></observation_location>"
                  "<temp_c>12.3</temp_c>")
        << "failed read at observation_location#0: text read through a missing node"
        << "run-time failure: observation_location: text read through a missing node";
    QTest::newRow("location with an empty second child")
        << answer("<observation_location><full>Tres Cantos</full><city/></observation_location>")
        << "failed read at observation_location#0: text read from an element without text"
        << "run-time failure: observation_location: text read from an element without text";
    // A value that is no number passes the read and fails in the walk, at its own field.
    QTest::newRow("value that is no number")
        << answer("<temp_c>12.3</temp_c><observation_epoch>pronto</observation_epoch>")
        << "observation_epoch=pronto; temp_c=12.3"
        << "run-time failure: observation_epoch: conversion: \"pronto\" is not a number";
}

void TestXmlAnswers::walkStopsWhereTheDocumentWould()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, observation);
    QFETCH(QString, outcome);

    QDomDocument document;
    QVERIFY(document.setContent(body));
    QCOMPARE(summary(XmlAnswers::observation(document)), observation);

    SettingsStore store(QDir(m_dir.path()).filePath("settings.ini"));
    store.SaveSetting(ConfigStore::Setup, "Path_Dat", m_dir.path());
    ConfigPage config;
    config.LimiteViento = "15";
    const FixedAnswerService service(body);
    ConditionsPoll poll(service, store, nullptr);
    ConditionsPage page;
    const ConditionsResult result = poll.WriteMeteo(config, ".", ObservationField::names(), page);
    QVERIFY2(result.outcome.startsWith(outcome), qPrintable(result.outcome));
    QVERIFY(result.observation);
    QCOMPARE(summary(*result.observation), observation);
}

QTEST_GUILESS_MAIN(TestXmlAnswers)
#include "tst_xmlanswers.moc"
