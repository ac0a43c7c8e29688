#include "ConfigStore.h"
#include "Engine.h"
#include "RecordingSink.h"
#include "SettingsStore.h"
#include "WeatherSource.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace
{

// Answers every request at once from what the test sets; counts the requests and the
// stations they named.
class FakeSource : public WeatherSource
{
public:
    std::optional<Observation> conditions(const QString&, const QString& station) const override
    {
        stations << station;
        return observation;
    }
    std::optional<HourlyAnswer> hourly(const QString&, const QString&) const override
    {
        ++hourlyRequests;
        HourlyAnswer answer;
        answer.errorAnswer = true;
        return answer;
    }
    std::optional<StationList> nearbyStations(const QString&, const QString&) const override
    {
        StationList list;
        list.ids = QStringList { QStringLiteral("IUNO"), QStringLiteral("IDOS") };
        return list;
    }

    std::optional<Observation> observation;
    mutable QStringList stations;
    mutable int hourlyRequests = 0;
};

Observation calmClearNight()
{
    using namespace ObservationField;
    Observation observation;
    const std::pair<Index, const char*> values[]
        = { { ObservationEpoch, "1765000000" }, { LocalTzOffset, "+0100" }, { TempC, "4.5" },
              { WindKph, "3.2" }, { WindGustKph, "5.0" }, { RelativeHumidity, "61%" },
              { DewpointC, "-2.1" }, { Precip1hrMetric, "0.0" }, { Weather, "Despejado" } };
    for (const auto& [field, text] : values)
        observation.append(field, QString::fromLatin1(text));
    return observation;
}

} // namespace

// A run without a window: what its listeners are told, and what its actions do.
class TestEngine : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void loadTellsEveryListener();
    void failedLoadAlertsAndLeavesTheLock();
    void workingEditsReachThePollButOnlyAcceptStores();
    void lookupAndCloseTellTheirListeners();

private:
    std::unique_ptr<Engine> makeEngine();

    QTemporaryDir m_dir;
    std::unique_ptr<SettingsStore> m_store;
    FakeSource m_source;
    RecordingSink m_sink;
};

void TestEngine::init()
{
    m_store.reset();
    QFile::remove(m_dir.filePath("settings.ini"));
    m_store = std::make_unique<SettingsStore>(m_dir.filePath("settings.ini"));
    m_store->SaveSetting(ConfigStore::Setup, "Path_Dat", m_dir.path());
    m_store->SaveSetting(ConfigStore::Setup, "GNS", "1");
    m_store->SaveSetting(ConfigStore::Setup, "Estacion_ID_N", "1");
    m_store->SaveSetting(ConfigStore::Setup, ConfigStore::stationKey(0), "ISTORED");
    m_store->SaveSetting(ConfigStore::Setup, "Estacion_ID", "0");
    m_source = FakeSource();
    m_source.observation = calmClearNight();
    m_sink.alerts.clear();
}

std::unique_ptr<Engine> TestEngine::makeEngine()
{
    EngineContext context { *m_store, m_source };
    context.alertSink = &m_sink;
    context.clock = [] { return QDateTime(QDate(2026, 12, 6), QTime(7, 5, 9)); };
    return std::make_unique<Engine>(context);
}

void TestEngine::loadTellsEveryListener()
{
    auto engine = makeEngine();
    // Two listeners of each kind, as the window and the network devices are.
    QSignalSpy polled(engine.get(), &Engine::conditionsPolled);
    QSignalSpy polledToo(engine.get(), &Engine::conditionsPolled);
    QSignalSpy forecast(engine.get(), &Engine::forecastChanged);
    QSignalSpy lock(engine.get(), &Engine::lockChanged);
    QSignalSpy caption(engine.get(), &Engine::captionChanged);
    QSignalSpy config(engine.get(), &Engine::configChanged);
    engine->load();

    QCOMPARE(config.size(), 1);
    QCOMPARE(polled.size(), 1);
    QCOMPARE(polledToo.size(), 1);
    const auto result = polled.at(0).at(0).value<ConditionsResult>();
    QVERIFY(result.safe);
    QCOMPARE(result.outcome, QString("safe"));
    QVERIFY(result.observation.has_value());
    QCOMPARE(result.readings.temperature, std::optional<double>(4.5));
    QCOMPARE(engine->conditionsPage().C[1].text, QString("Despejado"));
    QCOMPARE(caption.size(), 1);
    QCOMPARE(caption.at(0).at(0).toString(), QString("Nubora (07:05:09)"));
    QCOMPARE(engine->caption(), QString("Nubora (07:05:09)"));
    QCOMPARE(forecast.size(), 1);
    QCOMPARE(m_source.hourlyRequests, 1);
    // Both downloads locked the buttons.
    QCOMPARE(lock.size(), 2);
    QVERIFY(engine->locked());
    QVERIFY(engine->schedule().Timer2->isActive());
    engine->schedule().Timer2_Timer();
    QCOMPARE(lock.size(), 3);
    QCOMPARE(lock.at(2).at(0).toBool(), false);
    QVERIFY(!engine->locked());

    QFile file(m_dir.filePath("Nubora.dat"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll().size(), 104);
    QVERIFY(m_sink.alerts.isEmpty());
}

void TestEngine::failedLoadAlertsAndLeavesTheLock()
{
    m_source.observation.reset();
    auto engine = makeEngine();
    engine->load();
    QVERIFY(engine->locked()); // by the forecast's download
    QVERIFY(engine->schedule().Timer2->isActive());

    QSignalSpy lock(engine.get(), &Engine::lockChanged);
    QSignalSpy polled(engine.get(), &Engine::conditionsPolled);
    engine->refresh();
    QCOMPARE(polled.size(), 1);
    QVERIFY(!engine->lastPollSafe());
    QVERIFY(!polled.at(0).at(0).value<ConditionsResult>().observation.has_value());
    // The lock timer stops before the download; a failed one leaves the buttons as they were.
    QCOMPARE(lock.size(), 0);
    QVERIFY(!engine->schedule().Timer2->isActive());
    QCOMPARE(m_sink.alerts, (QStringList { "Fallo en Nubora", "Fallo en Nubora" }));
    // The caption still shows the time of the poll that failed.
    QCOMPARE(engine->caption(), QString("Nubora (07:05:09)"));
}

void TestEngine::workingEditsReachThePollButOnlyAcceptStores()
{
    auto engine = makeEngine();
    engine->load();
    QCOMPARE(m_source.stations, QStringList { "ISTORED" });

    ConfigPage edited = engine->workingConfig();
    edited.Estacion_ID.text = "IEDITED";
    edited.T_Refresco = "2";
    engine->setWorkingConfig(edited);
    // A tick polls with the working configuration, stored or not, once the period the last
    // poll read (the stored 5 minutes) has passed.
    for (int minute = 0; minute < 5; ++minute)
        engine->schedule().Timer1_Timer();
    QCOMPARE(m_source.stations, (QStringList { "ISTORED", "IEDITED" }));
    QCOMPARE(m_store->GetSetting(ConfigStore::Setup, "T_Refresco", "x"), QString("x"));

    QSignalSpy config(engine.get(), &Engine::configChanged);
    engine->cancel();
    QCOMPARE(config.size(), 1);
    QCOMPARE(engine->workingConfig().Estacion_ID.text, QString("ISTORED"));

    engine->setWorkingConfig(edited);
    engine->accept();
    QCOMPARE(m_store->GetSetting(ConfigStore::Setup, "T_Refresco", "x"), QString("2"));
    QCOMPARE(m_source.stations.last(), QString("IEDITED"));
    QCOMPARE(m_source.hourlyRequests, 2);
}

void TestEngine::lookupAndCloseTellTheirListeners()
{
    auto engine = makeEngine();
    engine->load();
    QSignalSpy stations(engine.get(), &Engine::stationsChanged);
    engine->lookUp();
    QCOMPARE(stations.size(), 1);
    QCOMPARE(engine->workingConfig().Estacion_ID.items, (QStringList { "IUNO", "IDOS" }));
    QCOMPARE(engine->workingConfig().Estacion_ID.text, QString("IUNO"));

    QSignalSpy closing(engine.get(), &Engine::closing);
    engine->close();
    engine->close();
    QCOMPARE(closing.size(), 1);
    QVERIFY(!engine->schedule().Timer1->isActive());
}

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
