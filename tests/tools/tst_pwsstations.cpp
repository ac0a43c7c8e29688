#include "PwsStations.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <QTimeZone>

// The simulated station whose last hour always crosses its local midnight.
class TestPwsStations : public QObject
{
    Q_OBJECT

private slots:
    void midnightStationIsAlwaysJustPastMidnight_data();
    void midnightStationIsAlwaysJustPastMidnight();
};

namespace
{

QMap<QString, QString> query(const QString& key, const QString& station)
{
    return { { "apiKey", key }, { "stationId", station }, { "format", "json" }, { "units", "m" } };
}

} // namespace

void TestPwsStations::midnightStationIsAlwaysJustPastMidnight_data()
{
    QTest::addColumn<QDateTime>("now");
    for (const char* time : { "00:00", "00:10", "06:45", "10:31", "12:00", "19:59", "23:50" })
        QTest::newRow(time) << QDateTime(
            QDate(2026, 12, 6), QTime::fromString(time, "HH:mm"), QTimeZone::utc());
}

void TestPwsStations::midnightStationIsAlwaysJustPastMidnight()
{
    QFETCH(QDateTime, now);
    const QJsonObject current = QJsonDocument::fromJson(
        PwsStations::answer("/v2/pws/observations/current", query("k", "IPWSMEDIANOCHE"), now).body)
                                    .object()
                                    .value("observations")
                                    .toArray()
                                    .at(0)
                                    .toObject();
    const QString localText = current.value("obsTimeLocal").toString();
    const QDateTime local(QDate::fromString(localText.left(10), Qt::ISODate),
        QTime::fromString(localText.mid(11), "HH:mm:ss"), QTimeZone::utc());
    QVERIFY2(local.time() >= QTime(0, 15) && local.time() < QTime(0, 35), qPrintable(localText));
    const qint64 offset
        = QDateTime::fromString(current.value("obsTimeUtc").toString(), Qt::ISODate).secsTo(local);
    QVERIFY(offset >= -12 * 3600 && offset <= 14 * 3600);
}

QTEST_GUILESS_MAIN(TestPwsStations)
#include "tst_pwsstations.moc"
