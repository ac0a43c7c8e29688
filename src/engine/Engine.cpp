#include "Engine.h"

#include "ConfigStore.h"
#include "NumberConversion.h"
#include "SettingsStore.h"
#include "SourceRegistry.h"

Engine::Engine(const EngineContext& context, QObject* parent)
    : QObject(parent)
    , m_context(context)
    , m_schedule(this, [this] { return Periodo_Refresco(); })
    , m_conditionsPoll(context.source, context.store, context.alertSink, context.clock)
    , m_forecast(context.source)
    , m_stationLookup(context.source)
{
    connect(&m_schedule, &RefreshSchedule::conditionsDue, this, &Engine::WriteMeteo);
    connect(&m_schedule, &RefreshSchedule::forecastDue, this, &Engine::Forecast);
    connect(&m_schedule, &RefreshSchedule::lockExpired, this, &Engine::unlock);
    m_schedule.start();
}

void Engine::load()
{
    ConfigStore::restore(m_context.store, m_config, true);
    emit configChanged(m_config);

    m_schedule.stopLock();
    DecimalSep = NumberConversion::DecimalSeparator();
    ObservationField = ObservationField::names();

    m_schedule.restartConditionsCount();
    WriteMeteo();
    m_schedule.restartForecastCount();
    Forecast();
}

void Engine::close()
{
    if (m_closed)
        return;
    m_closed = true;
    m_schedule.stop();
    m_conditionsPoll.releaseFile();
    emit closing();
}

void Engine::accept()
{
    ConfigStore::save(m_context.store, m_config);
    m_context.store.sync();
    emit folderChanged(m_config.Path_Dat);

    m_schedule.restartConditionsCount();
    WriteMeteo();
    m_schedule.restartForecastCount();
    Forecast();
}

void Engine::cancel()
{
    ConfigStore::restore(m_context.store, m_config, false);
    emit configChanged(m_config);
}

void Engine::refresh()
{
    m_schedule.restartConditionsCount();
    WriteMeteo();
}

void Engine::refreshForecast()
{
    m_schedule.restartForecastCount();
    Forecast();
}

void Engine::lookUp()
{
    useSource();
    m_stationLookup.Buscar_Click(m_config.API_key, m_config.Estacion_ID);
    emit stationsChanged(m_config.Estacion_ID);
}

void Engine::chooseFolder(const QString& folder)
{
    m_config.Path_Dat = folder;
    emit folderChanged(folder);
}

void Engine::commitTypedStation()
{
    m_config.Estacion_ID.commitTypedText();
    emit stationsChanged(m_config.Estacion_ID);
}

void Engine::WriteMeteo()
{
    useSource();
    // A copy: a listener may hand the window's controls back as the working configuration.
    const ConfigPage config = m_config;
    m_lastConditions
        = m_conditionsPoll.WriteMeteo(config, DecimalSep, ObservationField, m_conditions);
    m_lastPollTime = m_context.clock();
    apply(m_lastConditions.effects);
    emit conditionsPolled(m_lastConditions);
}

void Engine::Forecast()
{
    useSource();
    const ConfigPage config = m_config;
    const PollEffects effects
        = m_forecast.Forecast(config, m_conditions.Estacion, DecimalSep, m_forecastPage);
    apply(effects);
    emit forecastChanged(m_forecastPage);
}

void Engine::useSource()
{
    // Like the key and the station, the source is the working one, accepted or not.
    if (m_context.sources)
        m_context.sources->choose(m_config.Fuente);
    emit sourceChosen(m_config.Fuente);
}

void Engine::apply(const PollEffects& effects)
{
    if (effects.lockTimerStopped)
        m_schedule.stopLock();
    if (effects.loaded) {
        m_locked = true;
        emit lockChanged(true);
        m_schedule.startLock();
    }
    if (effects.caption) {
        m_caption = *effects.caption;
        emit captionChanged(m_caption);
    }
}

void Engine::unlock()
{
    m_locked = false;
    emit lockChanged(false);
}
