#include "RefreshSchedule.h"

#include <QTest>
#include <QTimer>

// The schedule on its own: ticks are driven by hand and the signals recorded in order.
class TestRefreshSchedule : public QObject
{
    Q_OBJECT

private slots:
    void pollsFollowThePeriod_data();
    void pollsFollowThePeriod();
    void periodIsReadAtEveryTick();
    void lockTimer();
};

namespace
{

// The events of a run, "C" for a conditions poll, "F" for a forecast update, "-" for a
// tick with neither.
QString run(RefreshSchedule& schedule, int ticks)
{
    QString events;
    const QObject listener; // ends the connections with the run
    QObject::connect(
        &schedule, &RefreshSchedule::conditionsDue, &listener, [&events] { events += 'C'; });
    QObject::connect(
        &schedule, &RefreshSchedule::forecastDue, &listener, [&events] { events += 'F'; });
    for (int i = 0; i < ticks; ++i) {
        const qsizetype before = events.size();
        schedule.Timer1_Timer();
        if (events.size() == before)
            events += '-';
        events += ' ';
    }
    return events.trimmed();
}

} // namespace

void TestRefreshSchedule::pollsFollowThePeriod_data()
{
    QTest::addColumn<qint16>("period");
    QTest::addColumn<int>("conditions");
    // Sixty ticks: the forecast comes once, after the conditions poll of the same tick.
    QTest::newRow("5") << qint16(5) << 12;
    QTest::newRow("1") << qint16(1) << 60;
    QTest::newRow("0 polls every tick") << qint16(0) << 60;
    QTest::newRow("negative polls every tick") << qint16(-7) << 60;
    QTest::newRow("longer than the hour") << qint16(90) << 0;
}

void TestRefreshSchedule::pollsFollowThePeriod()
{
    QFETCH(qint16, period);
    QFETCH(int, conditions);
    RefreshSchedule schedule(nullptr, [period] { return period; });
    const QString events = run(schedule, 60);
    QCOMPARE(events.count('C'), conditions);
    QCOMPARE(events.count('F'), 1);
    QVERIFY(events.endsWith(conditions > 0 ? " CF" : " F"));
    QCOMPARE(schedule.Cuenta_Fct, qint16(0));
    QCOMPARE(schedule.Cuenta_Refresco, qint16(period >= 60 ? 60 : 0));
}

void TestRefreshSchedule::periodIsReadAtEveryTick()
{
    qint16 period = 3;
    RefreshSchedule schedule(nullptr, [&period] { return period; });
    QCOMPARE(run(schedule, 2), QString("- -"));
    // A period shortened below the count polls at the next tick; a manual refresh restarts it.
    period = 2;
    QCOMPARE(run(schedule, 1), QString("C"));
    schedule.restartConditionsCount();
    schedule.Cuenta_Fct = 58;
    QCOMPARE(run(schedule, 2), QString("- CF"));
}

void TestRefreshSchedule::lockTimer()
{
    RefreshSchedule schedule(nullptr, [] { return qint16(5); });
    QCOMPARE(schedule.Timer1->interval(), 60000);
    QCOMPARE(schedule.Timer2->interval(), 20000);
    schedule.start();
    QVERIFY(schedule.Timer1->isActive());
    QVERIFY(!schedule.Timer2->isActive());
    schedule.startLock();
    int expired = 0;
    connect(&schedule, &RefreshSchedule::lockExpired, [&expired] { ++expired; });
    schedule.Timer2_Timer();
    QCOMPARE(expired, 1);
    QVERIFY(!schedule.Timer2->isActive());
    QVERIFY(schedule.Timer1->isActive());
    schedule.startLock();
    schedule.stop();
    QVERIFY(!schedule.Timer1->isActive());
    QVERIFY(!schedule.Timer2->isActive());
}

QTEST_GUILESS_MAIN(TestRefreshSchedule)
#include "tst_refreshschedule.moc"
