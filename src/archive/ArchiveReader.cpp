#include "ArchiveReader.h"

#include "Logging.h"
#include "MeansAccumulator.h"
#include "PollColumns.h"
#include "SqliteStatement.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <sqlite3.h>

namespace
{

QByteArray selectPollsSql()
{
    QByteArray sql = QByteArray("SELECT ") + PollLeadingColumns;
    for (const PollValueColumn& column : PollValueColumns)
        sql += QByteArray(", ") + column.name;
    return sql + ", " + PollTrailingColumns
        + " FROM polls WHERE time_ms BETWEEN ? AND ? ORDER BY time_ms, id";
}

} // namespace

ArchiveReader::ArchiveReader(const QString& path)
    : m_path(path)
{
}

ArchiveReader::~ArchiveReader()
{
    if (m_db)
        sqlite3_close_v2(m_db);
}

sqlite3* ArchiveReader::connection() const
{
    const int generation = m_generation.load();
    if (m_db && generation == m_openGeneration)
        return m_db;
    if (m_db)
        sqlite3_close_v2(m_db);
    m_db = nullptr;
    if (!QFile::exists(m_path))
        return nullptr;
    // Read and write, without creating: the write-ahead log's index needs writing to read.
    if (sqlite3_open_v2(QFile::encodeName(m_path).constData(), &m_db,
            SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr)
        != SQLITE_OK) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        return nullptr;
    }
    sqlite3_busy_timeout(m_db, 500);
    m_openGeneration = generation;
    return m_db;
}

PollRecord ArchiveReader::pollFromRow(const SqliteStatement& row)
{
    PollRecord poll;
    ConditionsReadings& r = poll.readings;
    poll.timeMs = row.int64(0);
    r.source = row.text(1);
    r.station = row.text(2);
    r.outcome = outcomeKindFromName(row.text(3));
    poll.outcome = row.text(4);
    r.safe = row.int64(5) != 0;
    r.reasons = row.text(6);
    for (const QJsonValue& limit : QJsonDocument::fromJson(row.text(7).toUtf8()).array())
        poll.brokenLimits.append(limit.toString());
    r.observationTimeMs = row.optionalInt64(8);
    r.refreshMinutes = qint16(row.int64(9));
    int column = PollLeadingCount;
    for (const PollValueColumn& value : PollValueColumns)
        r.*value.member = row.optionalReal(column++);
    r.sky = row.text(column++);
    r.windDirText = row.text(column++);
    r.cloudCondition = qint16(row.int64(column));
    return poll;
}

bool ArchiveReader::forEachPoll(
    qint64 fromMs, qint64 toMs, const std::function<void(const PollRecord&)>& visit) const
{
    const std::lock_guard lock(m_mutex);
    sqlite3* db = connection();
    if (!db)
        return false;
    static const QByteArray sql = selectPollsSql();
    SqliteStatement select(db, sql.constData());
    select.bind(1, fromMs);
    select.bind(2, toMs);
    int code = SQLITE_ROW;
    while ((code = select.step()) == SQLITE_ROW)
        visit(pollFromRow(select));
    if (code != SQLITE_DONE) {
        qCDebug(lcArchive, "history read failed: %s", sqlite3_errmsg(db));
        return false;
    }
    return true;
}

QList<PollRecord> ArchiveReader::polls(qint64 fromMs, qint64 toMs) const
{
    QList<PollRecord> result;
    forEachPoll(fromMs, toMs, [&result](const PollRecord& poll) { result.append(poll); });
    return result;
}

std::optional<HistoryMeans> ArchiveReader::means(qint64 fromMs, qint64 toMs) const
{
    const std::lock_guard lock(m_mutex);
    sqlite3* db = connection();
    if (!db)
        return std::nullopt;
    // Only the columns the means need, straight from the index's span.
    SqliteStatement select(db,
        "SELECT time_ms, temperature, dewpoint, humidity, pressure_hpa, station_pressure_hpa, "
        "wind_kph, gust_kph, wind_degrees, rain_1h_mm, cloud_cover FROM polls "
        "WHERE time_ms BETWEEN ? AND ?");
    select.bind(1, fromMs);
    select.bind(2, toMs);
    MeansAccumulator sums;
    ConditionsReadings r;
    while (select.step() == SQLITE_ROW) {
        r.temperature = select.optionalReal(1);
        r.dewpoint = select.optionalReal(2);
        r.humidity = select.optionalReal(3);
        r.pressureHpa = select.optionalReal(4);
        r.stationPressureHpa = select.optionalReal(5);
        r.windKph = select.optionalReal(6);
        r.gustKph = select.optionalReal(7);
        r.windDegrees = select.optionalReal(8);
        r.rain1hMm = select.optionalReal(9);
        r.cloudCover = select.optionalReal(10);
        sums.add(select.int64(0), r);
    }
    return sums.result();
}

std::optional<qint64> ArchiveReader::firstPollMs() const
{
    const std::lock_guard lock(m_mutex);
    sqlite3* db = connection();
    if (!db)
        return std::nullopt;
    SqliteStatement select(db, "SELECT MIN(time_ms) FROM polls");
    if (select.step() != SQLITE_ROW)
        return std::nullopt;
    return select.optionalInt64(0);
}
