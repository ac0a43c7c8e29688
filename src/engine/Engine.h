#pragma once

#include "ConditionsPage.h"
#include "ConditionsPoll.h"
#include "ConfigPage.h"
#include "EngineContext.h"
#include "ForecastPage.h"
#include "HourlyForecast.h"
#include "RefreshSchedule.h"
#include "StationLookup.h"

#include <QObject>
#include <QStringList>

// One run of the program, with or without a window: the refresh schedule, the working
// configuration, the page models, the polls, the button lock and the caption. The user's
// actions are its methods; what happened is told through its signals, to any number of
// listeners (the window, the network devices). Every poll runs on the engine's thread and
// blocks it while it fetches.
class Engine : public QObject
{
    Q_OBJECT

public:
    explicit Engine(const EngineContext& context, QObject* parent = nullptr);

    // Start-up: the stored configuration, then one conditions poll and one forecast.
    void load();
    // The stop: the schedule ends and the data file is released. Once; later calls do nothing.
    void close();

    // Aceptar: stores the working configuration, then polls and updates the forecast.
    void accept();
    // Cancelar: the stored configuration replaces the working one.
    void cancel();
    // Refrescar and Refrescar_Fct: at once, restarting their counts.
    void refresh();
    void refreshForecast();
    // Buscar: the stations near this computer replace the list.
    void lookUp();
    // The folder the user chose (or kept) becomes the working one; not stored until accepted.
    void chooseFolder(const QString& folder);
    // The station typed into the box becomes an entry of the list.
    void commitTypedStation();

    // The window's controls are the working configuration while there is a window.
    void setWorkingConfig(const ConfigPage& config) { m_config = config; }
    const ConfigPage& workingConfig() const { return m_config; }

    // What a run is named after, read by its polls.
    void WriteMeteo();
    void Forecast();

    const ConditionsPage& conditionsPage() const { return m_conditions; }
    const ForecastPage& forecastPage() const { return m_forecastPage; }
    const ConditionsResult& lastConditions() const { return m_lastConditions; }
    QDateTime lastPollTime() const { return m_lastPollTime; }
    bool lastPollSafe() const { return m_lastConditions.safe; }
    bool locked() const { return m_locked; }
    QString caption() const { return m_caption; }
    bool closed() const { return m_closed; }

    qint16 Periodo_Refresco() const { return m_conditionsPoll.Periodo_Refresco; }
    QString DecimalSep;
    QStringList ObservationField;

    RefreshSchedule& schedule() { return m_schedule; }
    const EngineContext& context() const { return m_context; }

signals:
    // After each conditions poll, with its page model already filled.
    void conditionsPolled(const ConditionsResult& result);
    // After each forecast update, whether or not it changed the page.
    void forecastChanged(const ForecastPage& page);
    // The three buttons locked after a download, unlocked when the lock timer fires.
    void lockChanged(bool locked);
    void captionChanged(const QString& caption);
    // The working configuration changed as a whole (start-up, Cancelar).
    void configChanged(const ConfigPage& config);
    void stationsChanged(const StationCombo& stations);
    void folderChanged(const QString& folder);
    // The source a request is about to use ("Fuente"), before each request.
    void sourceChosen(const QString& fuente);
    void closing();

private:
    void useSource();
    void apply(const PollEffects& effects);
    void unlock();

    EngineContext m_context;
    RefreshSchedule m_schedule;
    ConditionsPoll m_conditionsPoll;
    HourlyForecast m_forecast;
    StationLookup m_stationLookup;
    ConfigPage m_config;
    ConditionsPage m_conditions;
    ForecastPage m_forecastPage;
    ConditionsResult m_lastConditions;
    QDateTime m_lastPollTime;
    QString m_caption;
    bool m_locked = false;
    bool m_closed = false;
};
