#include "frmNubora.h"

#include "ConfigStore.h"
#include "DataFolderPicker.h"
#include "NuboraVersion.h"
#include "NumberConversion.h"
#include "SettingsStore.h"
#include "SourceRegistry.h"
#include "Twips.h"
#include "WindowPages.h"

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

namespace
{

constexpr double DefaultPositionTwips = 100.0;

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
    return WindowPages::readConfig(m_ui);
}

void frmNubora::showConfig(const ConfigPage& config)
{
    m_showing = true;
    WindowPages::showConfig(m_ui, config);
    m_showing = false;
    pushConfig();
}

void frmNubora::showFolder(const QString& folder)
{
    m_showing = true;
    WindowPages::showFolder(m_ui, folder);
    m_showing = false;
    pushConfig();
}

void frmNubora::showStations(const StationCombo& stations)
{
    WindowPages::showStations(m_ui, stations);
    pushConfig();
}

void frmNubora::showConditions()
{
    WindowPages::showConditions(m_ui, m_engine.conditionsPage());
}

void frmNubora::showForecast()
{
    WindowPages::showForecast(m_ui, m_engine.forecastPage());
}

void frmNubora::showPageLink(const QString& url)
{
    // Unnamed: not one of the window's controls, which keep their texts and places.
    auto* link = new QLabel(m_ui.pageAcerca);
    link->setText(QStringLiteral("Estado en el navegador: <a href=\"%1\">%1</a>").arg(url));
    link->setTextFormat(Qt::RichText);
    link->setOpenExternalLinks(true);
    link->setGeometry(Twips::toRect(360, 2400, 4215, 255));
    link->show();
}
