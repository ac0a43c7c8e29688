#include "frmNubora.h"

#include "ConfigStore.h"
#include "DataFolderPicker.h"
#include "DisplayFieldEdit.h"
#include "NuboraVersion.h"
#include "NumberConversion.h"
#include "SettingsStore.h"
#include "SourceRegistry.h"
#include "Twips.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>

namespace
{

constexpr double DefaultPositionTwips = 100.0;

Qt::CheckState toCheckState(int state)
{
    return state == 1 ? Qt::Checked : state == 2 ? Qt::PartiallyChecked : Qt::Unchecked;
}

int fromCheckState(const QCheckBox* box)
{
    switch (box->checkState()) {
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    case Qt::Unchecked:
        break;
    }
    return 0;
}

void setCheck(QCheckBox* box, int state)
{
    // Greyed is a valid stored state; only then does the box need a third state.
    box->setTristate(state == 2);
    box->setCheckState(toCheckState(state));
}

void showField(DisplayFieldEdit* edit, const DisplayField& field)
{
    edit->setText(field.text);
    edit->setBackground(field.background);
}

// A stored window edge, converted as a single-precision number; a hand-edited text that is
// not a number gives the default.
double storedEdge(const SettingsStore& store, const QString& key)
{
    const QString text = store.GetSetting(ConfigStore::Ventana, key, int(DefaultPositionTwips));
    return static_cast<float>(NumberConversion::toDouble(text).value_or(DefaultPositionTwips));
}

} // namespace

frmNubora::frmNubora(Engine& engine, FolderChooser* folderChooser, QWidget* parent)
    : QWidget(parent)
    , m_engine(engine)
    , m_folderChooser(folderChooser)
{
    m_ui.setupUi(this);

    connect(m_ui.Refrescar, &QPushButton::clicked, this, &frmNubora::Refrescar_Click);
    connect(m_ui.Refrescar_Fct, &QPushButton::clicked, this, &frmNubora::Refrescar_Fct_Click);
    connect(m_ui.Aceptar, &QPushButton::clicked, this, &frmNubora::Aceptar_Click);
    connect(m_ui.Cancelar, &QPushButton::clicked, this, &frmNubora::Cancelar_Click);
    connect(m_ui.Command1, &QPushButton::clicked, this, &frmNubora::Command1_Click);
    connect(m_ui.Buscar, &QPushButton::clicked, this, &frmNubora::Buscar_Click);
    m_ui.Estacion_ID->installEventFilter(this);
    if (m_ui.Estacion_ID->lineEdit())
        m_ui.Estacion_ID->lineEdit()->installEventFilter(this);

    connectEngine();
    connectEdits();
    pushConfig();
}

frmNubora::~frmNubora()
{
    m_ui.Estacion_ID->removeEventFilter(this);
    if (m_ui.Estacion_ID->lineEdit())
        m_ui.Estacion_ID->lineEdit()->removeEventFilter(this);
}

void frmNubora::connectEngine()
{
    connect(&m_engine, &Engine::configChanged, this, &frmNubora::showConfig);
    connect(&m_engine, &Engine::stationsChanged, this, &frmNubora::showStations);
    connect(&m_engine, &Engine::folderChanged, this, &frmNubora::showFolder);
    connect(&m_engine, &Engine::conditionsPolled, this, [this] {
        showConditions();
        showLastOutcome();
    });
    connect(&m_engine, &Engine::forecastChanged, this, &frmNubora::showForecast);
    connect(&m_engine, &Engine::lockChanged, this, &frmNubora::showLock);
    connect(&m_engine, &Engine::captionChanged, this, &QWidget::setWindowTitle);
    connect(&m_engine, &Engine::sourceChosen, this, [this](const QString& fuente) {
        m_ui.lblCredito->setVisible(fuente == SourceRegistry::Pws);
    });
}

void frmNubora::connectEdits()
{
    const auto edited = [this] { pushConfig(); };
    for (QLineEdit* edit :
        { m_ui.API_key, m_ui.T_Refresco, m_ui.HumedadAlta, m_ui.LimiteViento, m_ui.Path_Dat })
        connect(edit, &QLineEdit::textChanged, this, edited);
    for (QCheckBox* box : { m_ui.Lluvia_1h, m_ui.Cielo_Check[0], m_ui.Cielo_Check[1], m_ui.GNS })
        connect(box, &QCheckBox::stateChanged, this, edited);
    connect(m_ui.Estacion_ID, &QComboBox::editTextChanged, this, edited);
    connect(m_ui.Estacion_ID, &QComboBox::currentIndexChanged, this, edited);
    connect(m_ui.Fuente, &QComboBox::currentIndexChanged, this, edited);
}

void frmNubora::pushConfig()
{
    if (!m_showing)
        m_engine.setWorkingConfig(workingConfig());
}

void frmNubora::Form_Load()
{
    restorePosition();
    m_ui.lblVersion->setText(QStringLiteral("Versión %1.%2.%3")
                                 .arg(NUBORA_VERSION_MAJOR)
                                 .arg(NUBORA_VERSION_MINOR)
                                 .arg(NUBORA_VERSION_PATCH));
    m_engine.load();
    m_ui.SSTab1->setCurrentIndex(0);
}

void frmNubora::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;

    const QPointF twips = positionTwips();
    if (!isMinimized() && twips.y() > 0 && twips.x() > 0) {
        SettingsStore& store = m_engine.context().store;
        store.SaveSetting(
            ConfigStore::Ventana, QStringLiteral("Posicion_Superior"), QString::number(twips.y()));
        store.SaveSetting(
            ConfigStore::Ventana, QStringLiteral("Posicion_Izquierda"), QString::number(twips.x()));
        store.sync();
    }
    m_engine.close();
    emit unloaded();
}

QPointF frmNubora::positionTwips() const
{
    if (pos() == m_restoredPixels)
        return m_restoredTwips;
    return QPointF(pos()) * Twips::PerPixel;
}

void frmNubora::restorePosition()
{
    const SettingsStore& store = m_engine.context().store;
    QPointF twips(storedEdge(store, QStringLiteral("Posicion_Izquierda")),
        storedEdge(store, QStringLiteral("Posicion_Superior")));
    // A position whose title bar lies off every screen (a monitor since removed) would leave
    // the window out of reach.
    const auto titleBarVisible = [this](const QPoint& topLeft) {
        const QRect titleBar(topLeft, QSize(width(), 24));
        const QList<QScreen*> screens = QGuiApplication::screens();
        return std::any_of(screens.begin(), screens.end(), [&titleBar](const QScreen* screen) {
            return screen->availableGeometry().intersects(titleBar);
        });
    };
    QPoint pixels = (twips / Twips::PerPixel).toPoint();
    if (!titleBarVisible(pixels)) {
        twips = QPointF(DefaultPositionTwips, DefaultPositionTwips);
        pixels = (twips / Twips::PerPixel).toPoint();
    }
    move(pixels);
    m_restoredTwips = twips;
    m_restoredPixels = pos();
}

void frmNubora::Timer1_Timer()
{
    m_engine.schedule().Timer1_Timer();
}

void frmNubora::Timer2_Timer()
{
    m_engine.schedule().Timer2_Timer();
}

void frmNubora::showLock(bool locked)
{
    for (QPushButton* button : { m_ui.Aceptar, m_ui.Refrescar, m_ui.Refrescar_Fct })
        if (button->isEnabled() == locked)
            button->setEnabled(!locked);
}

void frmNubora::Refrescar_Click()
{
    m_engine.refresh();
}

void frmNubora::Refrescar_Fct_Click()
{
    m_engine.refreshForecast();
}

void frmNubora::Aceptar_Click()
{
    // Where a click does not move the focus, the typed station would otherwise be stored
    // without becoming an entry of the list.
    QLineEdit* edit = m_ui.Estacion_ID->lineEdit();
    if (m_ui.Estacion_ID->hasFocus() || (edit && edit->hasFocus()))
        Estacion_ID_LostFocus();
    m_engine.accept();
    m_ui.SSTab1->setCurrentIndex(0);
}

void frmNubora::Cancelar_Click()
{
    m_engine.cancel();
    m_ui.SSTab1->setCurrentIndex(0);
}

void frmNubora::Estacion_ID_LostFocus()
{
    m_engine.commitTypedStation();
}

void frmNubora::Command1_Click()
{
    if (!m_folderChooser)
        return;
    const QString folder = DataFolderPicker::Command1_Click(
        m_ui.Path_Dat->text(), *m_folderChooser, [this](const QString& error) {
            QMessageBox::critical(this, QStringLiteral("Nubora"), error);
        });
    m_engine.chooseFolder(folder);
}

void frmNubora::Buscar_Click()
{
    m_engine.lookUp();
}

void frmNubora::WriteMeteo()
{
    m_engine.WriteMeteo();
}

void frmNubora::Forecast()
{
    m_engine.Forecast();
}

// On the button and the page's tab, so it can be read without moving any control.
void frmNubora::showLastOutcome()
{
    const QString text = QStringLiteral("Último sondeo, %1: %2")
                             .arg(m_engine.lastPollTime().toString(QStringLiteral("HH:mm:ss")),
                                 m_engine.lastConditions().outcome);
    m_ui.Refrescar->setToolTip(text);
    m_ui.SSTab1->setTabToolTip(0, text);
}

QString frmNubora::DecimalSeparator()
{
    return NumberConversion::DecimalSeparator();
}

void frmNubora::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    event->accept();
}
bool frmNubora::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut) {
        // Opening the drop-down list, or switching to another program, is no loss of focus
        // for the station box.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
            Estacion_ID_LostFocus();
    }
    return QWidget::eventFilter(watched, event);
}

ConfigPage frmNubora::workingConfig() const
{
    ConfigPage config;
    config.API_key = m_ui.API_key->text();
    for (int i = 0; i < m_ui.Estacion_ID->count(); ++i)
        config.Estacion_ID.items.append(m_ui.Estacion_ID->itemText(i));
    config.Estacion_ID.text = m_ui.Estacion_ID->currentText();
    // The box keeps its last selection while its text is edited; a selection counts only while
    // the text still is that entry.
    const int index = m_ui.Estacion_ID->currentIndex();
    config.Estacion_ID.index
        = index >= 0 && m_ui.Estacion_ID->itemText(index) == config.Estacion_ID.text ? index : -1;
    config.T_Refresco = m_ui.T_Refresco->text();
    config.HumedadAlta = m_ui.HumedadAlta->text();
    config.LimiteViento = m_ui.LimiteViento->text();
    config.Lluvia_1h = fromCheckState(m_ui.Lluvia_1h);
    config.Cielo_Check[0] = fromCheckState(m_ui.Cielo_Check[0]);
    config.Cielo_Check[1] = fromCheckState(m_ui.Cielo_Check[1]);
    config.Path_Dat = m_ui.Path_Dat->text();
    config.GNS = fromCheckState(m_ui.GNS);
    config.Fuente = m_ui.Fuente->currentText();
    return config;
}

void frmNubora::showConfig(const ConfigPage& config)
{
    m_showing = true;
    m_ui.API_key->setText(config.API_key);
    showStations(config.Estacion_ID);
    m_ui.T_Refresco->setText(config.T_Refresco);
    m_ui.HumedadAlta->setText(config.HumedadAlta);
    m_ui.LimiteViento->setText(config.LimiteViento);
    setCheck(m_ui.Lluvia_1h, config.Lluvia_1h);
    setCheck(m_ui.Cielo_Check[0], config.Cielo_Check[0]);
    setCheck(m_ui.Cielo_Check[1], config.Cielo_Check[1]);
    showFolder(config.Path_Dat);
    setCheck(m_ui.GNS, config.GNS);
    // A hand-edited source that is not on the list shows as the default, as it is used.
    const int source = m_ui.Fuente->findText(config.Fuente);
    m_ui.Fuente->setCurrentIndex(source >= 0 ? source : 0);
    m_showing = false;
    pushConfig();
}

void frmNubora::showFolder(const QString& folder)
{
    const bool nested = m_showing;
    m_showing = true;
    m_ui.Path_Dat->setText(folder);
    // A long path shows its beginning, as it was typed, not its end.
    m_ui.Path_Dat->setCursorPosition(0);
    m_showing = nested;
    pushConfig();
}

void frmNubora::showStations(const StationCombo& stations)
{
    QComboBox* box = m_ui.Estacion_ID;
    {
        const QSignalBlocker blocker(box);
        box->clear();
        box->addItems(stations.items);
        box->setCurrentIndex(stations.index);
        box->setEditText(stations.text);
    }
    pushConfig();
}

void frmNubora::showConditions()
{
    const ConditionsPage& page = m_engine.conditionsPage();
    m_ui.Estacion->setText(page.Estacion);
    m_ui.Fecha_Hora->setText(page.Fecha_Hora);
    for (int i = 0; i < 3; ++i) {
        showField(m_ui.T[i], page.T[i]);
        showField(m_ui.V[i], page.V[i]);
    }
    for (int i = 0; i < 2; ++i) {
        showField(m_ui.P[i], page.P[i]);
        showField(m_ui.LL[i], page.LL[i]);
        showField(m_ui.C[i], page.C[i]);
    }
}

void frmNubora::showForecast()
{
    const ForecastPage& forecast = m_engine.forecastPage();
    m_ui.Estacion_Fct->setText(forecast.Estacion_Fct);
    m_ui.Fecha_Fct->setText(forecast.Fecha_Fct);
    const auto show = [](DisplayFieldEdit* edit, const DisplayField& field) {
        showField(edit, field);
        edit->setBold(field.bold);
    };
    for (int i = 0; i < ForecastPage::RowCount; ++i) {
        const ForecastRow& row = forecast.rows[i];
        show(m_ui.Hr_Fct[i], row.Hr_Fct);
        show(m_ui.T_Fct[i], row.T_Fct);
        show(m_ui.H_Fct[i], row.H_Fct);
        show(m_ui.V_Fct[i], row.V_Fct);
        show(m_ui.C_Fct[i], row.C_Fct);
    }
}
