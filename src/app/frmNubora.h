#pragma once

#include "Engine.h"
#include "WindowLayout.h"

#include <QPointF>
#include <QWidget>

class FolderChooser;

// The program's one window, a view over the engine: it renders the engine's models and
// forwards its controls' events to the engine's actions. Its controls are the working
// configuration: every edit reaches the engine at once.
class frmNubora : public QWidget
{
    Q_OBJECT

public:
    frmNubora(Engine& engine, FolderChooser* folderChooser, QWidget* parent = nullptr);
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

    // The status page's address on the "Acerca de.." page, beside its texts, as a link that
    // opens the browser.
    void showPageLink(const QString& url);

    // The window's top-left corner in twips, as it would be saved.
    QPointF positionTwips() const;

    Engine& engine() { return m_engine; }
    const Engine& engine() const { return m_engine; }
    const WindowLayout& ui() const { return m_ui; }
    WindowLayout& ui() { return m_ui; }

signals:
    // After Form_Unload, while every control still shows its last state.
    void unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void connectEngine();
    void connectEdits();
    ConfigPage workingConfig() const;
    // Hands the controls to the engine as its working configuration.
    void pushConfig();
    void showConfig(const ConfigPage& config);
    void showStations(const StationCombo& stations);
    void showFolder(const QString& folder);
    void showConditions();
    void showForecast();
    void showLastOutcome();
    void showLock(bool locked);
    void restorePosition();

    Engine& m_engine;
    FolderChooser* m_folderChooser;
    WindowLayout m_ui;
    bool m_unloaded = false;
    // While the engine's values are being shown, the controls' change signals are no edits.
    bool m_showing = false;
    // The stored position and the pixels it was shown at: an unmoved window saves back the
    // very twips it was restored from.
    QPointF m_restoredTwips;
    QPoint m_restoredPixels;
};
