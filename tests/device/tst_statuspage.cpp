#include "HistoryCsv.h"
#include "HistoryRecords.h"
#include "SnapshotBoard.h"
#include "StatusBoard.h"
#include "StatusGraphs.h"
#include "StatusPage.h"
#include "SunAltitude.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>

namespace
{

constexpr qint64 HourMs = 3600 * 1000;

qint64 utc(const char* text)
{
    return QDateTime::fromString(QString::fromLatin1(text), Qt::ISODate).toMSecsSinceEpoch();
}

PollRecord poll(
    qint64 timeMs, std::optional<double> temperature, bool safe = true, const QString& reasons = {})
{
    PollRecord p;
    p.timeMs = timeMs;
    p.readings.outcome = ConditionsReadings::Outcome::Complete;
    p.readings.temperature = temperature;
    p.readings.safe = safe;
    p.readings.reasons = reasons;
    return p;
}

// Remembers the span it was asked for and answers with fixed polls.
class FixedHistory : public HistoryReader
{
public:
    QList<PollRecord> polls(qint64 fromMs, qint64 toMs) const override
    {
        asked = { fromMs, toMs };
        return m_polls;
    }
    std::optional<HistoryMeans> means(qint64, qint64) const override { return std::nullopt; }
    std::optional<qint64> firstPollMs() const override { return std::nullopt; }

    QList<PollRecord> m_polls;
    mutable std::pair<qint64, qint64> asked;
};

QJsonObject jsonOf(const AlpacaReply& reply)
{
    return QJsonDocument::fromJson(QByteArray::fromStdString(reply.body)).object();
}

constexpr qint64 Now = 1796680800000; // 2026-12-07 22:00 UTC

// The page over a fixed archive, at a standing clock.
struct Served {
    SnapshotBoard board { [] { return Now; } };
    StatusBoard view;
    FixedHistory history;
    StatusPage page { board, view, &history };
};

} // namespace

class TestStatusPage : public QObject
{
    Q_OBJECT

private slots:
    void sunAndNights();
    void graphsDrawEveryValueInOrder();
    void unsafeRunsShadedOncePerReason();
    void historyParameters_data();
    void historyParameters();
    void csvSpan_data();
    void csvSpan();
};

void TestStatusPage::sunAndNights()
{
    // Madrid at the winter solstice's noon; the sun overhead on the equator at the March
    // equinox, where its noon (7.5 min late that day) is at 12:00 UTC.
    QVERIFY(qAbs(SunAltitude::degrees(40.4168, -3.7038, utc("2024-12-21T12:00:00Z")) - 26.1) < 0.3);
    QVERIFY(SunAltitude::degrees(0, 1.9, utc("2025-03-20T12:00:00Z")) > 89.5);
    // Madrid, 21 December: sunset 16:55 UTC, sunrise 07:33 UTC.
    const auto nights = SunAltitude::nights(
        40.4168, -3.7038, utc("2024-12-21T12:00:00Z"), utc("2024-12-22T12:00:00Z"), 60000);
    QCOMPARE(nights.size(), 1);
    QVERIFY(qAbs(nights[0].first - utc("2024-12-21T16:55:00Z")) < 5 * 60000);
    QVERIFY(qAbs(nights[0].second - utc("2024-12-22T07:33:00Z")) < 5 * 60000);
    // Polar day and polar night.
    QVERIFY(SunAltitude::nights(80, 15, utc("2025-06-21T00:00:00Z"), utc("2025-06-22T00:00:00Z"))
                .isEmpty());
    const auto polar
        = SunAltitude::nights(80, 15, utc("2024-12-21T00:00:00Z"), utc("2024-12-22T00:00:00Z"));
    QCOMPARE(polar.size(), 1);
    QCOMPARE(polar[0].second - polar[0].first, 24 * HourMs);
}

void TestStatusPage::graphsDrawEveryValueInOrder()
{
    const qint64 from = utc("2026-12-07T00:00:00Z");
    QList<PollRecord> polls;
    for (int i = 0; i < 30; ++i)
        polls << poll(from + i * 10 * 60000, i % 7 == 3 ? std::nullopt : std::optional(i * 0.5));
    polls[5].readings.outcome = ConditionsReadings::Outcome::Failed;
    polls[5].readings.temperature.reset();
    const QString html = StatusGraphs(polls, from, from + 6 * HourMs, {}).html();

    const auto line = QRegularExpression(
        QStringLiteral("<figure class=\"g\" id=\"g-temp\">.*?<polyline class=\"s0\" "
                       "data-points=\"\\d+\" points=\"([^\"]*)\""))
                          .match(html);
    QVERIFY(line.hasMatch());
    const QStringList points = line.captured(1).split(u' ');
    QCOMPARE(points.size(), 30 - 4 - 1); // 3, 10, 17, 24 lack it; 5 failed
    // Left to right in time; the warmest poll (the last) at the top.
    double lastX = -1;
    for (const QString& point : points) {
        const double x = point.section(u',', 0, 0).toDouble();
        QVERIFY(x > lastX);
        lastX = x;
    }
    QVERIFY(points.last().section(u',', 1).toDouble() < points.first().section(u',', 1).toDouble());
    QCOMPARE(html.count(QStringLiteral("class=\"failed\"")), 5); // one mark in each graph
}

void TestStatusPage::unsafeRunsShadedOncePerReason()
{
    const qint64 from = utc("2026-12-07T00:00:00Z");
    const QList<PollRecord> polls { poll(from, 1), poll(from + 1 * HourMs, 1, false, "Nublado"),
        poll(from + 2 * HourMs, 1, false, "Nublado"),
        poll(from + 3 * HourMs, 1, false, "H91% <lluvia>"), poll(from + 4 * HourMs, 1) };
    StatusGraphs::Limits limits;
    limits.humidity = 80;
    const QString html = StatusGraphs(polls, from, from + 5 * HourMs, limits).html();
    const QString temp = html.section(QStringLiteral("</figure>"), 0, 0);
    QCOMPARE(temp.count(QStringLiteral("<rect class=\"unsafe\"")), 2);
    QVERIFY(temp.contains(QStringLiteral("<title>H91% &lt;lluvia&gt;</title>")));
    // 1 h to 3 h: 2 of the 5 hours, from the first unsafe poll to the poll that differs.
    QVERIFY(temp.contains(
        QStringLiteral("<rect class=\"unsafe\" x=\"155.2\" y=\"8.0\" width=\"218.4\"")));
    QCOMPARE(html.count(QStringLiteral("<line class=\"limit\"")), 1);
    QVERIFY(!html.contains(QStringLiteral("class=\"night\""))); // no place, no night
}

void TestStatusPage::historyParameters_data()
{
    QTest::addColumn<QByteArray>("query");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("hours");
    QTest::newRow("default") << QByteArray() << 200 << 24;
    QTest::newRow("a week") << QByteArray("168") << 200 << 168;
    QTest::newRow("capped") << QByteArray("100000") << 200 << StatusPage::MaxHours;
    QTest::newRow("zero") << QByteArray("0") << 400 << 0;
    QTest::newRow("words") << QByteArray("dos") << 400 << 0;
    QTest::newRow("fraction") << QByteArray("1.5") << 400 << 0;
}

void TestStatusPage::historyParameters()
{
    QFETCH(QByteArray, query);
    QFETCH(int, status);
    QFETCH(int, hours);
    Served served;
    served.history.m_polls << poll(Now - HourMs, 3.5);
    std::multimap<std::string, std::string> params;
    if (!query.isEmpty())
        params.emplace("hours", query.toStdString());
    const AlpacaReply reply = served.page.answer("GET", "/nubora/v1/history", params);
    QCOMPARE(reply.status, status);
    const QJsonObject json = jsonOf(reply);
    if (status != 200) {
        QVERIFY(json.value("error").toString().contains(QStringLiteral("hours")));
        return;
    }
    QCOMPARE(json.value("hours").toInt(), hours);
    QCOMPARE(json.value("capped").toBool(), hours == StatusPage::MaxHours);
    QCOMPARE(json.contains("note"), hours == StatusPage::MaxHours);
    QCOMPARE(served.history.asked, std::pair(Now - hours * HourMs, Now));
    QCOMPARE(json["polls"][0]["values"]["temperature"].toDouble(), 3.5);
    QCOMPARE(served.page.answer("POST", "/nubora/v1/history", params).status, 405);
}

void TestStatusPage::csvSpan_data()
{
    QTest::addColumn<QByteArray>("from");
    QTest::addColumn<QByteArray>("to");
    QTest::addColumn<int>("status");
    QTest::addColumn<qint64>("spanHours"); // asked of the archive; 0: not asked
    QTest::newRow("default: a day") << QByteArray() << QByteArray() << 200 << qint64(24);
    QTest::newRow("a day's date") << QByteArray("2026-12-06") << QByteArray("2026-12-06") << 200
                                  << qint64(24);
    QTest::newRow("years: capped")
        << QByteArray("2020-01-01") << QByteArray() << 200 << qint64(StatusPage::MaxHours);
    QTest::newRow("not a date") << QByteArray("ayer") << QByteArray() << 400 << qint64(0);
    QTest::newRow("to alone") << QByteArray() << QByteArray("2026-12-06") << 400 << qint64(0);
    QTest::newRow("reversed") << QByteArray("2026-12-06") << QByteArray("2026-12-01") << 400
                              << qint64(0);
}

void TestStatusPage::csvSpan()
{
    QFETCH(QByteArray, from);
    QFETCH(QByteArray, to);
    QFETCH(int, status);
    QFETCH(qint64, spanHours);
    Served served;
    const QList<PollRecord>& polls = served.history.m_polls
        = { poll(Now - HourMs, 3.5), poll(Now - 2 * HourMs, 4) };
    std::multimap<std::string, std::string> params;
    if (!from.isEmpty())
        params.emplace("from", from.toStdString());
    if (!to.isEmpty())
        params.emplace("to", to.toStdString());
    std::string warning;
    const AlpacaReply reply = served.page.answer("GET", "/nubora/v1/history.csv", params, &warning);
    QCOMPARE(reply.status, status);
    if (status != 200) {
        QVERIFY(!jsonOf(reply).value("error").toString().isEmpty());
        return;
    }
    // The export's own header and rows, whatever the span.
    QCOMPARE(QByteArray::fromStdString(reply.body),
        HistoryCsv::header() + HistoryCsv::row(polls[0]) + HistoryCsv::row(polls[1]));
    const auto [askedFrom, askedTo] = served.history.asked;
    QCOMPARE(askedTo - askedFrom + (spanHours == 24 && !to.isEmpty() ? 1 : 0), spanHours * HourMs);
    QCOMPARE(warning.empty(), spanHours != StatusPage::MaxHours);
}

QTEST_GUILESS_MAIN(TestStatusPage)
#include "tst_statuspage.moc"
