#include "ConfigPage.h"
#include "ConfigStore.h"
#include "FileSystemFaults.h"
#include "SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

// The store as a file: what reaches the disk, and what a hand-edited or damaged file gives.
class TestSettingsStore : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void failedWritesLoseNothing_data();
    void failedWritesLoseNothing();

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
        // Passwords live here: a file the store created is its owner's alone.
        const QFile::Permissions others
            = QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
        QCOMPARE(QFile(path).permissions() & others, QFile::Permissions());
        QVERIFY(QFile(path).permissions() & QFile::ReadOwner);
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

namespace
{

const QByteArray GoodFile = "[Setup]\nAPI_key=secreto\nEstacion_ID=1\nEstacion_ID_N=3\n"
                            "Estacion_ID(0)=IA\nEstacion_ID(1)=IB\nEstacion_ID(2)=IC\n";

QStringList g_messages;

void recordMessage(QtMsgType, const QMessageLogContext&, const QString& message)
{
    g_messages << message;
}

QByteArray fileState(const QString& path)
{
    return FileSystemFaults::fileState(path, [](const QByteArray& bytes) -> QByteArray {
        if (bytes == GoodFile)
            return "as before";
        QByteArray held;
        if (bytes.contains("API_key=secreto") && bytes.contains("=IC\n"))
            held += "key and stations, ";
        return held + (bytes.contains("Posicion_Superior=1500") ? "the change" : "no change");
    });
}

} // namespace

void TestSettingsStore::failedWritesLoseNothing_data()
{
    using FileSystemFaults::Fault;
    QTest::addColumn<int>("fault");
    QTest::addColumn<QByteArray>("before"); // "<folder>": a folder stands in its place
    QTest::addColumn<bool>("removeFolder");
    QTest::addColumn<QByteArray>("outcome");

    QTest::newRow("full disk") << int(Fault::FullDisk) << GoodFile << false
                               << QByteArray("key=secreto stations=3 saved=0 file=as before "
                                             "log=settings not saved");
    QTest::newRow("full disk, no new files")
        << int(Fault::FullDiskNoFiles) << GoodFile << false
        << QByteArray("key=secreto stations=3 saved=0 file=as before log=settings not saved");
    QTest::newRow("file-size limit") << int(Fault::FileSizeLimit) << GoodFile << false
                                     << QByteArray("key=secreto stations=3 saved=0 file=as "
                                                   "before log=settings not saved");
    QTest::newRow("unreadable") << int(Fault::OtherUser) << GoodFile << false
                                << QByteArray("key= stations=0 saved=0 file=unreadable "
                                              "log=not used");
    QTest::newRow("a folder") << -1 << QByteArray("<folder>") << false
                              << QByteArray("key= stations=0 saved=0 file=folder log=not used");
    QTest::newRow("binary garbage")
        << -1 << QByteArray::fromHex("7f454c460201010000fffe5b") << false
        << QByteArray("key= stations=0 saved=1 file=the change log=");
    QTest::newRow("huge")
        << -1 << GoodFile + QByteArray(2 * 1024 * 1024, '#') << false
        << QByteArray("key= stations=0 saved=0 file=key and stations, no change log=not used");
    QTest::newRow("folder gone before closing")
        << -1 << GoodFile << true
        << QByteArray("key=secreto stations=3 saved=1 file=key and stations, the change log=");
}

void TestSettingsStore::failedWritesLoseNothing()
{
    QFETCH(int, fault);
    QFETCH(QByteArray, before);
    QFETCH(bool, removeFolder);
    QFETCH(QByteArray, outcome);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = dir.filePath("config");
    QVERIFY(QDir().mkpath(folder));
    // Another user must be able to reach the file to find it unreadable.
    QFile::setPermissions(dir.path(), QFile::Permissions(0x7777));
    QFile::setPermissions(folder, QFile::Permissions(0x7777));
    const QString path = folder + "/Nubora.ini";

    const auto prepare = [&] {
        if (before == "<folder>") {
            QDir().mkpath(path);
            return;
        }
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(before);
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    };
    const auto act = [&] {
        g_messages.clear();
        qInstallMessageHandler(recordMessage);
        QByteArray report;
        bool saved = false;
        {
            SettingsStore store(path);
            report = "key=" + store.GetSetting("Setup", "API_key", "").toUtf8()
                + " stations=" + store.GetSetting("Setup", "Estacion_ID_N", 0).toUtf8();
            // A small change: QSettings keeps it in its buffer until the commit, where a
            // failed flush went unnoticed and an empty file replaced the good one.
            store.SaveSetting("Ventana", "Posicion_Superior", "1500");
            if (removeFolder)
                QDir(folder).removeRecursively();
            saved = store.sync();
        }
        const QString log = g_messages.join('|');
        QByteArray logged;
        for (const char* line : { "settings not saved", "not used" })
            if (log.contains(line))
                logged = line;
        return report + " saved=" + QByteArray::number(saved) + " file=" + fileState(path)
            + " log=" + logged;
    };
    QCOMPARE(FileSystemFaults::run(fault, folder, prepare, act), outcome);
    if (fault == int(FileSystemFaults::Fault::FullDisk)
        || fault == int(FileSystemFaults::Fault::FullDiskNoFiles))
        qInfo() << "full disk made with" << FileSystemFaults::lastFullDiskMethod();
    qInstallMessageHandler(nullptr);
}

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
