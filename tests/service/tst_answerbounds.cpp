#include "AnswerReaders.h"
#include "ConditionsDocument.h"
#include "FileSystemFaults.h"

#include <QFileInfo>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>
#include <sys/resource.h>

// Whatever an answer holds, one poll's memory and time stay bounded. Each answer runs in a
// child process of its own, so the kernel's peak-memory count is that answer's alone.

#if defined(__SANITIZE_ADDRESS__)
#define NUBORA_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define NUBORA_ASAN 1
#endif
#endif

#ifdef NUBORA_ASAN
// Freed blocks would otherwise stay reserved up to 256 MB and count as the answer's.
extern "C" const char* __asan_default_options()
{
    return "quarantine_size_mb=16";
}
// Redzones and shadow memory roughly triple a heap; the instrumented parse is slower.
constexpr long Overhead = 3;
constexpr long SlowerBy = 10;
#else
constexpr long Overhead = 1;
constexpr long SlowerBy = 1;
#endif

namespace
{

constexpr qsizetype MiB = 1024 * 1024;
constexpr long PeakLimitKb = 64 * 1024 * Overhead;
constexpr long CpuLimitMs = 1000 * SlowerBy;

struct Usage {
    long peakGrowthKb = -1;
    long cpuMs = -1;
    qint64 dataFileBytes = -1;
};

long cpuMs(const rusage& usage)
{
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000
        + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000;
}

// Runs the three readers on the body in a child; false when the child did not end normally
// (a CPU limit far above the bound ends one that would not stop).
bool measure(const QByteArray& body, const QString& folder, Usage* result)
{
    const QByteArray sent = FileSystemFaults::inChild(
        FileSystemFaults::Fault::None, folder, [] {},
        [&] {
            const rlimit cpu { rlim_t(CpuLimitMs / 1000 * 5), rlim_t(CpuLimitMs / 1000 * 5 + 1) };
            ::setrlimit(RLIMIT_CPU, &cpu);
            rusage before {};
            ::getrusage(RUSAGE_SELF, &before);
            AnswerReaders::readAll(body, folder);
            rusage after {};
            ::getrusage(RUSAGE_SELF, &after);
            Usage usage;
            usage.peakGrowthKb = after.ru_maxrss - before.ru_maxrss;
            usage.cpuMs = cpuMs(after) - cpuMs(before);
            usage.dataFileBytes = QFileInfo(folder + QStringLiteral("/Nubora.dat")).size();
            return QByteArray(reinterpret_cast<const char*>(&usage), sizeof usage);
        });
    if (sent.size() != sizeof *result)
        return false;
    std::memcpy(result, sent.constData(), sizeof *result);
    return true;
}

QByteArray ebcdic(const QString& text)
{
    QStringEncoder encoder("IBM037");
    return encoder.isValid() ? QByteArray(encoder.encode(text)) : QByteArray();
}

QByteArray utf16(const QString& text, bool byteOrderMark)
{
    const QByteArray bytes(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    return byteOrderMark ? QByteArray("\xFF\xFE", 2) + bytes : bytes;
}

// A conditions answer whose temperature references one 4000-character entity as often as
// the budget allows: expanded, gigabytes, and all of it bound for the data file.
QString entityBomb(qsizetype budget)
{
    const QString head = QStringLiteral("<!DOCTYPE response [<!ENTITY big \"") + QString(4000, 'x')
        + QStringLiteral("\">]><response><current_observation><temp_c>");
    const QString tail = QStringLiteral("</temp_c></current_observation></response>");
    const qsizetype references = (budget - head.size() - tail.size()) / 5;
    return head + QStringLiteral("&big;").repeated(references) + tail;
}

QString nested(int depth)
{
    return QStringLiteral("<a>").repeated(depth) + QStringLiteral("</a>").repeated(depth);
}

const char AsciiEbcdicDeclaration[] = "<?xml version=\"1.0\" encoding=\"IBM037\"?>";

} // namespace

class TestAnswerBounds : public QObject
{
    Q_OBJECT

private slots:
    void boundedWhateverTheAnswer_data();
    void boundedWhateverTheAnswer();
};

void TestAnswerBounds::boundedWhateverTheAnswer_data()
{
    QTest::addColumn<QByteArray>("body");

    const QString declaration = QString::fromLatin1(AsciiEbcdicDeclaration);
    QTest::newRow("ordinary answer") << ConditionsDocument().toXml();
    QTest::newRow("EBCDIC entity bomb, ASCII declaration")
        << QByteArray(AsciiEbcdicDeclaration) + ebcdic(entityBomb(MiB / 2));
    QTest::newRow("EBCDIC entity bomb, EBCDIC declaration")
        << ebcdic(declaration + entityBomb(MiB - 200));
    QTest::newRow("UTF-16 entity bomb")
        << utf16("<?xml version=\"1.0\" encoding=\"UTF-16\"?>" + entityBomb(MiB / 2 - 100), true);
    QTest::newRow("UTF-16 entity bomb without mark") << utf16(entityBomb(MiB / 2 - 100), false);
    QTest::newRow("UTF-8 entity bomb") << entityBomb(MiB).toUtf8();
    QTest::newRow("parameter entity") << QByteArray("<!DOCTYPE r [<!ENTITY % p \"<!ENTITY big '")
            + QByteArray(4000, 'x') + "'>\"> %p;]><r><temp_c>"
            + QByteArray("&big;").repeated(200000) + "</temp_c></r>";
    QTest::newRow("deep nesting, ASCII declaration over EBCDIC")
        << QByteArray(AsciiEbcdicDeclaration) + ebcdic(nested(100000));
    QTest::newRow("deep nesting in UTF-8") << nested(MiB / 7).toUtf8();
    QTest::newRow("deep nesting within the tag bound") << nested(4096).toUtf8();
    QTest::newRow("1 MiB of attributes") << "<r" + [] {
        QByteArray attributes;
        for (int i = 0; attributes.size() < MiB - 100; ++i)
            attributes += " a" + QByteArray::number(i) + "=\"1\"";
        return attributes;
    }() + "/>";
    QTest::newRow("1 MiB of empty elements")
        << "<response>" + QByteArray("<a/>").repeated(MiB / 4 - 10) + "</response>";
    QTest::newRow("1 MiB in one text node")
        << ConditionsDocument().set("temp_c", QString(MiB - 8 * 1024, '7')).toXml();
}

void TestAnswerBounds::boundedWhateverTheAnswer()
{
    QFETCH(QByteArray, body);
    QVERIFY(!body.isEmpty());
    QVERIFY(body.size() <= MiB);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());

    Usage usage;
    QVERIFY2(measure(body, folder.path(), &usage), "the readers did not end");
    const QByteArray figures = QByteArray::number(qlonglong(usage.peakGrowthKb)) + " KB, "
        + QByteArray::number(qlonglong(usage.cpuMs)) + " ms";
    qInfo("%s", figures.constData());
    QVERIFY2(usage.peakGrowthKb >= 0 && usage.peakGrowthKb < PeakLimitKb, figures.constData());
    QVERIFY2(usage.cpuMs < CpuLimitMs, figures.constData());
    // Nothing that expands on the way may reach the file: at most the answer's own bytes.
    QVERIFY(usage.dataFileBytes <= body.size());
}

QTEST_GUILESS_MAIN(TestAnswerBounds)
#include "tst_answerbounds.moc"
