#include "SafetyWait.h"

#include <QDateTime>
#include <QLoggingCategory>
#include <QRandomGenerator>
#include <QTest>

namespace
{

constexpr qint64 Minute = 60 * 1000;
using Outcome = ConditionsReadings::Outcome;
enum class Kind { Safe, Unsafe, Failed, ErrorAnswer, OldObservation };

ConditionsReadings reading(Kind kind, qint64 timeMs, int refreshMinutes, qint64 ageMs = 0)
{
    ConditionsReadings readings;
    readings.outcome = kind == Kind::Failed ? Outcome::Failed
        : kind == Kind::ErrorAnswer         ? Outcome::ErrorAnswer
                                            : Outcome::Complete;
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

// What a generated run fed, judged without the wait's own state: the polls, each good or not.
struct Timeline {
    qint64 waitMs = 0;
    qint64 staleMs = 0;
    QList<std::pair<qint64, bool>> polls;

    // In a gap, or within the wait after a bad poll or after a gap's end.
    bool forbidsSafe(qint64 t) const
    {
        qint64 previous = -1;
        for (const auto& [time, good] : polls) {
            if (time > t)
                break;
            if ((!good && t <= time + waitMs)
                || (previous >= 0 && time - previous > staleMs && t < time + waitMs))
                return true;
            previous = time;
        }
        return previous < 0 || t - previous > staleMs;
    }

    // Only good polls, none a gap apart, from one at least the wait before t.
    bool demandsSafe(qint64 t) const
    {
        qint64 previous = -1;
        for (const auto& [time, good] : polls) {
            if (time > t)
                break;
            const bool continues = previous >= 0 && time - previous <= staleMs;
            if (!good || (!continues && time > t - waitMs))
                previous = -1;
            else if (continues || time <= t - waitMs)
                previous = time;
        }
        return previous >= 0 && t - previous <= staleMs;
    }
};

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
    // A line per poll would flood the output; the settings' warnings stay.
    void initTestCase() { QLoggingCategory::setFilterRules("nubora.poll.info=false"); }
    void generatedSequences();
    void forecastHold_data();
    void forecastHold();
    void oldObservation();
    void restartKeepsTheWait_data();
    void restartKeepsTheWait();
    void badSettings();
};

void TestSafetyWait::generatedSequences()
{
    // With wait 0 the two properties together are the first-safe-poll rule.
    const int waits[] = { 0, 3, 10 };
    for (quint32 seed = 1; seed <= 150 && !QTest::currentTestFailed(); ++seed) {
        QRandomGenerator random(seed);
        const int period = random.bounded(2) ? 5 : 1;
        Timeline timeline { waits[seed % 3] * Minute, (2 * period + 1) * Minute, {} };
        SafetyWait wait({ waits[seed % 3], 0, 15 });
        QList<SafetyTransition> told;
        wait.setTransitionHook([&told](const SafetyTransition& change) { told << change; });
        qint64 now = localMs(18);
        wait.start(now, nullptr, period);
        const auto check = [&](qint64 t) {
            const SafetyVerdict verdict = wait.state().verdict(t);
            const QByteArray where = "seed " + QByteArray::number(seed) + " at "
                + QByteArray::number(t) + ": " + verdict.reason.toUtf8();
            QVERIFY2(!verdict.safe || !timeline.forbidsSafe(t), where);
            QVERIFY2(verdict.safe || !timeline.demandsSafe(t), where);
            QVERIFY2(told.last().safe == verdict.safe, where);
            // Each change is told at the moment it happened, and is a change.
            for (int i = 1; i < told.size(); ++i)
                QVERIFY2(told[i].safe != told[i - 1].safe
                        && (told[i].safe ? !timeline.forbidsSafe(told[i].timeMs)
                                         : !timeline.demandsSafe(told[i].timeMs)),
                    where + " told at " + QByteArray::number(told[i].timeMs));
            told = { told.last() };
        };
        for (int event = 0; event < 200 && !QTest::currentTestFailed(); ++event) {
            const qint64 next = random.bounded(100) < 8
                ? now + timeline.staleMs + random.bounded(1, 20) * Minute // a gap
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
            timeline.polls.append({ now, kind == Kind::Safe });
            check(now);
        }
    }
}

void TestSafetyWait::forecastHold_data()
{
    QTest::addColumn<int>("holdHours");
    QTest::addColumn<qint64>("nowMs");
    QTest::addColumn<QString>("reason");
    // The page below: rain at 23:00, damp at 01:00, ten hours from 20:00.
    QTest::newRow("beyond reach") << 3 << localMs(19, 59) << "Condiciones seguras";
    QTest::newRow("within reach") << 3 << localMs(20, 1) << "Previsión de las 23:00: Lluvia";
    QTest::newRow("past midnight")
        << 2 << localMs(0, 30, 8) << "Previsión de las 01:00: humedad 97%";
    QTest::newRow("too short") << 3 << localMs(3, 30, 8) << "Sin previsión para las próximas 3 h";
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
    QCOMPARE(safety.verdict(nowMs).safe, reason == "Condiciones seguras");
}

void TestSafetyWait::oldObservation()
{
    const qint64 t0 = localMs(21);
    SafetyWait wait({ 0, 0, 15 });
    QList<SafetyTransition> told;
    wait.setTransitionHook([&told](const SafetyTransition& change) { told << change; });
    wait.start(t0, nullptr, 5);
    // The services serve a silent station's last observation for up to an hour.
    wait.addPoll(t0, reading(Kind::Safe, t0, 5, 42 * Minute + 30000));
    QCOMPARE(wait.state().verdict(t0).reason, QString("datos de hace 42 min"));
    // A young one is safe until it grows older than the limit, between polls.
    wait.addPoll(t0 + Minute, reading(Kind::Safe, t0 + Minute, 5, 10 * Minute));
    wait.tick(t0 + 7 * Minute);
    QCOMPARE(told.size(), 3);
    QCOMPARE(told[1].safe, true);
    QCOMPARE(told[2].timeMs, t0 + 6 * Minute + 1);
    QCOMPARE(told[2].reason, QString("datos de hace 15 min"));
}

void TestSafetyWait::restartKeepsTheWait_data()
{
    QTest::addColumn<QString>("archive"); // a poll a minute up to the restart: g good, b bad
    QTest::addColumn<QString>("atStart");
    QTest::addColumn<int>("safeAfter"); // minutes of good polls after the restart
    QTest::newRow("seven minutes into the wait") << "bggggggg"
                                                 << "Seguro en 3 min" << 3;
    QTest::newRow("no archive") << ""
                                << "Nubora aún no ha consultado la estación" << 10;
    QTest::newRow("stopped for longer than the staleness")
        << "ggggggggggggggg-------------"
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
    QList<SafetyTransition> told;
    wait.setTransitionHook([&told](const SafetyTransition& change) { told << change; });
    wait.start(restart, archive.isEmpty() ? nullptr : &history, 5);
    QCOMPARE(told.size(), 1);
    QCOMPARE(told.last().reason, atStart);
    for (int minute = 0; minute <= safeAfter; ++minute) {
        QVERIFY(!wait.safe());
        wait.addPoll(restart + minute * Minute, reading(Kind::Safe, restart + minute * Minute, 5));
    }
    QVERIFY(wait.safe());
}

void TestSafetyWait::badSettings()
{
    const QHash<QString, QString> stored { { "EsperaSegura", "treinta" },
        { "HorasPrevisionSegura", "2" }, { "EdadMaxima", "-5" } };
    QTest::ignoreMessage(
        QtWarningMsg, "EsperaSegura \"treinta\" is not a whole number from 0 to 1440; using 10");
    QTest::ignoreMessage(
        QtWarningMsg, "EdadMaxima \"-5\" is not a whole number from 0 to 1440; using 15");
    const SafetyWait::Settings settings
        = SafetyWait::readSettings([&stored](const QString& key) { return stored.value(key); });
    QCOMPARE(settings.waitMinutes, 10);
    QCOMPARE(settings.forecastHours, 2);
    QCOMPARE(settings.maxAgeMinutes, 15);
}

QTEST_GUILESS_MAIN(TestSafetyWait)
#include "tst_safetywait.moc"
