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

qint64 localMs(int hour, int minute)
{
    return QDateTime(QDate(2026, 12, 7), QTime(hour, minute)).toMSecsSinceEpoch();
}

// One generated run: what was fed, with no reference to how the wait keeps its state.
struct Timeline {
    qint64 waitMs = 0;
    qint64 staleAfterMs = 0;
    QList<std::pair<qint64, bool>> polls; // time, good

    // Within the wait of a bad poll or of the end of a gap, or in the gap itself.
    bool forbidsSafe(qint64 t) const
    {
        qint64 previous = -1;
        for (const auto& [time, good] : polls) {
            if (time > t)
                break;
            if (!good && t <= time + waitMs)
                return true;
            if (previous >= 0 && time - previous > staleAfterMs && t < time + waitMs)
                return true;
            previous = time;
        }
        return previous < 0 || t - previous > staleAfterMs;
    }

    // Good polls, none further apart than the staleness, since at least the wait before t.
    bool demandsSafe(qint64 t) const
    {
        int first = -1;
        for (int i = 0; i < polls.size() && polls[i].first <= t - waitMs; ++i)
            first = i;
        if (first < 0)
            return false;
        qint64 previous = polls[first].first;
        for (int i = first; i < polls.size() && polls[i].first <= t; ++i) {
            if (!polls[i].second || polls[i].first - previous > staleAfterMs)
                return false;
            previous = polls[i].first;
        }
        return t - previous <= staleAfterMs;
    }
};

class FakeHistory : public HistoryReader
{
public:
    QList<PollRecord> records;
    QList<PollRecord> polls(qint64 fromMs, qint64 toMs) const override
    {
        QList<PollRecord> within;
        for (const PollRecord& record : records)
            if (record.timeMs >= fromMs && record.timeMs <= toMs)
                within << record;
        return within;
    }
    std::optional<HistoryMeans> means(qint64, qint64) const override { return std::nullopt; }
    std::optional<qint64> firstPollMs() const override { return std::nullopt; }
};

} // namespace

// The network safety's wait, driven by a clock of the test's own.
class TestSafetyWait : public QObject
{
    Q_OBJECT

private slots:
    // The poll's own lines would flood the output; the settings' warnings stay.
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
    // Wait 0 included: then the two properties together are the first-safe-poll rule.
    const int waits[] = { 0, 3, 10 };
    for (quint32 seed = 1; seed <= 150; ++seed) {
        QRandomGenerator random(seed);
        const int period = random.bounded(2) ? 5 : 1;
        Timeline timeline;
        timeline.waitMs = waits[seed % 3] * Minute;
        timeline.staleAfterMs = (2 * period + 1) * Minute;
        SafetyWait wait({ waits[seed % 3], 0, 15 });
        QList<SafetyTransition> told;
        wait.setTransitionHook([&told](const SafetyTransition& change) { told << change; });
        qint64 now = localMs(18, 0);
        wait.start(now, nullptr, period);

        int checked = 0;
        const auto check = [&](qint64 t) {
            const SafetyVerdict verdict = wait.state().verdict(t);
            const QByteArray where = QByteArray("seed ") + QByteArray::number(seed) + " at +"
                + QByteArray::number((t - localMs(18, 0)) / 1000.0)
                + " s: " + verdict.reason.toUtf8();
            QVERIFY2(!verdict.safe || !timeline.forbidsSafe(t), where);
            QVERIFY2(verdict.safe || !timeline.demandsSafe(t), where);
            QVERIFY2(!told.isEmpty() && told.last().safe == verdict.safe, where);
            // Each change was told at the moment it happened.
            for (; checked < told.size(); ++checked) {
                const SafetyTransition& change = told[checked];
                QVERIFY2(checked == 0 || change.safe != told[checked - 1].safe, where);
                QVERIFY2(change.safe ? !timeline.forbidsSafe(change.timeMs)
                                     : !timeline.demandsSafe(change.timeMs),
                    where + " told at " + QByteArray::number(change.timeMs));
            }
        };
        for (int event = 0; event < 200; ++event) {
            const bool gap = random.bounded(100) < 8;
            qint64 next = now + period * Minute + random.bounded(-20, 21) * 1000;
            if (gap)
                next = now + timeline.staleAfterMs + random.bounded(1, 20) * Minute;
            for (int ticks = random.bounded(4); ticks > 0; --ticks) {
                now += random.bounded(next - now);
                wait.tick(now);
                check(now);
                if (QTest::currentTestFailed())
                    return;
            }
            now = next;
            const int roll = random.bounded(100);
            const Kind kind = roll < 65 ? Kind::Safe
                : roll < 77             ? Kind::Unsafe
                : roll < 85             ? Kind::Failed
                : roll < 90             ? Kind::ErrorAnswer
                                        : Kind::OldObservation;
            // A good observation is fresh enough to last until the polls go stale.
            const qint64 age = kind == Kind::OldObservation ? (16 + random.bounded(40)) * Minute
                                                            : random.bounded(2 * Minute);
            wait.addPoll(now, reading(kind, now, period, age));
            timeline.polls.append({ now, kind == Kind::Safe });
            check(now);
            if (QTest::currentTestFailed())
                return;
        }
    }
}

void TestSafetyWait::forecastHold_data()
{
    QTest::addColumn<QStringList>("hours"); // "HH:MM" and "ok" or the bold cell: C, H, V
    QTest::addColumn<int>("holdHours");
    QTest::addColumn<qint64>("nowMs");
    QTest::addColumn<QString>("reason");

    const QStringList evening { "20:00 ok", "21:00 ok", "22:00 ok", "23:00 C", "00:00 ok",
        "01:00 H", "02:00 V", "03:00 ok", "04:00 ok", "05:00 ok" };
    const QString rain = "Previsión de las 23:00: Lluvia";
    QTest::newRow("hold off") << evening << 0 << localMs(22, 30) << "Condiciones seguras";
    QTest::newRow("bad hour beyond reach")
        << evening << 3 << localMs(19, 59) << "Condiciones seguras";
    QTest::newRow("bad hour within reach") << evening << 3 << localMs(20, 1) << rain;
    QTest::newRow("bad hour under way") << evening << 1 << localMs(23, 59) << rain;
    QTest::newRow("bad hour over")
        << evening << 1 << localMs(0, 0) + 24 * 60 * Minute << "Condiciones seguras";
    QTest::newRow("after midnight") << evening << 2 << localMs(0, 30) + 24 * 60 * Minute
                                    << "Previsión de las 01:00: humedad 97%";
    QTest::newRow("wind") << evening << 1 << localMs(2, 10) + 24 * 60 * Minute
                          << "Previsión de las 02:00: viento 40 Km/h";
    QTest::newRow("forecast too short") << evening << 3 << localMs(3, 30) + 24 * 60 * Minute
                                        << "Sin previsión para las próximas 3 h";
    QTest::newRow("no forecast") << QStringList() << 1 << localMs(20, 30)
                                 << "Sin previsión para las próximas 1 h";
}

void TestSafetyWait::forecastHold()
{
    QFETCH(QStringList, hours);
    QFETCH(int, holdHours);
    QFETCH(qint64, nowMs);
    QFETCH(QString, reason);

    ForecastPage page;
    for (int i = 0; i < hours.size(); ++i) {
        ForecastRow& row = page.rows[i];
        const QStringList parts = hours[i].split(' ');
        row.Hr_Fct.text = parts[0];
        row.C_Fct.text = parts[1] == "C" ? "Lluvia" : "Despejado";
        row.H_Fct.text = parts[1] == "H" ? "97" : "60";
        row.V_Fct.text = parts[1] == "V" ? "40" : "10";
        row.C_Fct.bold = parts[1] == "C";
        row.H_Fct.bold = parts[1] == "H";
        row.V_Fct.bold = parts[1] == "V";
        row.Hr_Fct.background = parts[1] == "ok" ? FieldColour::Green : FieldColour::Red;
    }
    NetworkSafety safety({ 0, holdHours, 0 });
    safety.setForecast(localMs(19, 50), page);
    // Polls every minute up to the moment asked about: only the forecast can hold it.
    for (qint64 t = localMs(19, 50); t <= nowMs; t += Minute)
        safety.addPoll(t, reading(Kind::Safe, t, 1));
    const SafetyVerdict verdict = safety.verdict(nowMs);
    QCOMPARE(verdict.reason, reason);
    QCOMPARE(verdict.safe, reason == "Condiciones seguras");
    QVERIFY(!verdict.safeAtMs);

    // The change comes, between polls, at the moment the hour comes within reach.
    if (holdHours == 3 && reason.contains("23:00")) {
        SafetyWait wait({ 0, 3, 0 });
        QList<SafetyTransition> told;
        wait.setTransitionHook([&told](const SafetyTransition& change) { told << change; });
        wait.start(localMs(19, 0), nullptr, 60);
        wait.setForecast(localMs(19, 50), page);
        wait.addPoll(localMs(19, 50), reading(Kind::Safe, localMs(19, 50), 60));
        wait.tick(localMs(20, 30));
        QCOMPARE(told.size(), 3);
        QCOMPARE(told[1].safe, true);
        QCOMPARE(told[2].timeMs, localMs(20, 0) + 1);
        QCOMPARE(told[2].reason, reason);
    }
}

void TestSafetyWait::oldObservation()
{
    const qint64 t0 = localMs(21, 0);
    SafetyWait wait({ 0, 0, 15 });
    QList<SafetyTransition> told;
    wait.setTransitionHook([&told](const SafetyTransition& change) { told << change; });
    wait.start(t0, nullptr, 5);
    QCOMPARE(told.last().reason, QString("Nubora aún no ha consultado la estación"));

    // The services serve a silent station's last observation for up to an hour.
    wait.addPoll(t0, reading(Kind::Safe, t0, 5, 42 * Minute + 30000));
    QCOMPARE(wait.state().verdict(t0).reason, QString("datos de hace 42 min"));
    QVERIFY(!wait.safe());

    // A fresh one is safe, and unsafe once it grows older than the limit, between polls.
    wait.addPoll(t0 + Minute, reading(Kind::Safe, t0 + Minute, 5, 10 * Minute));
    QVERIFY(wait.safe());
    wait.tick(t0 + 7 * Minute);
    QCOMPARE(told.size(), 3);
    QCOMPARE(told.last().timeMs, t0 + 6 * Minute + 1);
    QCOMPARE(told.last().reason, QString("datos de hace 15 min"));

    // 0 leaves the age unheeded.
    NetworkSafety unheeded({ 0, 0, 0 });
    unheeded.addPoll(t0, reading(Kind::Safe, t0, 5, 42 * Minute));
    QVERIFY(unheeded.verdict(t0).safe);
}

void TestSafetyWait::restartKeepsTheWait_data()
{
    QTest::addColumn<QString>("archive"); // one letter a minute up to the restart: g good, b bad
    QTest::addColumn<bool>("withArchive");
    QTest::addColumn<QString>("atStart");
    QTest::addColumn<int>("safeAfterMinutes"); // of good polls every minute after the restart

    QTest::newRow("seven minutes into the wait") << "bggggggg" << true << "Seguro en 3 min" << 3;
    QTest::newRow("bad poll just before") << "gggggggggggggb" << true << "V40Km/h" << 10;
    QTest::newRow("safe before") << "ggggggggggggggg" << true << "Condiciones seguras" << 0;
    QTest::newRow("no archive") << "ggggggggggggggg" << false
                                << "Nubora aún no ha consultado la estación" << 10;
    // The last archived poll is older than the staleness: a gap.
    QTest::newRow("long stop") << "ggggggggggggggg-------------" << true
                               << "Datos sin actualizar desde hace 14 min" << 10;
}

void TestSafetyWait::restartKeepsTheWait()
{
    QFETCH(QString, archive);
    QFETCH(bool, withArchive);
    QFETCH(QString, atStart);
    QFETCH(int, safeAfterMinutes);

    const qint64 restart = localMs(22, 0);
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
    wait.start(restart, withArchive ? &history : nullptr, 5);
    QCOMPARE(told.size(), 1);
    QCOMPARE(told.last().reason, atStart);

    int minutes = 0;
    while (!wait.safe() && minutes <= 15) {
        const qint64 t = restart + minutes * Minute;
        wait.addPoll(t, reading(Kind::Safe, t, 5));
        if (!wait.safe())
            ++minutes;
    }
    QCOMPARE(minutes, safeAfterMinutes);
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
