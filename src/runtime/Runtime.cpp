#include "Runtime.h"

#include "AlpacaService.h"
#include "CommandAlertSink.h"
#include "CommandLine.h"
#include "ConfigStore.h"
#include "Engine.h"
#include "HistoryArchive.h"
#include "Logging.h"
#include "Notifier.h"
#include "NuboraVersion.h"
#include "PwsSource.h"
#include "SafetyWait.h"
#include "SettingsStore.h"
#include "SnapshotBoard.h"
#include "SourceRegistry.h"
#include "StatusBoard.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTimer>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#ifdef Q_OS_WIN
#include "GnsAutomationSink.h"
#endif

Runtime::Runtime(const CommandLine& options)
    : m_store(std::make_unique<SettingsStore>(options.settingsFile))
{
    // A self-hosted forecast server may be named in the settings by hand.
    QString forecastUrl = options.forecastUrl;
    if (forecastUrl.isEmpty())
        forecastUrl
            = m_store->GetSetting(ConfigStore::Setup, QStringLiteral("URL_Prevision"), QString());
    if (forecastUrl.isEmpty())
        forecastUrl = PwsSource::defaultForecastUrl();
    SourceRegistry::Addresses addresses;
    addresses.serviceUrl = options.serviceUrl;
    addresses.pwsUrl = options.pwsUrl;
    addresses.forecastUrl = forecastUrl;
    m_sources = std::make_unique<SourceRegistry>(addresses);
    m_alertSink = makeAlertSink(options.alertCommand);
    if (!options.noHistory) {
        HistoryArchive::Options history;
        history.path = options.historyFile;
        history.retentionDays = HistoryArchive::retentionDaysFrom(
            m_store->GetSetting(ConfigStore::Setup, QStringLiteral("HistoriaDias"),
                QString::number(HistoryArchive::DefaultRetentionDays)));
        m_history = std::make_unique<HistoryArchive>(history);
        qCDebug(lcArchive, "history archive %s", qPrintable(history.path));
    }
    m_devices = AlpacaService::start(options, *m_store, m_history.get());

    EngineContext context { *m_store, *m_sources };
    context.sources = m_sources.get();
    context.alertSink = m_alertSink.get();
    m_engine = std::make_unique<Engine>(context);
#ifdef __GLIBC__
    // A forecast's document is large and short-lived; what it freed goes back to the system
    // instead of staying resident until the next one, for as long as the service runs.
    const auto giveBackFreedMemory = [] { malloc_trim(0); };
    QObject::connect(
        m_engine.get(), &Engine::conditionsPolled, m_engine.get(), giveBackFreedMemory);
    QObject::connect(m_engine.get(), &Engine::forecastChanged, m_engine.get(), giveBackFreedMemory);
#endif
    if (m_history) {
        // Only queued here: the archive's own thread writes.
        HistoryArchive& history = *m_history;
        Engine& engine = *m_engine;
        QObject::connect(m_engine.get(), &Engine::conditionsPolled, m_engine.get(),
            [&history, &engine](const ConditionsResult& result) {
                history.recordPoll({ engine.lastPollTime().toMSecsSinceEpoch(), result.readings,
                    result.outcome, result.brokenLimits });
            });
        QObject::connect(m_engine.get(), &Engine::forecastChanged, m_engine.get(),
            [&history](const ForecastPage& page) {
                history.recordForecast(QDateTime::currentMSecsSinceEpoch(), page);
            });
    }
    if (m_devices) {
        SnapshotBoard& board = m_devices->board();
        QObject::connect(m_engine.get(), &Engine::conditionsPolled, m_engine.get(),
            [&board](const ConditionsResult& result) { board.publish(result.readings); });
        QObject::connect(m_engine.get(), &Engine::forecastChanged, m_engine.get(),
            [&board](const ForecastPage& page) { board.publishForecast(page); });
        // The status page shows the window's pages and the limits the poll ran with.
        StatusBoard& status = m_devices->status();
        Engine* engine = m_engine.get();
        QObject::connect(engine, &Engine::conditionsPolled, engine, [&status, engine] {
            const ConfigPage& config = engine->workingConfig();
            status.publishConditions(
                engine->conditionsPage(), config.HumedadAlta, config.LimiteViento);
        });
        QObject::connect(engine, &Engine::forecastChanged, engine,
            [&status](const ForecastPage& page) { status.publishForecast(page); });
    }
    // The archive, where there is one, passes its reader and stores each change.
    std::function<void(const SafetyTransition&)> record;
    if (m_history) {
        HistoryArchive* history = m_history.get();
        record = [history](const SafetyTransition& change) { history->recordTransition(change); };
    }
    startSafety(m_history.get(), [this, record](const SafetyTransition& change) {
        if (record)
            record(change);
        if (m_notifier)
            m_notifier->transition(change);
    });
    startNotifier();
}

void Runtime::startNotifier()
{
    const auto setting = [this](const QString& key) {
        return m_store->GetSetting(ConfigStore::Setup, key, QString());
    };
    const qint64 nowMs = QDateTime::currentMSecsSinceEpoch();
    m_notifier = Notifier::fromSettings(setting, nowMs);
    if (!m_notifier)
        return;
    // The state at start is the first it hears: known, and not told as a change.
    const SafetyVerdict verdict = m_safety->state().verdict(nowMs);
    m_notifier->transition({ nowMs, m_safety->safe(), verdict.reason });
    // After the safety's own: a poll's change of safety is told before its state is published.
    Engine* engine = m_engine.get();
    QObject::connect(
        engine, &Engine::conditionsPolled, engine, [this, engine](const ConditionsResult& result) {
            const qint64 timeMs = engine->lastPollTime().toMSecsSinceEpoch();
            const SafetyVerdict safety = m_safety->state().verdict(timeMs);
            m_notifier->safetyNow(safety.safe, safety.reason);
            m_notifier->poll(timeMs, result.readings, result.outcome);
        });
    auto* tick = new QTimer(engine);
    QObject::connect(tick, &QTimer::timeout, engine, [this] {
        const qint64 nowMs = QDateTime::currentMSecsSinceEpoch();
        const SafetyVerdict safety = m_safety->state().verdict(nowMs);
        m_notifier->safetyNow(safety.safe, safety.reason);
        m_notifier->tick(nowMs);
    });
    tick->start(10 * 1000);
}

void Runtime::startSafety(
    const HistoryReader* history, std::function<void(const SafetyTransition&)> record)
{
    // The safety the network devices report waits for a run of good polls; the tick tells the
    // changes that come due between polls (the wait's end, a gap, an observation grown old).
    const auto setting = [this](const QString& key) {
        return m_store->GetSetting(ConfigStore::Setup, key, QString());
    };
    m_safety = std::make_unique<SafetyWait>(SafetyWait::readSettings(setting));
    m_safety->setTransitionHook(std::move(record));
    bool ok = false;
    const int refreshMinutes = setting(QStringLiteral("T_Refresco")).toInt(&ok);
    m_safety->start(QDateTime::currentMSecsSinceEpoch(), history, ok ? refreshMinutes : 5);
    SnapshotBoard* board = m_devices ? &m_devices->board() : nullptr;
    const auto publish = [this, board] {
        if (board)
            board->publishSafety(m_safety->state());
    };
    publish();
    Engine* engine = m_engine.get();
    QObject::connect(engine, &Engine::conditionsPolled, engine,
        [this, engine, publish](const ConditionsResult& result) {
            m_safety->addPoll(engine->lastPollTime().toMSecsSinceEpoch(), result.readings);
            publish();
        });
    QObject::connect(
        engine, &Engine::forecastChanged, engine, [this, publish](const ForecastPage& page) {
            m_safety->setForecast(QDateTime::currentMSecsSinceEpoch(), page);
            publish();
        });
    auto* tick = new QTimer(engine);
    QObject::connect(tick, &QTimer::timeout, engine,
        [this] { m_safety->tick(QDateTime::currentMSecsSinceEpoch()); });
    tick->start(10 * 1000);
}

Runtime::~Runtime()
{
    // The engine first: its last poll may still hand its readings to the devices.
    m_engine.reset();
}

void Runtime::setApplicationNames()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Nubora"));
    QCoreApplication::setApplicationName(QStringLiteral("Nubora"));
    QCoreApplication::setApplicationVersion(QStringLiteral(NUBORA_VERSION_STRING));
}

std::unique_ptr<AlertSink> Runtime::makeAlertSink(const QString& command)
{
    if (!command.isEmpty())
        return std::make_unique<CommandAlertSink>(command);
#ifdef Q_OS_WIN
    return std::make_unique<GnsAutomationSink>();
#else
    return nullptr;
#endif
}
