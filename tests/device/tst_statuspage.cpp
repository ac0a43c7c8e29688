#include "HistoryCsv.h"
#include "HistoryRecords.h"
#include "SnapshotBoard.h"
#include "StatusBoard.h"
#include "StatusGraphs.h"
#include "StatusPage.h"
#include "SunAltitude.h"

#include <QDateTime>
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
    void historySpans_data();
    void historySpans();
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

void TestStatusPage::historySpans_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QByteArray>("query");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("hours"); // asked of the archive
    const QByteArray json = "/nubora/v1/history", csv = "/nubora/v1/history.csv";
    const int max = StatusPage::MaxHours;
    QTest::newRow("default") << json << QByteArray() << 200 << 24;
    QTest::newRow("a week") << json << QByteArray("hours=168") << 200 << 168;
    QTest::newRow("capped") << json << QByteArray("hours=100000") << 200 << max;
    QTest::newRow("zero") << json << QByteArray("hours=0") << 400 << 0;
    QTest::newRow("words") << json << QByteArray("hours=dos") << 400 << 0;
    QTest::newRow("fraction") << json << QByteArray("hours=1.5") << 400 << 0;
    QTest::newRow("csv default: a day") << csv << QByteArray() << 200 << 24;
    QTest::newRow("csv a day's date")
        << csv << QByteArray("from=2026-12-06&to=2026-12-06") << 200 << 24;
    QTest::newRow("csv years: capped") << csv << QByteArray("from=2020-01-01") << 200 << max;
    QTest::newRow("csv not a date") << csv << QByteArray("from=ayer") << 400 << 0;
    QTest::newRow("csv to alone") << csv << QByteArray("to=2026-12-06") << 400 << 0;
    QTest::newRow("csv reversed") << csv << QByteArray("from=2026-12-06&to=2026-12-01") << 400 << 0;
}

void TestStatusPage::historySpans()
{
    QFETCH(QByteArray, path);
    QFETCH(QByteArray, query);
    QFETCH(int, status);
    QFETCH(int, hours);
    Served served;
    const QList<PollRecord>& polls = served.history.m_polls
        = { poll(Now - HourMs, 3.5), poll(Now - 2 * HourMs, 4) };
    std::multimap<std::string, std::string> params;
    for (const QByteArray& pair : query.split('&'))
        if (const QList<QByteArray> kv = pair.split('='); kv.size() == 2)
            params.emplace(kv[0].toStdString(), kv[1].toStdString());
    const bool isCsv = path.endsWith(".csv");
    std::string warning;
    const AlpacaReply reply = served.page.answer("GET", path.toStdString(), params, &warning);
    QCOMPARE(reply.status, status);
    const QJsonObject json = jsonOf(reply);
    if (status != 200) {
        const QString error = json.value("error").toString();
        QVERIFY2(!error.isEmpty() && (isCsv || error.contains("hours")), qPrintable(error));
        return;
    }
    const auto [askedFrom, askedTo] = served.history.asked;
    // A day's date ends at its last millisecond.
    QCOMPARE(askedTo - askedFrom + (query.contains("to=") ? 1 : 0), hours * HourMs);
    const bool capped = hours == StatusPage::MaxHours;
    QCOMPARE(!warning.empty(), capped && isCsv);
    QCOMPARE(served.page.answer("POST", path.toStdString(), params).status, 405);
    if (isCsv) { // the export's own header and rows, whatever the span
        QCOMPARE(QByteArray::fromStdString(reply.body),
            HistoryCsv::header() + HistoryCsv::row(polls[0]) + HistoryCsv::row(polls[1]));
        return;
    }
    QCOMPARE(askedTo, Now);
    QCOMPARE(json.value("hours").toInt(), hours);
    QCOMPARE(json.value("capped").toBool(), capped);
    QCOMPARE(json.contains("note"), capped);
    QCOMPARE(json["polls"][0]["values"]["temperature"].toDouble(), 3.5);
}

QTEST_GUILESS_MAIN(TestStatusPage)
#include "tst_statuspage.moc"
