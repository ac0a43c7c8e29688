#include "AnswerReaders.h"
#include "ConditionsDocument.h"
#include "ConditionsPage.h"
#include "ConditionsPoll.h"
#include "ConfigPage.h"
#include "ConfigStore.h"
#include "ObservationField.h"
#include "SettingsStore.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

// Another process reading the data file while polls replace it sees a whole content of some
// poll, never a piece of one.
namespace
{

struct Seen {
    long reads = 0;
    long lines = 0;
    long errorLines = 0;
    long empty = 0;
    long other = 0;
    char firstOther[128] = {};
};

// Reads the file in a tight loop until `stop` is closed; the contents a poll may leave.
Seen readUntilClosed(const QByteArray& path, int stop)
{
    static const QRegularExpression line(
        R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.00 C K      0 [ \d.-]{6}      0 )"
        R"([ \d.]{6} [ \d]{3} [ \d.-]{6}   0 0 0 00600 0\d{5}\.\d{5} \d \d \d 0 0 0$)");
    static const QRegularExpression errorLine(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.00 C K $)");
    Seen seen;
    char buffer[512];
    pollfd closed { stop, POLLIN, 0 };
    while (::poll(&closed, 1, 0) == 0) {
        const int fd = ::open(path.constData(), O_RDONLY);
        if (fd < 0)
            continue; // not yet made
        const ssize_t size = ::read(fd, buffer, sizeof buffer);
        ::close(fd);
        ++seen.reads;
        const QString text = QString::fromLatin1(buffer, size < 0 ? 0 : size);
        if (size == 0)
            ++seen.empty;
        else if (size == 104 && line.match(text).hasMatch())
            ++seen.lines;
        else if (size == 27 && errorLine.match(text).hasMatch())
            ++seen.errorLines;
        else if (seen.other++ == 0)
            qstrncpy(seen.firstOther, text.toLatin1().constData(), sizeof seen.firstOther);
    }
    return seen;
}

} // namespace

class TestConcurrentReader : public QObject
{
    Q_OBJECT

private slots:
    void readerSeesOnlyWholeContents();
};

void TestConcurrentReader::readerSeesOnlyWholeContents()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray path = QFile::encodeName(dir.filePath("Nubora.dat"));
    int stop[2];
    int report[2];
    QVERIFY(::pipe(stop) == 0 && ::pipe(report) == 0);
    const pid_t reader = ::fork();
    if (reader == 0) {
        ::close(stop[1]);
        const Seen seen = readUntilClosed(path, stop[0]);
        ::_exit(::write(report[1], &seen, sizeof seen) == sizeof seen ? 0 : 1);
    }
    QVERIFY(reader > 0);
    ::close(stop[0]);
    ::close(report[1]);

    // Good, error-answer and failed-load polls in turn.
    const QList<QByteArray> answers { ConditionsDocument().toXml(),
        ConditionsDocument().withError().toXml(), QByteArray() };
    FixedAnswerService service;
    SettingsStore store(dir.filePath("settings.ini"));
    store.SaveSetting(ConfigStore::Setup, "Path_Dat", dir.path());
    ConfigPage config;
    config.API_key = "demo";
    config.Estacion_ID.text = "ISIMDESPEJADO";
    ConditionsPoll poll(service, store, nullptr);
    ConditionsPage page;
    for (int i = 0; i < 500; ++i) {
        service.setBody(answers.at(i % answers.size()));
        poll.WriteMeteo(config, ".", ObservationField::names(), page);
    }

    ::close(stop[1]);
    Seen seen;
    QCOMPARE(::read(report[0], &seen, sizeof seen), ssize_t(sizeof seen));
    ::close(report[0]);
    int status = 0;
    QCOMPARE(::waitpid(reader, &status, 0), reader);
    qInfo("%ld reads: %ld lines, %ld error lines, %ld empty", seen.reads, seen.lines,
        seen.errorLines, seen.empty);
    QVERIFY2(seen.other == 0, seen.firstOther);
    // The reader ran alongside the polls and saw each kind of content.
    QVERIFY(seen.lines > 0 && seen.errorLines > 0 && seen.empty > 0);
}

QTEST_GUILESS_MAIN(TestConcurrentReader)
#include "tst_concurrentreader.moc"
