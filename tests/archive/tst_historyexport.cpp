#include "ArchiveTestSupport.h"
#include "ExportSpan.h"
#include "HistoryArchive.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

using namespace ArchiveTestSupport;

class tst_HistoryExport : public QObject
{
    Q_OBJECT

private slots:
    void spanFromTheCommandLine_data();
    void spanFromTheCommandLine();
    void serviceWritesCsv();

private:
    QTemporaryDir m_dir;
};

void tst_HistoryExport::spanFromTheCommandLine_data()
{
    const QDateTime now(QDate(2026, 12, 7), QTime(21, 30));
    const QDateTime midnight(QDate(2026, 12, 7), QTime(0, 0));
    const QDateTime utcNoon(QDate(2026, 12, 1), QTime(12, 0), Qt::UTC);
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QDateTime>("from"); // invalid: the arguments are refused
    QTest::addColumn<QDateTime>("to");
    QTest::newRow("none: the last day") << QStringList() << now.addDays(-1) << now;
    QTest::newRow("a date to now") << QStringList { "2026-12-07" } << midnight << now;
    QTest::newRow("dates: to the end of the last") << QStringList { "2026-12-01", "2026-12-06" }
                                                   << midnight.addDays(-6) << midnight.addMSecs(-1);
    QTest::newRow("times with offset and local") << QStringList { "2026-12-01T13:00+01:00",
        "2026-12-07 10:15" } << utcNoon << QDateTime(QDate(2026, 12, 7), QTime(10, 15));
    QTest::newRow("Z") << QStringList { "2026-12-01T12:00:00Z" } << utcNoon << now;
    for (const QStringList& bad :
        QList<QStringList> { { "yesterday" }, { "2026-13-01" }, { "2026-12-07", "2026-12-01" },
            { "2026-12-01", "2026-12-02", "x" }, { "2026-12-01T25:00" } })
        QTest::newRow(qPrintable("refused " + bad.join(' '))) << bad << QDateTime() << QDateTime();
}

void tst_HistoryExport::spanFromTheCommandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(QDateTime, from);
    QFETCH(QDateTime, to);
    QString error;
    const std::optional<ExportSpan> span
        = ExportSpan::parse(arguments, QDateTime(QDate(2026, 12, 7), QTime(21, 30)), &error);
    QCOMPARE(span.has_value(), from.isValid());
    QCOMPARE(error.isEmpty(), from.isValid());
    if (span) {
        QCOMPARE(span->fromMs, from.toMSecsSinceEpoch());
        QCOMPARE(span->toMs, to.toMSecsSinceEpoch());
    }
}

// The real service reads the archive and writes the span's polls, without starting a run, or
// refuses the span.
void tst_HistoryExport::serviceWritesCsv()
{
    const QString path = m_dir.filePath("history.sqlite");
    const qint64 t0 = QDateTime::currentMSecsSinceEpoch() - 3600000;
    {
        HistoryArchive archive({ path });
        PollRecord commas = poll(t0, 7.25, 12.0, 90.0);
        commas.readings.reasons = "Viento, \"fuerte\"";
        commas.readings.safe = false;
        archive.recordPoll(commas);
        archive.recordPoll(poll(t0 + 60000, std::nullopt));
        archive.recordPoll(poll(t0 - 86400000)); // before the span
        QVERIFY(archive.flush());
    }
    QProcess service;
    const auto iso = [](qint64 ms) {
        return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(Qt::ISODateWithMs);
    };
    service.start(QStringLiteral(NUBORA_SERVICE_EXECUTABLE),
        QStringList { "--history", path, "--export-history", iso(t0 - 1000), iso(t0 + 60000) });
    QVERIFY(service.waitForFinished(30000));
    QCOMPARE(service.exitCode(), 0);
    const QList<QByteArray> lines = service.readAllStandardOutput().split('\n');
    QCOMPARE(lines.size(), 4); // header, two polls, the end of the last line
    const QList<QByteArray> header = lines[0].trimmed().split(',');
    // A cell with commas or quotes is quoted, its quotes doubled; each row has the header's cells.
    QVERIFY(lines[1].contains(",\"Viento, \"\"fuerte\"\"\","));
    const QList<QByteArray> first
        = lines[1].trimmed().replace("\"Viento, \"\"fuerte\"\"\"", "R").split(',');
    const QList<QByteArray> second = lines[2].trimmed().split(',');
    QCOMPARE(first.size(), header.size());
    QCOMPARE(second.size(), header.size());
    // A column the header lacks reads "": the non-empty checks catch that.
    const auto cell = [&header](const QList<QByteArray>& row, const char* column) {
        return QString::fromLatin1(row.value(header.indexOf(column)));
    };
    QCOMPARE(cell(first, "temperature"), "7.25");
    QCOMPARE(cell(first, "wind_degrees"), "90");
    QCOMPARE(cell(second, "temperature"), ""); // absent, not 0
    QCOMPARE(cell(second, "data_age_s"), "90");
    const QString time = cell(second, "time");
    QVERIFY2(QRegularExpression(R"(T\d\d:\d\d:\d\d(\.\d+)?[+-]\d\d:\d\d$)").match(time).hasMatch(),
        qPrintable(time));
    QCOMPARE(
        QDateTime::fromString(time, Qt::ISODate).toMSecsSinceEpoch() / 1000, (t0 + 60000) / 1000);

    // A date that is none is refused in words, with nothing written.
    service.start(QStringLiteral(NUBORA_SERVICE_EXECUTABLE),
        { "--history", m_dir.filePath("none.sqlite"), "--export-history", "2026-02-30" });
    QVERIFY(service.waitForFinished(30000));
    QCOMPARE(service.exitCode(), 2);
    QVERIFY(service.readAllStandardOutput().isEmpty());
    QVERIFY(service.readAllStandardError().contains("2026-02-30"));
}

QTEST_GUILESS_MAIN(tst_HistoryExport)
#include "tst_historyexport.moc"
