#include "ConfigPage.h"
#include "ConfigStore.h"
#include "DataFolderPicker.h"
#include "FolderChooser.h"
#include "SettingsStore.h"

#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using ConfigStore::Setup;

namespace
{

class FakeChooser : public FolderChooser
{
public:
    explicit FakeChooser(Result result)
        : m_result(std::move(result))
    {
    }
    Result chooseFolder(const QString& title) override
    {
        titles << title;
        return m_result;
    }
    QStringList titles;

private:
    Result m_result;
};

ConfigPage pageWithStations(const QStringList& stations, int selected)
{
    ConfigPage page;
    page.Estacion_ID.items = stations;
    page.Estacion_ID.select(selected);
    return page;
}

} // namespace

class TestConfigPage : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void firstRunDefaults();
    void acceptFiveThenThree();
    void cancelWithNothingStored();
    void cancelAfterAddingAFourth();
    void acceptStoresTextsAsTyped();
    void acceptReplacesAnEmptyFolder();
    void storedEmptyFolder();
    void countBeyondTheStoredEntries();
    void handEditedValuesFallBack();
    void unusableCountLeavesTheList_data();
    void unusableCountLeavesTheList();

    void folderChooser_data();
    void folderChooser();

private:
    // The store as the next start of the program sees it.
    std::unique_ptr<SettingsStore> reopen();

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<SettingsStore> m_store;
};

void TestConfigPage::init()
{
    m_store.reset();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_store = std::make_unique<SettingsStore>(m_dir->filePath(QStringLiteral("Nubora.ini")));
}

std::unique_ptr<SettingsStore> TestConfigPage::reopen()
{
    m_store->sync();
    return std::make_unique<SettingsStore>(m_store->fileName());
}

void TestConfigPage::firstRunDefaults()
{
    ConfigPage page;
    ConfigStore::restore(*m_store, page, true);

    QCOMPARE(page.API_key, QString());
    QVERIFY(page.Estacion_ID.items.isEmpty());
    QCOMPARE(page.Estacion_ID.index, -1);
    QCOMPARE(page.T_Refresco, QStringLiteral("5"));
    QCOMPARE(page.HumedadAlta, QStringLiteral("80"));
    QCOMPARE(page.LimiteViento, QStringLiteral("15"));
    QCOMPARE(page.Lluvia_1h, 1);
    QCOMPARE(page.Cielo_Check, (std::array<int, 2> { 0, 0 }));
    QCOMPARE(page.Path_Dat, ConfigStore::defaultDataFolder());
    QCOMPARE(page.GNS, 0);
}

void TestConfigPage::acceptFiveThenThree()
{
    ConfigPage five = pageWithStations({ "I1", "I2", "I3", "I4", "I5" }, 4);
    ConfigStore::save(*m_store, five);
    ConfigPage three = pageWithStations({ "J1", "J2", "J3" }, 1);
    ConfigStore::save(*m_store, three);

    const auto next = reopen();
    QCOMPARE(next->GetSetting(Setup, QStringLiteral("Estacion_ID_N"), 0), QStringLiteral("3"));
    QCOMPARE(next->GetSetting(Setup, QStringLiteral("Estacion_ID"), -1), QStringLiteral("1"));
    QCOMPARE(next->GetSetting(Setup, ConfigStore::stationKey(3), QString()), QStringLiteral("I4"));
    QCOMPARE(next->GetSetting(Setup, ConfigStore::stationKey(4), QString()), QStringLiteral("I5"));

    ConfigPage shown;
    ConfigStore::restore(*next, shown, true);
    QCOMPARE(shown.Estacion_ID.items, (QStringList { "J1", "J2", "J3" }));
    QCOMPARE(shown.Estacion_ID.index, 1);
    QCOMPARE(shown.Estacion_ID.text, QStringLiteral("J2"));
}

void TestConfigPage::cancelWithNothingStored()
{
    ConfigPage page = pageWithStations({ "IADDED1", "IADDED2" }, 1);

    ConfigStore::restore(*m_store, page, false);

    QCOMPARE(page.Estacion_ID.items, (QStringList { "IADDED1", "IADDED2" }));
    QCOMPARE(page.Estacion_ID.index, -1);
    QCOMPARE(page.Estacion_ID.text, QString());
}

void TestConfigPage::cancelAfterAddingAFourth()
{
    ConfigPage page = pageWithStations({ "I1", "I2", "I3" }, 2);
    ConfigStore::save(*m_store, page);
    page.Estacion_ID.text = QStringLiteral("I4");
    page.Estacion_ID.commitTypedText();
    QCOMPARE(page.Estacion_ID.items.size(), 4);

    ConfigStore::restore(*m_store, page, false);

    QCOMPARE(page.Estacion_ID.items, (QStringList { "I1", "I2", "I3" }));
    QCOMPARE(page.Estacion_ID.index, 2);
    QCOMPARE(page.Estacion_ID.text, QStringLiteral("I3"));
}

void TestConfigPage::acceptStoresTextsAsTyped()
{
    ConfigPage page = pageWithStations({ "I1", "", "I1", " I2 " }, 3);
    page.API_key = QStringLiteral(" a/b c ");
    page.T_Refresco = QStringLiteral("abc");
    page.HumedadAlta = QStringLiteral("80,5");
    page.LimiteViento = QStringLiteral(" 15 ");
    page.Lluvia_1h = 0;
    page.Cielo_Check = { 1, 2 };
    page.Path_Dat = QStringLiteral("/srv/obs, datos");
    page.GNS = 1;
    ConfigStore::save(*m_store, page);
    QCOMPARE(m_store->GetSetting(Setup, QStringLiteral("T_Refresco"), 5), QStringLiteral("abc"));

    ConfigPage shown;
    ConfigStore::restore(*reopen(), shown, true);

    QCOMPARE(shown.API_key, page.API_key);
    QCOMPARE(shown.Estacion_ID.items, page.Estacion_ID.items);
    QCOMPARE(shown.Estacion_ID.index, 3);
    QCOMPARE(shown.T_Refresco, QStringLiteral("abc"));
    QCOMPARE(shown.HumedadAlta, QStringLiteral("80,5"));
    QCOMPARE(shown.LimiteViento, QStringLiteral(" 15 "));
    QCOMPARE(shown.Lluvia_1h, 0);
    QCOMPARE(shown.Cielo_Check, (std::array<int, 2> { 1, 2 }));
    QCOMPARE(shown.Path_Dat, QStringLiteral("/srv/obs, datos"));
    QCOMPARE(shown.GNS, 1);
}

void TestConfigPage::acceptReplacesAnEmptyFolder()
{
    ConfigPage page;
    ConfigStore::save(*m_store, page);

    QCOMPARE(page.Path_Dat, ConfigStore::defaultDataFolder());
    QCOMPARE(m_store->GetSetting(Setup, QStringLiteral("Path_Dat"), QStringLiteral("unset")),
        ConfigStore::defaultDataFolder());
}

void TestConfigPage::storedEmptyFolder()
{
    m_store->SaveSetting(Setup, QStringLiteral("Path_Dat"), QString());

    ConfigPage atStart;
    ConfigStore::restore(*m_store, atStart, true);
    QCOMPARE(atStart.Path_Dat, ConfigStore::defaultDataFolder());
    QCOMPARE(ConfigStore::dataFolder(*m_store), ConfigStore::defaultDataFolder());

    ConfigPage cancelled;
    cancelled.Path_Dat = QStringLiteral("/tmp/elsewhere");
    ConfigStore::restore(*m_store, cancelled, false);
    QCOMPARE(cancelled.Path_Dat, QString());
}

void TestConfigPage::countBeyondTheStoredEntries()
{
    m_store->SaveSetting(Setup, QStringLiteral("Estacion_ID_N"), QStringLiteral("2"));
    m_store->SaveSetting(Setup, ConfigStore::stationKey(0), QStringLiteral("IMADRID123"));

    ConfigPage page;
    ConfigStore::restore(*reopen(), page, true);

    QCOMPARE(page.Estacion_ID.items, (QStringList { "IMADRID123", "" }));
    QCOMPARE(page.Estacion_ID.index, -1);
}

void TestConfigPage::handEditedValuesFallBack()
{
    m_store->SaveSetting(Setup, QStringLiteral("Estacion_ID"), QStringLiteral("5"));
    m_store->SaveSetting(Setup, QStringLiteral("Estacion_ID_N"), QStringLiteral("2"));
    m_store->SaveSetting(Setup, ConfigStore::stationKey(0), QStringLiteral("I1"));
    m_store->SaveSetting(Setup, ConfigStore::stationKey(1), QStringLiteral("I2"));
    m_store->SaveSetting(Setup, QStringLiteral("Lluvia_1h"), QStringLiteral("3"));
    m_store->SaveSetting(Setup, QStringLiteral("Cielo_Setup_Check0"), QStringLiteral("sí"));
    m_store->SaveSetting(Setup, QStringLiteral("Cielo_Setup_Check1"), QStringLiteral("70000"));
    m_store->SaveSetting(Setup, QStringLiteral("GNS"), QStringLiteral("-1"));

    ConfigPage page;
    page.Lluvia_1h = 0;
    page.Cielo_Check = { 2, 2 };
    page.GNS = 2;
    ConfigStore::restore(*reopen(), page, true);

    QCOMPARE(page.Estacion_ID.items, (QStringList { "I1", "I2" }));
    QCOMPARE(page.Estacion_ID.index, -1);
    QCOMPARE(page.Estacion_ID.text, QString());
    QCOMPARE(page.Lluvia_1h, 1);
    QCOMPARE(page.Cielo_Check, (std::array<int, 2> { 0, 0 }));
    QCOMPARE(page.GNS, 0);
}

void TestConfigPage::unusableCountLeavesTheList_data()
{
    QTest::addColumn<QString>("count");
    QTest::newRow("zero") << "0";
    QTest::newRow("negative") << "-3";
    QTest::newRow("beyond 16 bits") << "70000";
    QTest::newRow("not a number") << "dos";
}

void TestConfigPage::unusableCountLeavesTheList()
{
    QFETCH(QString, count);
    m_store->SaveSetting(Setup, QStringLiteral("Estacion_ID_N"), count);
    m_store->SaveSetting(Setup, QStringLiteral("Estacion_ID"), QStringLiteral("abc"));
    m_store->SaveSetting(Setup, ConfigStore::stationKey(0), QStringLiteral("ISTORED"));
    ConfigPage page = pageWithStations({ "IADDED" }, 0);

    ConfigStore::restore(*m_store, page, false);

    QCOMPARE(page.Estacion_ID.items, QStringList { "IADDED" });
    QCOMPARE(page.Estacion_ID.index, -1);
}

void TestConfigPage::folderChooser_data()
{
    QTest::addColumn<QString>("pathDat");
    QTest::addColumn<bool>("available");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("critical");

    const auto add = [](const char* name, const QString& pathDat, bool available,
                         const QString& chosen, const QString& expected) {
        QTest::newRow(name) << pathDat << available << chosen << expected << !available;
    };
    const QString home = ConfigStore::defaultDataFolder();
    add("chosen", "/srv/obs", true, "/srv/datos", "/srv/datos");
    add("chosen, empty folder", "", true, "/srv/datos", "/srv/datos");
    add("cancelled", "/srv/obs", true, "", "/srv/obs");
    add("cancelled, empty folder", "", true, "", home);
    add("unavailable", "/srv/obs", false, "", "/srv/obs");
    add("unavailable, empty folder", "", false, "", home);
}

void TestConfigPage::folderChooser()
{
    QFETCH(QString, pathDat);
    QFETCH(bool, available);
    QFETCH(QString, chosen);
    QFETCH(QString, expected);
    QFETCH(bool, critical);

    const QString error = QStringLiteral("No hay ningún selector de carpetas disponible");
    FakeChooser chooser({ available, chosen, available ? QString() : error });
    QStringList shown;

    const QString result = DataFolderPicker::Command1_Click(
        pathDat, chooser, [&shown](const QString& message) { shown << message; });

    QCOMPARE(result, expected);
    QCOMPARE(shown, critical ? QStringList { error } : QStringList());
    QCOMPARE(chooser.titles, QStringList { QStringLiteral(" ... Seleccione una carpeta ") });
}

QTEST_GUILESS_MAIN(TestConfigPage)
#include "tst_configpage.moc"
