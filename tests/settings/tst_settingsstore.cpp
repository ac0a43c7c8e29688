#include "ConfigPage.h"
#include "ConfigStore.h"
#include "SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The store as a file: what reaches the disk, and what a hand-edited or damaged file gives.
class TestSettingsStore : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void absentKeysYieldTheReadersDefault()
    {
        SettingsStore store(m_dir.filePath("absent.ini"));
        QCOMPARE(store.GetSetting("Setup", "API_key", ""), QString());
        QCOMPARE(store.GetSetting("Ventana", "Posicion_Superior", 100), QString("100"));
        QCOMPARE(store.GetSetting("Setup", "Estacion_ID", -1), QString("-1"));
        store.SaveSetting("Setup", "API_key", "");
        QCOMPARE(
            store.GetSetting("Setup", "API_key", "otra"), QString()); // stored empty text counts
    }

    void valuesSurviveTheFile()
    {
        const QString path = m_dir.filePath("roundtrip.ini");
        const QStringList texts { "Estacion_ID(12)", "1,5", "a=b;c", "  blanks  ", "@arroba",
            "ñandú ºC \"x\"" };
        {
            SettingsStore store(path);
            for (int i = 0; i < texts.size(); ++i)
                store.SaveSetting("Setup", ConfigStore::stationKey(i), texts.at(i));
            store.SaveSetting("Setup", "Estacion_ID_N", QString::number(texts.size()));
        }
        SettingsStore store(path);
        for (int i = 0; i < texts.size(); ++i)
            QCOMPARE(store.GetSetting("Setup", ConfigStore::stationKey(i), ""), texts.at(i));
        ConfigPage page;
        ConfigStore::restore(store, page, true);
        QCOMPARE(page.Estacion_ID.items, texts);
        QVERIFY(QFile(path).size() > 0);
    }

    void handEditedFile()
    {
        const QString path = m_dir.filePath("hand.ini");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Setup]\nT_Refresco=1,5\nEstacion_ID_N=cinco\nLluvia_1h=7\nGNS=99999\n"
                   "Cielo_Setup_Check0=2\nEstacion_ID=0\n[Ventana\ngarbage line without "
                   "equals\n\x01\x02\n");
        file.close();
        SettingsStore store(path);
        ConfigPage page;
        ConfigStore::restore(store, page, true);
        QCOMPARE(page.T_Refresco, QString("1,5")); // an unquoted comma is still the typed text
        QCOMPARE(page.Estacion_ID.items.size(), 0);
        QCOMPARE(page.Estacion_ID.index, -1);
        QCOMPARE(page.Lluvia_1h, 1);
        QCOMPARE(page.GNS, 0);
        QCOMPARE(page.Cielo_Check[0], 2);
        QCOMPARE(store.readInt16("Ventana", "Posicion_Superior", 100), qint16(100));
    }

    void firstRunDefaults()
    {
        qputenv("HOME", m_dir.path().toLocal8Bit());
        SettingsStore store(m_dir.filePath("first.ini"));
        ConfigPage page;
        ConfigStore::restore(store, page, true);
        QCOMPARE(page.API_key, QString());
        QCOMPARE(page.Estacion_ID.index, -1);
        QCOMPARE(page.T_Refresco, QString("5"));
        QCOMPARE(page.HumedadAlta, QString("80"));
        QCOMPARE(page.LimiteViento, QString("15"));
        QCOMPARE(page.Lluvia_1h, 1);
        QCOMPARE(page.Cielo_Check[0], 0);
        QCOMPARE(page.Cielo_Check[1], 0);
        QCOMPARE(page.Path_Dat, m_dir.path());
        QCOMPARE(page.GNS, 0);
        QCOMPARE(ConfigStore::dataFolder(store), m_dir.path());
        store.SaveSetting("Setup", "Path_Dat", "");
        QCOMPARE(ConfigStore::dataFolder(store), m_dir.path());
        ConfigStore::restore(store, page, false);
        QCOMPARE(page.Path_Dat, QString()); // cancelling shows the empty text as stored
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
