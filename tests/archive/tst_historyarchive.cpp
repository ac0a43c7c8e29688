#include "ArchiveTestSupport.h"
#include "HistoryArchive.h"
#include "PollColumns.h"

#include <QDateTime>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <sqlite3.h>

using namespace ArchiveTestSupport;

namespace
{

constexpr qint64 DayMs = 24LL * 60 * 60 * 1000;
// Recent enough to stay within the archive's retention.
const qint64 T0 = QDateTime::currentMSecsSinceEpoch() - DayMs;

// One answer of a query on its own connection, as text ("" where there is no row).
QString queryText(const QString& path, const char* sql)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_stmt* statement = nullptr;
    QString text;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK
        && sqlite3_step(statement) == SQLITE_ROW) {
        const auto* bytes = sqlite3_column_text(statement, 0);
        text = bytes ? QString::fromUtf8(reinterpret_cast<const char*>(bytes)) : "NULL";
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return text;
}

// Faults are retried quickly here.
HistoryArchive::Options options(const QString& path)
{
    return { path, HistoryArchive::DefaultRetentionDays, 50 };
}

} // namespace

class tst_HistoryArchive : public QObject
{
    Q_OBJECT

private slots:
    void roundTripKeepsAbsentValuesAbsent();
    void meansStepThroughTheSpan();
    void retentionRemovesOldRowsAtOpen();
    void retentionSettingFallsBackToDefault_data();
    void retentionSettingFallsBackToDefault();
    void faultWarnsOnceAndResumes_data();
    void faultWarnsOnceAndResumes();
    void corruptFileIsMovedAside_data();
    void corruptFileIsMovedAside();
    void killedWriterLeavesSoundFile();

private:
    QTemporaryDir m_dir;
};

void tst_HistoryArchive::roundTripKeepsAbsentValuesAbsent()
{
    const QString path = m_dir.filePath("new/folder/history.sqlite");
    PollRecord full = poll(T0 + 1000000);
    for (int i = 0; i < int(PollValueColumns.size()); ++i)
        full.readings.*PollValueColumns[i].member = i * 1.5 - 3.25;
    full.outcome = "not safe: Viento, Nublado";
    full.brokenLimits = { "Viento", "Nublado, \"cubierto\"" };
    full.readings.safe = false;
    full.readings.cloudCondition = 3;
    PollRecord bare = poll(T0 + 2000000, std::nullopt);
    bare.readings.outcome = ConditionsReadings::Outcome::Failed;
    bare.readings.observationTimeMs.reset();
    {
        HistoryArchive archive(options(path));
        archive.recordPoll(full);
        archive.recordPoll(bare);
        archive.recordTransition({ T0 + 1500000, false, "Viento" });
        ForecastPage page;
        page.rows[0].Hr_Fct = { "23:00", FieldColour::Red, false };
        page.rows[0].C_Fct = { "Lluvia", FieldColour::Grey, true };
        archive.recordForecast(T0 + 1600000, page);
        QVERIFY(archive.flush());
        const QList<PollRecord> back = archive.polls(T0, T0 + 3000000);
        QCOMPARE(back.size(), 2);
        for (const PollValueColumn& column : PollValueColumns) {
            QVERIFY2(back[0].readings.*column.member == full.readings.*column.member, column.name);
            QVERIFY2(!(back[1].readings.*column.member), column.name);
        }
        QCOMPARE(back[0].outcome, full.outcome);
        QCOMPARE(back[0].brokenLimits, full.brokenLimits);
        QCOMPARE(back[0].readings.observationTimeMs, full.readings.observationTimeMs);
        QCOMPARE(back[0].readings.safe, false);
        QCOMPARE(back[0].readings.cloudCondition, 3);
        QCOMPARE(back[1].readings.outcome, ConditionsReadings::Outcome::Failed);
        QVERIFY(!back[1].readings.observationTimeMs);
        QCOMPARE(archive.firstPollMs(), T0 + 1000000);
        QVERIFY(archive.polls(T0 + 2000001, T0 + 9000000).isEmpty());
    }
    // Absent is NULL in the file, not 0; the file says its schema and its log mode.
    QCOMPARE(queryText(path, "SELECT quote(temperature) FROM polls ORDER BY time_ms DESC"), "NULL");
    QCOMPARE(queryText(path, "PRAGMA user_version"), "1");
    QCOMPARE(queryText(path, "PRAGMA journal_mode"), "wal");
    QCOMPARE(queryText(path, "SELECT reason FROM transitions"), "Viento");
    QVERIFY(queryText(path, "SELECT hours FROM forecasts")
                .contains(R"("broken":["sky"],"hour":"23:00")"));
}

void tst_HistoryArchive::meansStepThroughTheSpan()
{
    HistoryArchive archive(options(m_dir.filePath("means.sqlite")));
    QVERIFY(!archive.means(T0, T0 + 1000));
    // 30 km/h from 350° and 10 km/h from 80° mean about 8°: not 215° (the angles' mean) nor
    // 35° (the directions unweighted); the calm poll's 180° counts for nothing; the poll
    // without a temperature does not pull its mean to 0.
    archive.recordPoll(poll(T0 + 1000, 10.0, 30.0, 350.0));
    archive.recordPoll(poll(T0 + 2000, std::nullopt, 10.0, 80.0));
    archive.recordPoll(poll(T0 + 3000, 16.0, 0.0, 180.0));
    PollRecord rainy = poll(T0 + 4000, 13.0);
    rainy.readings.rain1hMm = 1.2;
    archive.recordPoll(rainy);
    archive.recordPoll(poll(T0 + 9000, 99.0)); // outside the span
    QVERIFY(archive.flush());
    const std::optional<HistoryMeans> m = archive.means(T0 + 1000, T0 + 4000);
    QVERIFY(m);
    QCOMPARE(m->polls, 4);
    QCOMPARE(m->firstMs, T0 + 1000);
    QCOMPARE(m->lastMs, T0 + 4000);
    QCOMPARE(*m->temperature, 13.0);
    QCOMPARE(*m->windKph, 40.0 / 3);
    QVERIFY(qAbs(*m->windDegrees - 8.435) < 0.001);
    QCOMPARE(*m->rain1hMm, 1.2);
    QVERIFY(!m->humidity && !m->cloudCover);
    // A span of calm alone has no direction.
    QVERIFY(!archive.means(T0 + 3000, T0 + 3000)->windDegrees);
}

void tst_HistoryArchive::retentionRemovesOldRowsAtOpen()
{
    const QString path = m_dir.filePath("retention.sqlite");
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    {
        HistoryArchive archive(options(path));
        for (qint64 age : { 500, 401, 399, 1 })
            archive.recordPoll(poll(now - age * DayMs));
        archive.recordTransition({ now - 450 * DayMs, true, "old" });
        QVERIFY(archive.flush());
    }
    HistoryArchive archive(options(path));
    QTRY_COMPARE(archive.firstPollMs(), now - 399 * DayMs);
    QCOMPARE(archive.polls(0, now).size(), 2);
    QCOMPARE(queryText(path, "SELECT count(*) FROM transitions"), "0");
}

void tst_HistoryArchive::retentionSettingFallsBackToDefault_data()
{
    QTest::addColumn<QString>("setting");
    QTest::addColumn<int>("days");
    QTest::newRow("days") << "30" << 30;
    QTest::newRow("spaces") << " 7 " << 7;
    for (const char* bad : { "", "abc", "0", "-5", "2.5" })
        QTest::newRow(bad) << bad << 400;
}

void tst_HistoryArchive::retentionSettingFallsBackToDefault()
{
    QFETCH(QString, setting);
    QFETCH(int, days);
    const ArchiveWarnings warnings;
    QCOMPARE(HistoryArchive::retentionDaysFrom(setting), days);
    QCOMPARE(warnings.count("HistoriaDias"), days == 400 ? 1 : 0);
}

// Each fault: the polls queue without blocking, one warning for the cause however many
// attempts fail, and every waiting poll is written once the cause goes.
void tst_HistoryArchive::faultWarnsOnceAndResumes_data()
{
    QTest::addColumn<QString>("warning"); // the row's name is the fault
    QTest::newRow("full") << "the disk is full";
    QTest::newRow("read-only") << "read-only";
    QTest::newRow("locked") << "locked";
}

void tst_HistoryArchive::faultWarnsOnceAndResumes()
{
    const QString fault = QTest::currentDataTag();
    QFETCH(QString, warning);
    const QString folder = m_dir.filePath(fault);
    QVERIFY(QDir().mkpath(folder));
    Tmpfs tmpfs(folder, "size=2m");
    if (!tmpfs.mounted() && fault != "locked")
        QSKIP("mounting a tmpfs is not permitted here (the suite needs root)");
    const QString path = folder + "/history.sqlite";
    { // the archive exists, with its tables, before the fault
        HistoryArchive first(options(path));
        first.recordPoll(poll(T0));
        QVERIFY(first.flush());
    }
    QFile filler(folder + "/filler");
    sqlite3* other = nullptr;
    if (fault == "full") {
        QVERIFY(filler.open(QIODevice::WriteOnly));
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size() && filler.flush()) { }
        filler.close();
    } else if (fault == "read-only") {
        QVERIFY(tmpfs.setReadOnly(true));
    } else {
        sqlite3_open(QFile::encodeName(path).constData(), &other);
        QCOMPARE(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    }
    const ArchiveWarnings warnings;
    HistoryArchive::Options bounded = options(path);
    bounded.maxPending = 30; // the 10 oldest of the 40 are dropped while the fault lasts
    HistoryArchive archive(bounded);
    for (int i = 1; i <= 40; ++i)
        archive.recordPoll(poll(T0 + i * 60000, 10.0 + i));
    QTRY_COMPARE(warnings.count(warning), 1);
    QTest::qWait(300); // several more attempts fail, without another warning
    QCOMPARE(warnings.count(warning), 1);
    QCOMPARE(archive.pendingCount(), 30);
    QCOMPARE(warnings.count("dropping the oldest"), 1);

    if (fault == "full")
        QVERIFY(filler.remove());
    else if (fault == "read-only")
        QVERIFY(tmpfs.setReadOnly(false));
    else
        sqlite3_close(other); // ends its transaction
    QVERIFY(archive.flush(10000));
    const QList<PollRecord> kept = archive.polls(T0, T0 + 40 * 60000);
    QCOMPARE(kept.size(), 31);
    QCOMPARE(kept[1].timeMs, T0 + 11 * 60000);
    QCOMPARE(warnings.count(warning), 1);
}

void tst_HistoryArchive::corruptFileIsMovedAside_data()
{
    QTest::addColumn<bool>("database");
    QTest::newRow("not a database") << false;
    QTest::newRow("a database with a damaged page") << true;
}

void tst_HistoryArchive::corruptFileIsMovedAside()
{
    QFETCH(bool, database);
    const QString folder = m_dir.filePath(database ? "damaged" : "corrupt");
    QVERIFY(QDir().mkpath(folder));
    QByteArray garbage = QByteArray("not a database at all\n").repeated(400);
    if (database) { // sound but for the bytes written over one of its pages
        const QString sound = folder + "/sound.sqlite";
        sqlite3* db = nullptr;
        sqlite3_open(QFile::encodeName(sound).constData(), &db);
        sqlite3_exec(db,
            "CREATE TABLE t (x); WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT "
            "i + 1 FROM c WHERE i < 5000) INSERT INTO t SELECT randomblob(50) FROM c",
            nullptr, nullptr, nullptr);
        sqlite3_close(db);
        QFile soundFile(sound);
        QVERIFY(soundFile.open(QIODevice::ReadOnly));
        garbage = soundFile.readAll().replace(40000, 1000, QByteArray(1000, 'x'));
    }
    QFile file(folder + "/history.sqlite");
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(garbage) == garbage.size());
    file.close();
    const ArchiveWarnings warnings;
    HistoryArchive archive(options(file.fileName()));
    archive.recordPoll(poll(T0));
    QVERIFY(archive.flush());
    QCOMPARE(archive.polls(T0, T0 + 9000).size(), 1);
    const QStringList aside = QDir(folder).entryList({ "history.sqlite.corrupt-*" });
    QCOMPARE(aside.size(), 1);
    QVERIFY(
        QRegularExpression(R"(^history\.sqlite\.corrupt-\d{8}-\d{6}$)").match(aside[0]).hasMatch());
    QFile kept(folder + "/" + aside[0]);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), garbage);
    QCOMPARE(warnings.count("not a sound database"), 1);
}

// A writer killed in the middle of its writes: every poll it reported written is there and the
// file is sound.
void tst_HistoryArchive::killedWriterLeavesSoundFile()
{
    const QString path = m_dir.filePath("killed.sqlite");
    QProcess writer;
    writer.start(QStringLiteral(ARCHIVE_WRITER_EXECUTABLE), { path });
    QVERIFY(writer.waitForStarted());
    QByteArray printed;
    QElapsedTimer timer;
    timer.start();
    while (printed.count('\n') < 200 && timer.elapsed() < 20000) {
        writer.waitForReadyRead(100);
        printed += writer.readAllStandardOutput();
    }
    writer.kill(); // SIGKILL
    QVERIFY(writer.waitForFinished());
    printed += writer.readAllStandardOutput();
    printed.truncate(printed.lastIndexOf('\n') + 1); // a line cut by the kill is no report
    const QList<QByteArray> lines = printed.trimmed().split('\n');
    QVERIFY(lines.size() >= 200);

    QCOMPARE(queryText(path, "PRAGMA integrity_check"), "ok");
    const ArchiveReader reader(path);
    QSet<qint64> stored;
    for (const PollRecord& record : reader.polls(0, std::numeric_limits<qint64>::max()))
        stored.insert(record.timeMs);
    for (const QByteArray& line : lines)
        QVERIFY2(stored.contains(line.toLongLong()), line.constData());
}

QTEST_GUILESS_MAIN(tst_HistoryArchive)
#include "tst_historyarchive.moc"
