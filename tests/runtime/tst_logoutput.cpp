#include "LogOutput.h"

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

Q_LOGGING_CATEGORY(lcTest, "nubora.test", QtInfoMsg)

namespace
{

QStringList linesOf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

} // namespace

class TestLogOutput : public QObject
{
    Q_OBJECT

private slots:
    void keyIsMasked_data();
    void keyIsMasked();
    void rotationKeepsTheNewestLines();
    void noiseAndDebugLines();
};

void TestLogOutput::keyIsMasked_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("path key, encoded") << "GET http://h:1/api/a%2Fb%20c/conditions/q/pws:X.xml"
                                       << "GET http://h:1/api/****/conditions/q/pws:X.xml";
    QTest::newRow("query keys, any case") << "https://h/v2?stationId=X&apiKey=k1&f=json&KEY=k2"
                                          << "https://h/v2?stationId=X&apiKey=****&f=json&KEY=****";
    QTest::newRow("two addresses") << "http://a/api/k1/hourly/x.xml, http://b/api/k2/x.xml"
                                   << "http://a/api/****/hourly/x.xml, http://b/api/****/x.xml";
    QTest::newRow("a station spelt like a key") << "conditions KEY=1: safe"
                                                << "conditions KEY=1: safe";
}

void TestLogOutput::keyIsMasked()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    const QString line = LogOutput::format(QtWarningMsg, "nubora.fetch", text);
    QVERIFY2(QRegularExpression("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d warning nubora.fetch: ")
                 .match(line)
                 .hasMatch(),
        qPrintable(line));
    QVERIFY2(line.endsWith(": " + expected), qPrintable(line));
}

void TestLogOutput::rotationKeepsTheNewestLines()
{
    QTemporaryDir dir;
    LogOutput::Options options;
    options.toStandardError = false;
    options.filePath = dir.filePath("logs/nubora.log");
    options.rotateBytes = 1000;
    const int written = 200;
    {
        const LogOutput output(options);
        QVERIFY(output.fileOpen());
        for (int i = 0; i < written; ++i)
            qCInfo(lcTest, "line %03d of the poll log", i);
    }

    const QString base = options.filePath;
    QVERIFY(!QFile::exists(base + ".3"));
    QStringList kept;
    for (const QString& path : { base + ".2", base + ".1", base }) {
        // A file is rotated by the line that takes it to the bound, never later.
        QVERIFY2(QFileInfo(path).size() < options.rotateBytes + 100, qPrintable(path));
        kept += linesOf(path);
    }
    // The kept lines are the newest ones, in order, none missing between them.
    QVERIFY(kept.size() > 20);
    for (int i = 0; i < kept.size(); ++i) {
        const int number = written - kept.size() + i;
        QVERIFY2(kept.at(i).contains(QStringLiteral("line %1 of").arg(number, 3, 10, QChar('0'))),
            qPrintable(kept.at(i)));
    }
}

void TestLogOutput::noiseAndDebugLines()
{
    QTemporaryDir dir;
    LogOutput::Options options;
    options.toStandardError = false;
    options.filePath = dir.filePath("nubora.log");
    for (const bool verbose : { false, true }) {
        options.verbose = verbose;
        const LogOutput output(options);
        qWarning("QStandardPaths: XDG_RUNTIME_DIR not set, defaulting to '/tmp/runtime-x'");
        qCDebug(lcTest, "timing, verbose %d", int(verbose));
        qCInfo(lcTest, "poll, verbose %d", int(verbose));
    }
    QStringList lines = linesOf(options.filePath);
    for (QString& line : lines)
        line = line.section(' ', 2);
    QCOMPARE(lines,
        QStringList({ "info nubora.test: poll, verbose 0",
            "warning QStandardPaths: XDG_RUNTIME_DIR not set, defaulting to '/tmp/runtime-x'",
            "debug nubora.test: timing, verbose 1", "info nubora.test: poll, verbose 1" }));
}

QTEST_GUILESS_MAIN(TestLogOutput)
#include "tst_logoutput.moc"
