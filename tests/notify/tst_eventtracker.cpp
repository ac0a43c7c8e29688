#include "EventTracker.h"

#include <QTest>

class TestEventTracker : public QObject
{
    Q_OBJECT

private slots:
    void drivenDay();
};

// A day of polls and safety changes, driven minute by minute: each change told once, the
// flapping ones held and summed up, unsafe always told at once.
void TestEventTracker::drivenDay()
{
    using O = ConditionsReadings::Outcome;
    constexpr qint64 Minute = 60 * 1000;
    EventTracker tracker({ 2, 15, 5 });
    QStringList told;
    const auto keep = [&told](const QList<NotifyEvent>& events) {
        for (const NotifyEvent& e : events)
            told.append(
                QStringLiteral("%1 %2 %3").arg(e.timeMs / Minute).arg(e.kindName(), e.message));
    };
    const auto change = [&](int minute, bool safe, const QString& reason) {
        keep(tracker.transition({ minute * Minute, safe, reason }));
    };
    const auto poll = [&](int minute, O outcome) {
        ConditionsReadings readings;
        readings.outcome = outcome;
        readings.refreshMinutes = 5;
        keep(tracker.poll(minute * Minute, readings,
            outcome == O::Complete ? QStringLiteral("safe")
                                   : QStringLiteral("failed load: HTTP status 500")));
    };
    const auto tick = [&](int minute) { keep(tracker.tick(minute * Minute)); };

    tracker.start(0);
    change(0, false, "esperando"); // the state at start: not a change
    for (int m = 5; m <= 25; m += 5)
        poll(m, O::Complete);
    change(10, true, "10 min de sondeos buenos");
    change(20, false, "Nublado");
    change(22, true, "sondeos buenos"); // held: safe was told 12 min ago
    change(23, false, "Viento"); // told at once; the held "safe" is no longer the state
    change(24, true, "sondeos buenos"); // held
    tick(25); // the quiet period since 10 ends: the held one, with the count
    poll(30, O::Failed);
    poll(35, O::Failed); // second in a row: failing
    tick(37); // 12 min without an answered poll: stale
    poll(40, O::Failed); // still failing: nothing new
    poll(45, O::Complete); // recovered
    poll(46, O::Failed);
    poll(47, O::Failed); // failing again, held
    poll(48, O::Complete); // recovered, held; the held failing goes
    poll(49, O::Failed);
    poll(50, O::Failed); // 15 min since 35: told, with the count
    poll(51, O::Complete); // held again, the second since 45
    tick(55);
    tick(60); // 15 min since the last recovered told
    poll(61, O::Failed);
    poll(62, O::Failed); // held: failing was told 12 min ago
    poll(63, O::NotRun); // a poll that did not run counts as nothing, but time went by: stale
    poll(64, O::Failed);
    tick(65); // the held failing

    const QStringList expected {
        "10 safe Condiciones seguras de nuevo tras la espera: 10 min de sondeos buenos",
        "20 unsafe No seguro: Nublado",
        "23 unsafe No seguro: Viento",
        "25 safe Condiciones seguras de nuevo tras la espera: sondeos buenos (2 cambios en 15 min)",
        "35 failing 2 sondeos fallidos seguidos; el último: HTTP status 500",
        "37 stale Ningún sondeo respondido desde hace 12 min",
        "45 recovered La fuente responde de nuevo tras 20 min sin datos",
        "50 failing 2 sondeos fallidos seguidos; el último: HTTP status 500 (2 cambios en 15 min)",
        "60 recovered La fuente responde de nuevo tras 3 min sin datos (2 cambios en 15 min)",
        "63 stale Ningún sondeo respondido desde hace 12 min",
        "65 failing 2 sondeos fallidos seguidos; el último: HTTP status 500",
    };
    QCOMPARE(told, expected);
}

QTEST_GUILESS_MAIN(TestEventTracker)
#include "tst_eventtracker.moc"
