#include "LogOutput.h"

#include <QDir>
#include <QFile>
#include <QLoggingCategory>
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
    void rotationKeepsTheNewestLines();
    void linesAreMaskedAndNoiseDropped();
    void verboseAddsDebugLines();
};

void TestLogOutput::rotationKeepsTheNewestLines()
{
    QTemporaryDir dir;
    LogOutput::Options options;
    options.toStandardError = false;
    options.filePath = dir.filePath("logs/nubora.log");
    options.rotateBytes = 1000;
    int written = 0;
    {
        LogOutput output(options);
        QVERIFY(output.fileOpen());
        for (; written < 200; ++written)
            qCInfo(lcTest, "line %03d of the poll log", written);
    }

    const QString base = options.filePath;
    QVERIFY(!QFile::exists(base + ".3"));
    QStringList kept;
    for (const QString& path : { base + ".2", base + ".1", base }) {
        QVERIFY2(QFile::exists(path), qPrintable(path));
        // A file is rotated by the line that takes it to the bound, never later.
        const qint64 size = QFileInfo(path).size();
        QVERIFY2(size < options.rotateBytes + 100, qPrintable(QString::number(size)));
        kept += linesOf(path);
    }
    // The kept lines are the newest ones, in order, none missing between them.
    QVERIFY(kept.size() > 20);
    for (int i = 0; i < kept.size(); ++i) {
        const QString expected
            = QStringLiteral("line %1 of").arg(written - kept.size() + i, 3, 10, QLatin1Char('0'));
        QVERIFY2(kept.at(i).contains(expected), qPrintable(kept.at(i)));
    }
}

void TestLogOutput::linesAreMaskedAndNoiseDropped()
{
    QTemporaryDir dir;
    LogOutput::Options options;
    options.toStandardError = false;
    options.filePath = dir.filePath("nubora.log");
    {
        LogOutput output(options);
        qCWarning(lcTest, "GET http://127.0.0.1:8080/api/abc123/hourly/lang:SP/q/pws:X.xml");
        qWarning("QStandardPaths: XDG_RUNTIME_DIR not set, defaulting to '/tmp/runtime-x'");
    }
    const QStringList lines = linesOf(options.filePath);
    QCOMPARE(lines.size(), 1);
    QVERIFY(lines.first().contains(
        QRegularExpression("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d warning nubora.test: GET "
                           "http://127.0.0.1:8080/api/\\*\\*\\*\\*/hourly/")));
}

void TestLogOutput::verboseAddsDebugLines()
{
    QTemporaryDir dir;
    LogOutput::Options options;
    options.toStandardError = false;
    options.filePath = dir.filePath("nubora.log");
    for (const bool verbose : { false, true }) {
        options.verbose = verbose;
        LogOutput output(options);
        qCDebug(lcTest, "timing %d", int(verbose));
    }
    const QStringList lines = linesOf(options.filePath);
    QCOMPARE(lines.size(), 1);
    QVERIFY(lines.first().endsWith("debug nubora.test: timing 1"));
}

QTEST_GUILESS_MAIN(TestLogOutput)
#include "tst_logoutput.moc"
