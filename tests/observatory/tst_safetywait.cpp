#include "SafetyWait.h"

#include <QDateTime>
#include <QLoggingCategory>
#include <QRandomGenerator>
#include <QTest>

namespace
{

constexpr qint64 Minute = 60 * 1000;
enum class Kind { Safe, Unsafe, Failed, ErrorAnswer, OldObservation };

ConditionsReadings reading(Kind kind, qint64 timeMs, int refreshMinutes, qint64 ageMs = 0)
{
    ConditionsReadings readings;
    readings.outcome = kind == Kind::Failed ? ConditionsReadings::Outcome::Failed
        : kind == Kind::ErrorAnswer         ? ConditionsReadings::Outcome::ErrorAnswer
                                            : ConditionsReadings::Outcome::Complete;
    readings.safe = kind == Kind::Safe || kind == Kind::OldObservation;
    readings.reasons = kind == Kind::Unsafe ? QStringLiteral("V40Km/h") : QString();
    readings.refreshMinutes = qint16(refreshMinutes);
    readings.observationTimeMs = timeMs - ageMs;
    return readings;
}

qint64 localMs(int hour, int minute = 0, int day = 7)
{
    return QDateTime(QDate(2026, 12, day), QTime(hour, minute)).toMSecsSinceEpoch();
}

// From the polls alone (time, good): the first of the good polls, none a gap apart, that run
// up to t; nothing after a bad poll or in a gap.
std::optional<qint64> runStart(const QList<std::pair<qint64, bool>>& polls, qint64 gapMs, qint64 t)
{
    std::optional<qint64> start;
    qint64 previous = 0;
    for (const auto& [time, good] : polls) {
        if (time > t)
            break;
        if (!good)
            start.reset();
        else if (!start || time - previous > gapMs)
            start = time;
        previous = time;
    }
    return t - previous > gapMs ? std::nullopt : start;
}

class FakeHistory : public HistoryReader
{
public:
    QList<PollRecord> records;
    QList<PollRecord> polls(qint64 fromMs, qint64) const override
    {
        QList<PollRecord> within = records;
        within.removeIf([fromMs](const PollRecord& record) { return record.timeMs < fromMs; });
        return within;
    }
    std::optional<HistoryMeans> means(qint64, qint64) const override { return std::nullopt; }
    std::optional<qint64> firstPollMs() const override { return std::nullopt; }
};

} // namespace

// The network safety's wait, on a clock of the test's own.
class TestSafetyWait : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLoggingCategory::setFilterRules("nubora.poll.info=false"); }
    void generatedSequences();
    void forecastHold_data();
    void forecastHold();
    void oldObservation();
    void restartKeepsTheWait_data();
    void restartKeepsTheWait();
};

void TestSafetyWait::generatedSequences()
{
    // Never safe within the wait of a bad poll or a gap; always safe after a run that long.
    // With wait 0 that is safe exactly on a safe, fresh poll.
    for (quint32 seed = 1; seed <= 150 && !QTest::currentTestFailed(); ++seed) {
        QRandomGenerator random(seed);
        const int period = random.bounded(2) ? 5 : 1;
        const qint64 waitMs = QList { 0, 3, 10 }[seed % 3] * Minute;
        const qint64 gapMs = (2 * period + 1) * Minute;
        QList<std::pair<qint64, bool>> polls;
        const auto expected = [&](qint64 t) {
            const std::optional<qint64> start = runStart(polls, gapMs, t);
            return start && t >= *start + waitMs;
        };
        SafetyWait wait({ int(waitMs / Minute), 0, 15 });
        QList<SafetyTransition> told;
        wait.setTransitionHook([&told](const SafetyTransition& change) { told << change; });
        qint64 now = localMs(18);
        wait.start(now, nullptr, period);
        const auto check = [&](qint64 t) {
            QVERIFY2(wait.state().verdict(t).safe == expected(t),
                qPrintable(QStringLiteral("seed %1 at %2").arg(seed).arg(t)));
            // Each change is told at the moment it happened.
            for (const SafetyTransition& change : told.mid(1))
                QVERIFY2(expected(change.timeMs) == change.safe
                        && expected(change.timeMs - 1) != change.safe,
                    qPrintable(QStringLiteral("seed %1 at %2").arg(seed).arg(change.timeMs)));
            told = { told.last() };
        };
        for (int event = 0; event < 200 && !QTest::currentTestFailed(); ++event) {
            const qint64 next = random.bounded(100) < 8
                ? now + gapMs + random.bounded(1, 20) * Minute
                : now + period * Minute + random.bounded(-20, 21) * 1000;
            for (int ticks = random.bounded(4); ticks > 0; --ticks) {
                now += random.bounded(next - now);
                wait.tick(now);
                check(now);
            }
            now = next;
            const int roll = random.bounded(100);
            const Kind kind = roll < 65 ? Kind::Safe
                : roll < 77             ? Kind::Unsafe
                : roll < 85             ? Kind::Failed
                : roll < 90             ? Kind::ErrorAnswer
                                        : Kind::OldObservation;
            // A good observation stays young enough until the polls go stale.
            const qint64 age = kind == Kind::OldObservation ? (16 + random.bounded(40)) * Minute
                                                            : random.bounded(2 * Minute);
            wait.addPoll(now, reading(kind, now, period, age));
            polls.append({ now, kind == Kind::Safe });
            check(now);
        }
    }
}

void TestSafetyWait::forecastHold_data()
{
    QTest::addColumn<int>("holdHours");
    QTest::addColumn<qint64>("nowMs");
    QTest::addColumn<QString>("reason");
    // Ten hours from 20:00: rain at 23:00, damp at 01:00.
    QTest::newRow("beyond reach") << 3 << localMs(19, 59) << "Condiciones seguras";
    QTest::newRow("within reach") << 3 << localMs(20, 1) << "Previsión de las 23:00: Lluvia";
    QTest::newRow("past midnight")
        << 2 << localMs(0, 30, 8) << "Previsión de las 01:00: humedad 97%";
}

void TestSafetyWait::forecastHold()
{
    QFETCH(int, holdHours);
    QFETCH(qint64, nowMs);
    QFETCH(QString, reason);
    ForecastPage page;
    for (int i = 0; i < ForecastPage::RowCount; ++i) {
        ForecastRow& row = page.rows[i];
        row.Hr_Fct.text = QStringLiteral("%1:00").arg((20 + i) % 24, 2, 10, QChar('0'));
        row.C_Fct = { i == 3 ? "Lluvia" : "Despejado", FieldColour::Grey, i == 3 };
        row.H_Fct = { i == 5 ? "97" : "60", FieldColour::Grey, i == 5 };
        row.Hr_Fct.background = i == 3 || i == 5 ? FieldColour::Red : FieldColour::Green;
    }
    NetworkSafety safety({ 0, holdHours, 0 });
    safety.setForecast(localMs(19, 50), page);
    safety.addPoll(nowMs, reading(Kind::Safe, nowMs, 1));
    QCOMPARE(safety.verdict(nowMs).reason, reason);
}

void TestSafetyWait::oldObservation()
{
    const qint64 t0 = localMs(21);
    NetworkSafety safety({ 0, 0, 15 });
    // The services serve a silent station's last observation for up to an hour.
    safety.addPoll(t0, reading(Kind::Safe, t0, 5, 42 * Minute + 30000));
    QCOMPARE(safety.verdict(t0).reason, QString("datos de hace 42 min"));
    // A young one is safe until it grows older than the limit, between polls.
    safety.addPoll(t0 + Minute, reading(Kind::Safe, t0 + Minute, 5, 10 * Minute));
    QVERIFY(safety.verdict(t0 + 6 * Minute).safe);
    QCOMPARE(safety.verdict(t0 + 6 * Minute + 1).reason, QString("datos de hace 15 min"));
}

void TestSafetyWait::restartKeepsTheWait_data()
{
    QTest::addColumn<QString>("archive"); // a poll a minute up to the restart: g good, b bad
    QTest::addColumn<QString>("atStart");
    QTest::addColumn<int>("safeAfter"); // minutes of good polls after the restart
    QTest::newRow("in the wait") << "bggggggg"
                                 << "Seguro en 3 min" << 3;
    QTest::newRow("stale") << "ggggggggggggggg-------------"
                           << "Datos sin actualizar desde hace 14 min" << 10;
}

void TestSafetyWait::restartKeepsTheWait()
{
    QFETCH(QString, archive);
    QFETCH(QString, atStart);
    QFETCH(int, safeAfter);
    const qint64 restart = localMs(22);
    FakeHistory history;
    for (int i = 0; i < archive.size(); ++i) {
        const qint64 t = restart - (archive.size() - i) * Minute;
        if (archive[i] != '-')
            history.records << PollRecord { t,
                reading(archive[i] == 'g' ? Kind::Safe : Kind::Unsafe, t, 5), {}, {} };
    }
    SafetyWait wait({ 10, 0, 15 });
    QString told;
    wait.setTransitionHook([&told](const SafetyTransition& change) { told = change.reason; });
    wait.start(restart, &history, 5);
    QCOMPARE(told, atStart);
    for (int minute = 0; minute <= safeAfter; ++minute) {
        QVERIFY(!wait.safe());
        wait.addPoll(restart + minute * Minute, reading(Kind::Safe, restart + minute * Minute, 5));
    }
    QVERIFY(wait.safe());
}

QTEST_GUILESS_MAIN(TestSafetyWait)
#include "tst_safetywait.moc"
