#include "AnswerReaders.h"
#include "ConditionsDocument.h"
#include "ConditionsPage.h"
#include "ConditionsPoll.h"
#include "ConfigPage.h"
#include "ConfigStore.h"
#include "FileSystemFaults.h"
#include "ObservationField.h"
#include "RecordingSink.h"
#include "SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

// What the user gets when the data file cannot be written: a failed poll (not safe, the
// failure alert), the previous content where it can stay, and a line in the log.
namespace
{

const QByteArray Previous = "previous content";

QStringList g_messages;

void recordMessage(QtMsgType, const QMessageLogContext& context, const QString& message)
{
    if (QByteArray(context.category) == "nubora.file")
        g_messages << message;
}

QByteArray fileState(const QString& path)
{
    return FileSystemFaults::fileState(path, [](const QByteArray& bytes) -> QByteArray {
        if (bytes == Previous)
            return "previous";
        return bytes.size() == 104 ? "new line" : "size " + QByteArray::number(bytes.size());
    });
}

} // namespace

class TestDataFileFaults : public QObject
{
    Q_OBJECT

private slots:
    void failedWritesAreFailedPolls_data();
    void failedWritesAreFailedPolls();
    void controlCharactersNeverReachTheFile();
};

void TestDataFileFaults::failedWritesAreFailedPolls_data()
{
    using FileSystemFaults::Fault;
    QTest::addColumn<int>("fault"); // -1: none
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QByteArray>("outcome");

    const auto row = [](const char* name, int fault, const char* setup, const QByteArray& outcome) {
        QTest::newRow(name) << fault << setup << outcome;
    };
    const QByteArray failed = "safe=0 alert=Fallo en Nubora file=";
    const QByteArray written = "safe=1 alert= file=new line log=0";
    row("writable folder", -1, "", written);
    row("read-only folder and file", int(Fault::OtherUser), "read-only", failed + "previous log=1");
    row("folder that takes no new files", int(Fault::OtherUser), "no new files", written);
    row("folder removed while running", -1, "remove folder", failed + "absent log=1");
    row("a file in place of the folder", -1, "file for folder", failed + "absent log=1");
    row("Nubora.dat a folder", -1, "dat folder", failed + "folder log=1");
    row("full disk", int(Fault::FullDisk), "", failed + "previous log=1");
    // Rewritten in place within the room the previous line held.
    row("full disk, no new files", int(Fault::FullDiskNoFiles), "", written);
    row("full disk, no new files, empty file", int(Fault::FullDiskNoFiles), "empty",
        failed + "size 0 log=1");
    row("file-size limit", int(Fault::FileSizeLimit), "", failed + "previous log=1");
}

void TestDataFileFaults::failedWritesAreFailedPolls()
{
    QFETCH(int, fault);
    QFETCH(QString, setup);
    QFETCH(QByteArray, outcome);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QFile::setPermissions(dir.path(), QFile::Permissions(0x7777));
    const QString folder = dir.filePath("data");
    QVERIFY(QDir().mkpath(folder));
    const QString path = folder + "/Nubora.dat";
    const QString settings = dir.filePath("settings.ini");

    const auto prepare = [&] {
        QFile previous(path);
        if (previous.open(QIODevice::WriteOnly) && setup != "empty")
            previous.write(Previous);
        previous.close();
        if (setup == "read-only") {
            QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadOther);
            QFile::setPermissions(folder, QFile::Permissions(0x5555));
        } else if (setup == "no new files") {
            QFile::setPermissions(path, QFile::Permissions(0x6666));
            QFile::setPermissions(folder, QFile::Permissions(0x5555));
        } else if (setup == "dat folder") {
            QFile::remove(path);
            QDir().mkpath(path);
        } else if (setup == "file for folder") {
            QDir(folder).removeRecursively();
            QFile stand(folder);
            if (stand.open(QIODevice::WriteOnly))
                stand.write("x");
        }
    };
    const auto act = [&] {
        g_messages.clear();
        qInstallMessageHandler(recordMessage);
        FixedAnswerService service(ConditionsDocument().toXml());
        SettingsStore store(settings);
        store.SaveSetting(ConfigStore::Setup, "Path_Dat", folder);
        ConfigPage config;
        config.API_key = "demo";
        config.Estacion_ID.text = "ISIMDESPEJADO";
        config.GNS = 1;
        RecordingSink sink;
        ConditionsPoll poll(service, store, &sink);
        ConditionsPage page;
        if (setup == "remove folder")
            QDir(folder).removeRecursively();
        const bool safe = poll.WriteMeteo(config, ".", ObservationField::names(), page).safe;
        qInstallMessageHandler(nullptr);
        const QByteArray file = setup == "file for folder" ? "absent" : fileState(path);
        return "safe=" + QByteArray::number(safe) + " alert=" + sink.alerts.join('|').toUtf8()
            + " file=" + file + " log=" + QByteArray::number(g_messages.size());
    };
    QCOMPARE(FileSystemFaults::run(fault, folder, prepare, act), outcome);
}

void TestDataFileFaults::controlCharactersNeverReachTheFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    g_messages.clear();
    qInstallMessageHandler(recordMessage);
    const QByteArray body = ConditionsDocument()
                                .set("wind_kph", "&#10;12&#13;")
                                .set("temp_c", "1\t2\x7f")
                                .toXml()
                                .replace("&amp;", "&");
    AnswerReaders::readAll(body, dir.path());
    qInstallMessageHandler(nullptr);

    QFile file(dir.filePath("Nubora.dat"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray line = file.readAll();
    // Left out of their pieces, which are the shorter for it, as a shorter value would make them.
    QCOMPARE(line.size(), 100);
    QVERIFY2(line.contains("0   12      0   12  65"), line.constData());
    for (const char c : line)
        QVERIFY(static_cast<unsigned char>(c) >= 0x20 && c != '\x7f');
    QCOMPARE(g_messages.size(), 1);
}

QTEST_GUILESS_MAIN(TestDataFileFaults)
#include "tst_datafilefaults.moc"
