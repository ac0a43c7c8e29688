#pragma once

#include "AppContext.h"
#include "ConditionsPage.h"
#include "ConditionsPoll.h"
#include "ConfigPage.h"
#include "ForecastPage.h"
#include "HourlyForecast.h"
#include "PollEffects.h"
#include "RefreshSchedule.h"
#include "StationLookup.h"
#include "WindowLayout.h"

#include <QPointF>
#include <QStringList>
#include <QWidget>

// The program's one window: its state and its event handlers; it drives the refresh schedule.
// The polls work on the page models; the window fills the working configuration from its
// controls before a poll and renders the models into its widgets after it.
class frmNubora : public QWidget
{
    Q_OBJECT

public:
    explicit frmNubora(const AppContext& context, QWidget* parent = nullptr);
    ~frmNubora() override;

    void Form_Load();
    void Form_Unload();

    void Timer1_Timer();
    void Timer2_Timer();
    void Refrescar_Click();
    void Refrescar_Fct_Click();
    void Aceptar_Click();
    void Cancelar_Click();
    void Estacion_ID_LostFocus();
    void Command1_Click();
    void Buscar_Click();

    void WriteMeteo();
    void Forecast();
    static QString DecimalSeparator();

    // What a poll changed besides its page: the button lock and the caption.
    void applyEffects(const PollEffects& effects);

    qint16 Periodo_Refresco() const { return m_conditionsPoll.Periodo_Refresco; }
    QString DecimalSep;
    QStringList ObservationField;

    // The verdict of the most recent current-conditions poll.
    bool lastPollSafe() const { return m_lastPollSafe; }
    // The window's top-left corner in twips, as it would be saved.
    QPointF positionTwips() const;

    const WindowLayout& ui() const { return m_ui; }
    WindowLayout& ui() { return m_ui; }
    RefreshSchedule& schedule() { return m_schedule; }

signals:
    // After Form_Unload, while every control still shows its last state.
    void unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ConfigPage workingConfig() const;
    // Points the requests at the page's weather source and shows that source's credit.
    void useSource(const ConfigPage& config);
    void showConfig(const ConfigPage& config);
    void showStations(const StationCombo& stations);
    void showFolder(const QString& folder);
    void showConditions();
    void showForecast();
    void showLastOutcome();
    void restorePosition();
    void unlockButtons();

    AppContext m_context;
    WindowLayout m_ui;
    RefreshSchedule m_schedule;
    ConditionsPoll m_conditionsPoll;
    HourlyForecast m_forecast;
    StationLookup m_stationLookup;
    ConditionsPage m_conditions;
    ForecastPage m_forecastPage;
    bool m_lastPollSafe = false;
    bool m_unloaded = false;
    // The stored position and the pixels it was shown at: an unmoved window saves back the
    // very twips it was restored from.
    QPointF m_restoredTwips;
    QPoint m_restoredPixels;
};
