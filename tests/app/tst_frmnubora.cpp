#include "ConditionsDocument.h"
#include "DisplayFieldEdit.h"
#include "FolderChooser.h"
#include "HourlyDocument.h"
#include "LoopbackServer.h"
#include "PwsSource.h"
#include "RecordingSink.h"
#include "SettingsStore.h"
#include "SourceRegistry.h"
#include "StateDump.h"
#include "XmlSource.h"
#include "frmNubora.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <httplib.h>
#include <mutex>

namespace
{

class FakeFolderChooser : public FolderChooser
{
public:
    Result chooseFolder(const QString& title) override
    {
        titles << title;
        return next;
    }
    Result next { true, QString(), QString() };
    QStringList titles;
};

} // namespace

// The window driven as the user and the clock drive it: handlers, ticks, clicks.
class TestFrmNubora : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void firstRunDefaults();
    void storedSettingsAreShown();
    void manualRefreshRestartsTheCount();
    void shortPeriodsPollEveryTick_data();
    void shortPeriodsPollEveryTick();
    void periodNotANumberFromTheStart();
    void forecastEverySixtyTicksAfterConditions();
    void lockAfterSuccessfulDownload();
    void failedDownloadLeavesTheLock();
    void unloadSavesPositionOnlyWhenPositive();
    void positionOffEveryScreenFallsBack();
    void commaLocaleSeparator();
    void stateDumpNamesEveryControl();
    void rendersPollResults();

    void typedStationThenAceptarClick_data();
    void typedStationThenAceptarClick();
    void lostFocusDuplicatesByCase();
    void aceptarStoresAndPollsCancelarRestores();
    void sourceChoiceStoredAndUsed();
    void cancelarWithNothingStoredKeepsAddedEntries();
    void editedTextDropsTheSelection();
    void folderChooser();
    void lookupThenCancelAndAccept();
    void typedPrefixOfAnEntryIsKeptAsTyped();
    void typedCaseVariantThenEnterIsKeptAsTyped();

private:
    std::unique_ptr<frmNubora> makeWindow();
    // Shows the window on "Config." with the station box focused and its text replaced by
    // `typed`, keystroke by keystroke.
    QComboBox* typeInStationBox(frmNubora& window, const QString& typed);
    int count(const QString& kind) const;
    QStringList paths() const;

    LoopbackServer m_server;
    mutable std::mutex m_mutex;
    QStringList m_paths;
    int m_status = 200;
    QByteArray m_conditions;

    QTemporaryDir m_dir;
    std::unique_ptr<SettingsStore> m_store;
    std::unique_ptr<XmlSource> m_service;
    RecordingSink m_sink;
    FakeFolderChooser m_chooser;
    std::vector<std::unique_ptr<Engine>> m_engines;
};

void TestFrmNubora::initTestCase()
{
    m_server.server().Get(
        R"(/api/.*)", [this](const httplib::Request& request, httplib::Response& response) {
            std::lock_guard<std::mutex> lock(m_mutex);
            const QString path = QString::fromStdString(request.path);
            m_paths << path;
            response.status = m_status;
            if (path.contains("/conditions/"))
                response.set_content(m_conditions.toStdString(), "text/xml");
            else if (path.contains("/hourly/"))
                response.set_content(
                    HourlyDocument::withEntries(12).toXml().toStdString(), "text/xml");
            else
                response.set_content(
                    "<response><location><nearby_weather_stations><pws>"
                    "<station><id>IUNO</id></station><station><id>IDOS</id></station>"
                    "</pws></nearby_weather_stations></location></response>",
                    "text/xml");
        });
    QVERIFY(m_server.start());
    QVERIFY(m_dir.isValid());
    // The default data folder is the home folder; keep the user's own out of the tests.
    qputenv("HOME", m_dir.path().toLocal8Bit());
}

void TestFrmNubora::init()
{
    QLocale::setDefault(QLocale::c());
    // QSettings caches a file per path: the old store must go before the file does.
    m_store.reset();
    QFile::remove(m_dir.filePath("settings.ini"));
    m_store = std::make_unique<SettingsStore>(m_dir.filePath("settings.ini"));
    m_service = std::make_unique<XmlSource>(m_server.baseUrl());
    m_sink.alerts.clear();
    m_chooser = FakeFolderChooser();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_paths.clear();
    m_status = 200;
    m_conditions = ConditionsDocument().toXml();
}

void TestFrmNubora::cleanup()
{
    m_engines.clear();
    QLocale::setDefault(QLocale::c());
}

std::unique_ptr<frmNubora> TestFrmNubora::makeWindow()
{
    EngineContext context { *m_store, *m_service };
    context.alertSink = &m_sink;
    context.clock = [] { return QDateTime(QDate(2026, 12, 6), QTime(7, 5, 9)); };
    // Each window's engine outlives it: they go in cleanup(), after the test's windows.
    m_engines.push_back(std::make_unique<Engine>(context));
    return std::make_unique<frmNubora>(*m_engines.back(), &m_chooser);
}

QComboBox* TestFrmNubora::typeInStationBox(frmNubora& window, const QString& typed)
{
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return nullptr;
    window.activateWindow();
    window.ui().SSTab1->setCurrentIndex(2);
    QComboBox* box = window.ui().Estacion_ID;
    box->setFocus();
    box->lineEdit()->selectAll();
    QTest::keyClick(box->lineEdit(), Qt::Key_Delete);
    QTest::keyClicks(box->lineEdit(), typed);
    return box;
}

int TestFrmNubora::count(const QString& kind) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return int(std::count_if(m_paths.begin(), m_paths.end(),
        [&kind](const QString& path) { return path.contains(kind); }));
}

QStringList TestFrmNubora::paths() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_paths;
}

void TestFrmNubora::firstRunDefaults()
{
    auto window = makeWindow();
    window->Form_Load();
    const WindowLayout& ui = window->ui();
    QCOMPARE(ui.API_key->text(), QString());
    QCOMPARE(ui.Estacion_ID->count(), 0);
    QCOMPARE(ui.Estacion_ID->currentIndex(), -1);
    QCOMPARE(ui.Estacion_ID->currentText(), QString());
    QCOMPARE(ui.T_Refresco->text(), QString("5"));
    QCOMPARE(ui.HumedadAlta->text(), QString("80"));
    QCOMPARE(ui.LimiteViento->text(), QString("15"));
    QCOMPARE(ui.Lluvia_1h->checkState(), Qt::Checked);
    QCOMPARE(ui.Cielo_Check[0]->checkState(), Qt::Unchecked);
    QCOMPARE(ui.Cielo_Check[1]->checkState(), Qt::Unchecked);
    QCOMPARE(ui.Path_Dat->text(), QDir::homePath());
    QCOMPARE(ui.GNS->checkState(), Qt::Unchecked);
    QCOMPARE(ui.lblVersion->text(), QString("Versión 1.0.6"));
    QCOMPARE(ui.SSTab1->currentIndex(), 0);
    QVERIFY(window->engine().schedule().Timer1->isActive());
    QCOMPARE(window->engine().schedule().Timer1->interval(), 60000);
    QCOMPARE(window->positionTwips(), QPointF(100, 100));
    QCOMPARE(count("/conditions/"), 1);
    QCOMPARE(count("/hourly/"), 1);
    QCOMPARE(paths().first(), QString("/api//conditions/lang:SP/q/pws:.xml"));
    QCOMPARE(window->engine().ObservationField.size(), 17);
    QCOMPARE(window->engine().ObservationField.first(), QString("error"));
    QCOMPARE(window->engine().ObservationField.last(), QString("weather"));
    QCOMPARE(window->engine().DecimalSep, QString("."));
    // Defaults are not written back.
    m_store->sync();
    QVERIFY(!QFile::exists(m_dir.filePath("settings.ini")));
}

void TestFrmNubora::storedSettingsAreShown()
{
    m_store->SaveSetting("Setup", "API_key", "abc");
    m_store->SaveSetting("Setup", "Estacion_ID_N", "2");
    m_store->SaveSetting("Setup", "Estacion_ID(0)", "IUNO");
    m_store->SaveSetting("Setup", "Estacion_ID(1)", "IDOS");
    m_store->SaveSetting("Setup", "Estacion_ID", "1");
    m_store->SaveSetting("Setup", "T_Refresco", "abc");
    m_store->SaveSetting("Setup", "Lluvia_1h", "0");
    m_store->SaveSetting("Setup", "Cielo_Setup_Check1", "1");
    m_store->SaveSetting("Setup", "Path_Dat", "");
    m_store->SaveSetting("Setup", "GNS", "1");
    auto window = makeWindow();
    window->Form_Load();
    const WindowLayout& ui = window->ui();
    QCOMPARE(ui.API_key->text(), QString("abc"));
    QCOMPARE(ui.Estacion_ID->currentText(), QString("IDOS"));
    QCOMPARE(ui.T_Refresco->text(), QString("abc"));
    QCOMPARE(ui.Lluvia_1h->checkState(), Qt::Unchecked);
    QCOMPARE(ui.Cielo_Check[1]->checkState(), Qt::Checked);
    QCOMPARE(ui.Path_Dat->text(), QDir::homePath());
    QCOMPARE(ui.GNS->checkState(), Qt::Checked);
    // "abc" fails the first poll before its download; the forecast still runs.
    QCOMPARE(count("/conditions/"), 0);
    QCOMPARE(count("/hourly/"), 1);
    QCOMPARE(m_sink.alerts, QStringList { "Fallo en Nubora" });
}

void TestFrmNubora::manualRefreshRestartsTheCount()
{
    auto window = makeWindow();
    window->Form_Load();
    QCOMPARE(window->engine().Periodo_Refresco(), qint16(5));
    for (int i = 0; i < 4; ++i)
        window->Timer1_Timer();
    QCOMPARE(count("/conditions/"), 1);
    window->Refrescar_Click();
    QCOMPARE(count("/conditions/"), 2);
    for (int i = 0; i < 4; ++i)
        window->Timer1_Timer();
    QCOMPARE(count("/conditions/"), 2);
    window->Timer1_Timer();
    QCOMPARE(count("/conditions/"), 3);
    QCOMPARE(window->engine().schedule().Cuenta_Refresco, qint16(0));
    QCOMPARE(window->engine().schedule().Cuenta_Fct, qint16(9));
    window->Refrescar_Fct_Click();
    QCOMPARE(window->engine().schedule().Cuenta_Fct, qint16(0));
    QCOMPARE(count("/hourly/"), 2);
}

void TestFrmNubora::shortPeriodsPollEveryTick_data()
{
    QTest::addColumn<QString>("period");
    QTest::newRow("0") << "0";
    QTest::newRow("negative") << "-7";
    QTest::newRow("1") << "1";
    QTest::newRow("0.4 rounds to 0") << "0.4";
}

void TestFrmNubora::shortPeriodsPollEveryTick()
{
    QFETCH(QString, period);
    m_store->SaveSetting("Setup", "T_Refresco", period);
    auto window = makeWindow();
    window->Form_Load();
    for (int i = 0; i < 3; ++i)
        window->Timer1_Timer();
    QCOMPARE(count("/conditions/"), 4);
}

void TestFrmNubora::periodNotANumberFromTheStart()
{
    m_store->SaveSetting("Setup", "T_Refresco", "abc");
    auto window = makeWindow();
    window->Form_Load();
    for (int i = 0; i < 3; ++i) {
        window->Timer1_Timer();
        QCOMPARE(window->engine().Periodo_Refresco(), qint16(0));
        QCOMPARE(window->engine().schedule().Cuenta_Refresco, qint16(0));
    }
    QCOMPARE(count("/conditions/"), 0);
    // A number typed into the box, even unaccepted, applies from the next poll on.
    window->ui().T_Refresco->setText("2");
    window->Timer1_Timer();
    QCOMPARE(count("/conditions/"), 1);
    QCOMPARE(window->engine().Periodo_Refresco(), qint16(2));
    window->Timer1_Timer();
    QCOMPARE(count("/conditions/"), 1);
    window->Timer1_Timer();
    QCOMPARE(count("/conditions/"), 2);
}

void TestFrmNubora::forecastEverySixtyTicksAfterConditions()
{
    auto window = makeWindow();
    window->Form_Load();
    for (int i = 0; i < 59; ++i)
        window->Timer1_Timer();
    QCOMPARE(count("/hourly/"), 1);
    window->Timer1_Timer();
    QCOMPARE(count("/hourly/"), 2);
    const QStringList all = paths();
    QVERIFY(all.at(all.size() - 2).contains("/conditions/"));
    QVERIFY(all.last().contains("/hourly/"));
    QCOMPARE(window->engine().schedule().Cuenta_Fct, qint16(0));
}

void TestFrmNubora::lockAfterSuccessfulDownload()
{
    auto window = makeWindow();
    window->Form_Load();
    const WindowLayout& ui = window->ui();
    QVERIFY(
        !ui.Aceptar->isEnabled() && !ui.Refrescar->isEnabled() && !ui.Refrescar_Fct->isEnabled());
    QVERIFY(window->engine().schedule().Timer2->isActive());
    QCOMPARE(window->engine().schedule().Timer2->interval(), 20000);
    QVERIFY(ui.Cancelar->isEnabled() && ui.Buscar->isEnabled() && ui.Command1->isEnabled());
    // A locked button ignores a click.
    window->show();
    QTest::mouseClick(ui.Refrescar, Qt::LeftButton);
    QCOMPARE(count("/conditions/"), 1);
    window->Timer2_Timer();
    QVERIFY(ui.Aceptar->isEnabled() && ui.Refrescar->isEnabled() && ui.Refrescar_Fct->isEnabled());
    QVERIFY(!window->engine().schedule().Timer2->isActive());
    QTest::mouseClick(ui.Refrescar, Qt::LeftButton);
    QCOMPARE(count("/conditions/"), 2);
}

void TestFrmNubora::failedDownloadLeavesTheLock()
{
    m_status = 500;
    auto window = makeWindow();
    window->Form_Load();
    const WindowLayout& ui = window->ui();
    QVERIFY(ui.Aceptar->isEnabled() && ui.Refrescar->isEnabled() && ui.Refrescar_Fct->isEnabled());
    QVERIFY(!window->engine().schedule().Timer2->isActive());
    // Why the poll failed is on the button and the page's tab, no control moved.
    QVERIFY2(ui.Refrescar->toolTip().endsWith(": failed load: HTTP status 500"),
        qPrintable(ui.Refrescar->toolTip()));
    QCOMPARE(ui.SSTab1->tabToolTip(0), ui.Refrescar->toolTip());
    // Locked by a success, then a failure: still locked, with Timer2 stopped.
    m_status = 200;
    window->Refrescar_Click();
    QVERIFY(!ui.Refrescar->toolTip().contains("failed load"));
    m_status = 500;
    window->Refrescar_Fct_Click();
    QVERIFY(!ui.Refrescar->isEnabled());
    QVERIFY(!window->engine().schedule().Timer2->isActive());
}

void TestFrmNubora::unloadSavesPositionOnlyWhenPositive()
{
    {
        auto window = makeWindow();
        window->Form_Load();
        window->Form_Unload();
    }
    m_store->sync();
    QCOMPARE(m_store->GetSetting("Ventana", "Posicion_Superior", 0), QString("100"));
    QCOMPARE(m_store->GetSetting("Ventana", "Posicion_Izquierda", 0), QString("100"));
    {
        auto window = makeWindow();
        window->Form_Load();
        window->move(20, 30);
        window->close();
    }
    QCOMPARE(m_store->GetSetting("Ventana", "Posicion_Superior", 0), QString("450"));
    QCOMPARE(m_store->GetSetting("Ventana", "Posicion_Izquierda", 0), QString("300"));
    for (const QPoint& edge : { QPoint(0, 40), QPoint(40, 0) }) {
        auto window = makeWindow();
        window->Form_Load();
        QCOMPARE(window->positionTwips(), QPointF(300, 450));
        window->move(edge);
        window->Form_Unload();
        QCOMPARE(m_store->GetSetting("Ventana", "Posicion_Superior", 0), QString("450"));
        QCOMPARE(m_store->GetSetting("Ventana", "Posicion_Izquierda", 0), QString("300"));
    }
}

void TestFrmNubora::positionOffEveryScreenFallsBack()
{
    m_store->SaveSetting("Ventana", "Posicion_Superior", "900000");
    m_store->SaveSetting("Ventana", "Posicion_Izquierda", "-900000");
    auto window = makeWindow();
    window->Form_Load();
    QCOMPARE(window->positionTwips(), QPointF(100, 100));
    m_store->SaveSetting("Ventana", "Posicion_Superior", "no es un número");
    auto second = makeWindow();
    second->Form_Load();
    QCOMPARE(second->positionTwips(), QPointF(100, 100));
}

void TestFrmNubora::commaLocaleSeparator()
{
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
    auto window = makeWindow();
    window->Form_Load();
    QCOMPARE(window->engine().DecimalSep, QString(","));
    QCOMPARE(window->ui().T[0]->text(), QString("12,3"));
}

void TestFrmNubora::stateDumpNamesEveryControl()
{
    auto window = makeWindow();
    window->Form_Load();
    const QJsonObject root = QJsonDocument::fromJson(StateDump::toJson(*window)).object();
    QCOMPARE(root.value("caption").toString(), QString("Nubora (07:05:09)"));
    QCOMPARE(root.value("page").toString(), QString("Actual"));
    QCOMPARE(root.value("position").toObject().value("top").toDouble(), 100.0);
    const QJsonObject controls = root.value("controls").toObject();
    for (const char* name : { "T(0)", "T(2)", "V(2)", "P(1)", "LL(1)", "C(1)", "Hr_Fct(9)",
             "C_Fct(0)", "Cielo_Check(1)", "Line1(1)", "lblVersion", "Estacion", "Aceptar",
             "SSTab1", "Label22", "Image4", "Lluvia_1h", "Estacion_ID" })
        QVERIFY2(controls.contains(name), name);
    QVERIFY(!controls.contains("T_0"));
    const QJsonObject t0 = controls.value("T(0)").toObject();
    QCOMPARE(t0.value("text").toString(), QString("12.3"));
    QCOMPARE(t0.value("background").toString(), QString("#E0E0E0"));
    QCOMPARE(t0.value("bold").toBool(), false);
    QCOMPARE(controls.value("T(1)").toObject().value("background").toString(), QString("#80FF80"));
    QCOMPARE(controls.value("T(1)").toObject().value("bold").toBool(), true);
    QCOMPARE(controls.value("V(1)").toObject().value("background").toString(), QString("#80FF80"));
    QCOMPARE(controls.value("Lluvia_1h").toObject().value("checked").toInt(), 1);
    QCOMPARE(controls.value("Lluvia_1h").toObject().value("text").toString(),
        QString("Sin lluvia ult. hora"));
    QCOMPARE(controls.value("Aceptar").toObject().value("enabled").toBool(), false);
    QCOMPARE(controls.value("Timer2").toObject().value("interval").toInt(), 20000);
    QCOMPARE(controls.value("Timer2").toObject().value("enabled").toBool(), true);
    QCOMPARE(controls.value("Estacion_ID").toObject().value("index").toInt(), -1);
    QVERIFY(controls.value("Estacion_ID").toObject().value("items").isArray());
}

void TestFrmNubora::rendersPollResults()
{
    m_conditions = ConditionsDocument()
                       .set("relative_humidity", "91%")
                       .set("weather", "Nubes dispersas")
                       .toXml();
    auto window = makeWindow();
    window->Form_Load();
    const WindowLayout& ui = window->ui();
    QCOMPARE(window->windowTitle(), QString("Nubora (07:05:09)"));
    QCOMPARE(ui.Estacion->text(), QString("Tres Cantos, Madrid"));
    QCOMPARE(ui.T[1]->text(), QString("91"));
    QCOMPARE(ui.T[1]->background(), FieldColour::Yellow);
    QCOMPARE(ui.C[1]->background(), FieldColour::Yellow);
    QCOMPARE(ui.V[0]->background(), FieldColour::Green);
    QCOMPARE(m_sink.alerts, QStringList()); // GNS unticked
    // The forecast copies the station caption and fills ten rows.
    QCOMPARE(ui.Estacion_Fct->text(), QString("Tres Cantos, Madrid"));
    QVERIFY(!ui.Hr_Fct[9]->text().isEmpty());
    QCOMPARE(ui.Fecha_Fct->text(), QString("domingo, 15 de mar de 2026"));
}

void TestFrmNubora::typedStationThenAceptarClick_data()
{
    QTest::addColumn<bool>("buttonTakesFocus");
    QTest::newRow("the click moves the focus") << true;
    QTest::newRow("the click leaves the focus (as on macOS)") << false;
}

void TestFrmNubora::typedStationThenAceptarClick()
{
    QFETCH(bool, buttonTakesFocus);
    auto window = makeWindow();
    window->Form_Load();
    window->Timer2_Timer();
    QComboBox* box = typeInStationBox(*window, "IMADRID7");
    QVERIFY(box);
    QVERIFY(box->hasFocus() || box->lineEdit()->hasFocus());
    if (!buttonTakesFocus)
        window->ui().Aceptar->setFocusPolicy(Qt::NoFocus);
    QTest::mouseClick(window->ui().Aceptar, Qt::LeftButton);
    QCOMPARE(box->count(), 1);
    QCOMPARE(box->currentIndex(), 0);
    QCOMPARE(m_store->GetSetting("Setup", "Estacion_ID_N", 0), QString("1"));
    QCOMPARE(m_store->GetSetting("Setup", "Estacion_ID(0)", ""), QString("IMADRID7"));
    QCOMPARE(m_store->GetSetting("Setup", "Estacion_ID", 0), QString("0"));
    QVERIFY(paths().last().contains("/hourly/lang:SP/q/pws:IMADRID7.xml"));
    // The next start shows it selected.
    window->Form_Unload();
    auto next = makeWindow();
    next->Form_Load();
    QCOMPARE(next->ui().Estacion_ID->currentText(), QString("IMADRID7"));
}

void TestFrmNubora::lostFocusDuplicatesByCase()
{
    auto window = makeWindow();
    window->Form_Load();
    QComboBox* box = window->ui().Estacion_ID;
    box->setEditText("IUNO");
    window->Estacion_ID_LostFocus();
    box->setEditText("IDOS");
    window->Estacion_ID_LostFocus();
    box->setEditText("IUNO");
    window->Estacion_ID_LostFocus();
    QCOMPARE(box->count(), 2);
    QCOMPARE(box->currentIndex(), 0);
    box->setEditText("iuno");
    window->Estacion_ID_LostFocus();
    QCOMPARE(box->count(), 3);
    QCOMPARE(box->currentIndex(), 2);
    box->setEditText("");
    window->Estacion_ID_LostFocus();
    QCOMPARE(box->count(), 3);
}

void TestFrmNubora::aceptarStoresAndPollsCancelarRestores()
{
    auto window = makeWindow();
    window->Form_Load();
    WindowLayout& ui = window->ui();
    for (const char* id : { "I1", "I2", "I3" }) {
        ui.Estacion_ID->setEditText(id);
        window->Estacion_ID_LostFocus();
    }
    ui.T_Refresco->setText("abc");
    ui.Path_Dat->setText("");
    ui.GNS->setCheckState(Qt::Checked);
    ui.SSTab1->setCurrentIndex(2);
    window->engine().schedule().Cuenta_Refresco = 3;
    window->engine().schedule().Cuenta_Fct = 7;
    window->Aceptar_Click();
    QCOMPARE(ui.SSTab1->currentIndex(), 0);
    QCOMPARE(window->engine().schedule().Cuenta_Fct, qint16(0));
    QCOMPARE(ui.Path_Dat->text(), QDir::homePath());
    QCOMPARE(m_store->GetSetting("Setup", "Path_Dat", "x"), QDir::homePath());
    QCOMPARE(m_store->GetSetting("Setup", "T_Refresco", "x"), QString("abc"));
    QCOMPARE(m_store->GetSetting("Setup", "GNS", "x"), QString("1"));
    QCOMPARE(m_store->GetSetting("Setup", "Estacion_ID", "x"), QString("2"));
    QCOMPARE(count("/hourly/"), 2);
    // "abc": the conditions poll fails before its download and alerts.
    QCOMPARE(count("/conditions/"), 1);
    QCOMPARE(m_sink.alerts, QStringList { "Fallo en Nubora" });

    ui.Estacion_ID->setEditText("I4");
    window->Estacion_ID_LostFocus();
    ui.GNS->setCheckState(Qt::Unchecked);
    ui.SSTab1->setCurrentIndex(2);
    window->Cancelar_Click();
    QCOMPARE(ui.Estacion_ID->count(), 3);
    QCOMPARE(ui.Estacion_ID->currentText(), QString("I3"));
    QCOMPARE(ui.GNS->checkState(), Qt::Checked);
    QCOMPARE(ui.SSTab1->currentIndex(), 0);
    QCOMPARE(count("/hourly/"), 2);
}

void TestFrmNubora::sourceChoiceStoredAndUsed()
{
    // The station-owner requests find nothing on this server: only the XML ones are counted.
    const PwsSource pws(m_server.baseUrl(), m_server.baseUrl());
    SourceRegistry source(
        { { SourceRegistry::Xml, m_service.get() }, { SourceRegistry::Pws, &pws } });
    EngineContext context { *m_store, source };
    context.sources = &source;
    Engine engine(context);
    frmNubora window(engine, nullptr);
    window.Form_Load();
    WindowLayout& ui = window.ui();
    QCOMPARE(ui.Fuente->currentText(), QString("WU"));
    QCOMPARE(count("/conditions/"), 1);
    QVERIFY(ui.lblCredito->isHidden());

    ui.Fuente->setCurrentText("PWS");
    window.Aceptar_Click();
    QCOMPARE(m_store->GetSetting("Setup", "Fuente", "x"), QString("PWS"));
    QCOMPARE(count("/conditions/"), 1);
    QCOMPARE(count("/hourly/"), 1);
    QVERIFY(!ui.lblCredito->isHidden());

    ui.Fuente->setCurrentText("WU");
    window.Cancelar_Click();
    QCOMPARE(ui.Fuente->currentText(), QString("PWS"));
    ui.Fuente->setCurrentText("WU");
    window.Aceptar_Click();
    QCOMPARE(count("/conditions/"), 2);
    QVERIFY(ui.lblCredito->isHidden());
}

void TestFrmNubora::cancelarWithNothingStoredKeepsAddedEntries()
{
    auto window = makeWindow();
    window->Form_Load();
    QComboBox* box = window->ui().Estacion_ID;
    box->setEditText("INUEVA");
    window->Estacion_ID_LostFocus();
    window->Cancelar_Click();
    QCOMPARE(box->count(), 1);
    QCOMPARE(box->currentIndex(), -1);
    QCOMPARE(box->currentText(), QString());
}

void TestFrmNubora::editedTextDropsTheSelection()
{
    m_store->SaveSetting("Setup", "Estacion_ID_N", "2");
    m_store->SaveSetting("Setup", "Estacion_ID(0)", "IUNO");
    m_store->SaveSetting("Setup", "Estacion_ID(1)", "IDOS");
    m_store->SaveSetting("Setup", "Estacion_ID", "1");
    auto window = makeWindow();
    window->Form_Load();
    window->Timer2_Timer();
    window->ui().Estacion_ID->setEditText(QString());
    window->Aceptar_Click();
    // The polls asked for no station, so no station is stored as selected.
    QVERIFY(paths().last().endsWith("/q/pws:.xml"));
    QCOMPARE(m_store->GetSetting("Setup", "Estacion_ID", 9), QString("-1"));
}

void TestFrmNubora::folderChooser()
{
    auto window = makeWindow();
    window->Form_Load();
    QLineEdit* path = window->ui().Path_Dat;
    m_chooser.next = { true, m_dir.path(), QString() };
    window->Command1_Click();
    QCOMPARE(path->text(), m_dir.path());
    QCOMPARE(m_chooser.titles, QStringList { " ... Seleccione una carpeta " });
    // Only shown: the stored folder is unchanged until Aceptar.
    QCOMPARE(m_store->GetSetting("Setup", "Path_Dat", "none"), QString("none"));
    m_chooser.next = { true, QString(), QString() };
    window->Command1_Click();
    QCOMPARE(path->text(), m_dir.path());
}

void TestFrmNubora::lookupThenCancelAndAccept()
{
    m_store->SaveSetting("Setup", "Estacion_ID_N", "1");
    m_store->SaveSetting("Setup", "Estacion_ID(0)", "IGUARDADA");
    m_store->SaveSetting("Setup", "Estacion_ID", "0");
    auto window = makeWindow();
    window->Form_Load();
    QComboBox* box = window->ui().Estacion_ID;
    window->Buscar_Click();
    QCOMPARE(box->count(), 2);
    QCOMPARE(box->currentText(), QString("IUNO"));
    QVERIFY(paths().last().endsWith("/geolookup/q/autoip.xml"));
    window->Cancelar_Click();
    QCOMPARE(box->count(), 1);
    QCOMPARE(box->currentText(), QString("IGUARDADA"));
    window->Buscar_Click();
    window->Buscar_Click();
    QCOMPARE(box->count(), 2);
    window->Timer2_Timer();
    window->Aceptar_Click();
    QCOMPARE(m_store->GetSetting("Setup", "Estacion_ID_N", 0), QString("2"));
    QCOMPARE(m_store->GetSetting("Setup", "Estacion_ID(1)", ""), QString("IDOS"));
    QCOMPARE(m_store->GetSetting("Setup", "Estacion_ID", 9), QString("0"));
}

// The station box offers no completion of its own: what the user types is the identifier that
// is compared with the entries, appended, stored and asked for.
void TestFrmNubora::typedPrefixOfAnEntryIsKeptAsTyped()
{
    m_store->SaveSetting("Setup", "Estacion_ID_N", "1");
    m_store->SaveSetting("Setup", "Estacion_ID(0)", "IMADRID12");
    m_store->SaveSetting("Setup", "Estacion_ID", "0");
    auto window = makeWindow();
    window->Form_Load();
    window->Timer2_Timer();
    QComboBox* box = typeInStationBox(*window, "IMADRID1");
    QVERIFY(box);
    QTest::mouseClick(window->ui().Aceptar, Qt::LeftButton);
    QCOMPARE(box->count(), 2);
    QCOMPARE(box->itemText(1), QString("IMADRID1"));
    QCOMPARE(box->currentIndex(), 1);
    QCOMPARE(m_store->GetSetting("Setup", "Estacion_ID(1)", ""), QString("IMADRID1"));
    QVERIFY(paths().last().endsWith("/hourly/lang:SP/q/pws:IMADRID1.xml"));
}

// Enter in the station box does nothing of its own: an identifier that differs from an entry
// only in case still becomes a second entry when the box loses the focus.
void TestFrmNubora::typedCaseVariantThenEnterIsKeptAsTyped()
{
    m_store->SaveSetting("Setup", "Estacion_ID_N", "1");
    m_store->SaveSetting("Setup", "Estacion_ID(0)", "IUNO");
    m_store->SaveSetting("Setup", "Estacion_ID", "0");
    auto window = makeWindow();
    window->Form_Load();
    QComboBox* box = typeInStationBox(*window, "iuno");
    QVERIFY(box);
    QTest::keyClick(box->lineEdit(), Qt::Key_Return);
    window->ui().API_key->setFocus();
    QCOMPARE(box->count(), 2);
    QCOMPARE(box->itemText(1), QString("iuno"));
    QCOMPARE(box->currentIndex(), 1);
    QCOMPARE(box->currentText(), QString("iuno"));
}

QTEST_MAIN(TestFrmNubora)
#include "tst_frmnubora.moc"
