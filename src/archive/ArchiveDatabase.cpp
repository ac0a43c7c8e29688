#include "ArchiveDatabase.h"

#include "ForecastPage.h"
#include "PollColumns.h"
#include "SqliteStatement.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cerrno>
#include <sqlite3.h>

namespace
{

QByteArray createPollsSql()
{
    QByteArray sql = "CREATE TABLE IF NOT EXISTS polls (id INTEGER PRIMARY KEY, "
                     "time_ms INTEGER NOT NULL, source TEXT NOT NULL, station TEXT NOT NULL, "
                     "outcome_kind TEXT NOT NULL, outcome TEXT NOT NULL, safe INTEGER NOT NULL, "
                     "reasons TEXT NOT NULL, broken_limits TEXT NOT NULL, "
                     "observation_time_ms INTEGER, refresh_minutes INTEGER NOT NULL";
    for (const PollValueColumn& column : PollValueColumns)
        sql += QByteArray(", ") + column.name + " REAL";
    sql += ", sky TEXT NOT NULL, wind_dir TEXT NOT NULL, cloud_condition INTEGER NOT NULL);";
    return sql;
}

QByteArray insertPollSql()
{
    QByteArray sql = QByteArray("INSERT INTO polls (") + PollLeadingColumns;
    for (const PollValueColumn& column : PollValueColumns)
        sql += QByteArray(", ") + column.name;
    sql += QByteArray(", ") + PollTrailingColumns + ") VALUES (?";
    const int count = PollLeadingCount + int(PollValueColumns.size()) + 3;
    for (int i = 1; i < count; ++i)
        sql += ", ?";
    return sql + ")";
}

} // namespace

ArchiveDatabase::ArchiveDatabase(const QString& path)
    : m_path(path)
{
}

ArchiveDatabase::~ArchiveDatabase()
{
    close();
}

ArchiveFault ArchiveDatabase::open()
{
    close();
    const QString folder = QFileInfo(m_path).absolutePath();
    if (!QDir().mkpath(folder)) {
        return ArchiveFault::fromCode(
            SQLITE_CANTOPEN, errno, QStringLiteral("cannot create %1").arg(folder));
    }
    const int code = sqlite3_open_v2(QFile::encodeName(m_path).constData(), &m_db,
        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (code != SQLITE_OK) {
        const ArchiveFault failed = fault(code);
        close();
        return failed;
    }
    sqlite3_extended_result_codes(m_db, 1);
    // Short: a lock held elsewhere is a fault to retry later, not a wait on the writer.
    sqlite3_busy_timeout(m_db, 250);
    if (sqlite3_db_readonly(m_db, "main") == 1) {
        close();
        return ArchiveFault::fromCode(SQLITE_READONLY, 0, m_path);
    }
    ArchiveFault result = createTables();
    if (result.cause == ArchiveFault::Cause::None)
        result = exec("PRAGMA synchronous=NORMAL;");
    if (result.cause != ArchiveFault::Cause::None) {
        close();
        return result;
    }
    m_insertPoll = std::make_unique<SqliteStatement>(m_db, insertPollSql().constData());
    m_insertForecast = std::make_unique<SqliteStatement>(
        m_db, "INSERT INTO forecasts (time_ms, station, date, hours) VALUES (?, ?, ?, ?)");
    m_insertTransition = std::make_unique<SqliteStatement>(
        m_db, "INSERT INTO transitions (time_ms, safe, reason) VALUES (?, ?, ?)");
    for (const auto* statement : { &m_insertPoll, &m_insertForecast, &m_insertTransition }) {
        if ((*statement)->prepareCode() != SQLITE_OK) {
            result = fault((*statement)->prepareCode());
            close();
            return result;
        }
    }
    return result;
}

ArchiveFault ArchiveDatabase::createTables()
{
    // A damaged file answers here, reading its header and its pages: once, not on every
    // attempt while a lock or a full disk lasts.
    QString answer;
    ArchiveFault result;
    if (!m_checked) {
        result = pragma("PRAGMA quick_check", &answer);
        if (result.cause == ArchiveFault::Cause::None && answer != QLatin1String("ok"))
            return ArchiveFault::fromCode(SQLITE_CORRUPT, 0,
                answer.section(QLatin1Char('\n'), 0, 1)
                    .replace(QLatin1Char('\n'), QStringLiteral("; ")));
        m_checked = result.cause == ArchiveFault::Cause::None;
    }
    if (result.cause == ArchiveFault::Cause::None)
        result = pragma("PRAGMA journal_mode=WAL", &answer);
    if (result.cause == ArchiveFault::Cause::None && answer != QLatin1String("wal"))
        return ArchiveFault::fromCode(SQLITE_READONLY, 0, QStringLiteral("no write-ahead log"));
    if (result.cause == ArchiveFault::Cause::None)
        result = pragma("PRAGMA user_version", &answer);
    if (result.cause != ArchiveFault::Cause::None || answer.toInt() >= SchemaVersion)
        return result;
    const QByteArray sql = "BEGIN;" + createPollsSql()
        + "CREATE INDEX IF NOT EXISTS polls_time ON polls (time_ms);"
          "CREATE TABLE IF NOT EXISTS forecasts (id INTEGER PRIMARY KEY, time_ms INTEGER NOT "
          "NULL, station TEXT NOT NULL, date TEXT NOT NULL, hours TEXT NOT NULL);"
          "CREATE INDEX IF NOT EXISTS forecasts_time ON forecasts (time_ms);"
          "CREATE TABLE IF NOT EXISTS transitions (id INTEGER PRIMARY KEY, time_ms INTEGER NOT "
          "NULL, safe INTEGER NOT NULL, reason TEXT NOT NULL);"
          "CREATE INDEX IF NOT EXISTS transitions_time ON transitions (time_ms);"
          "PRAGMA user_version = "
        + QByteArray::number(SchemaVersion) + ";COMMIT;";
    const ArchiveFault created = exec(sql.constData());
    if (created.cause != ArchiveFault::Cause::None)
        exec("ROLLBACK;");
    return created;
}

void ArchiveDatabase::close()
{
    m_insertPoll.reset();
    m_insertForecast.reset();
    m_insertTransition.reset();
    if (m_db)
        sqlite3_close_v2(m_db);
    m_db = nullptr;
}

ArchiveFault ArchiveDatabase::exec(const char* sql)
{
    return fault(sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr));
}

ArchiveFault ArchiveDatabase::fault(int resultCode) const
{
    if (resultCode == SQLITE_OK || resultCode == SQLITE_DONE || resultCode == SQLITE_ROW)
        return {};
    const QString message = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db))
                                 : QString::fromUtf8(sqlite3_errstr(resultCode));
    return ArchiveFault::fromCode(resultCode, m_db ? sqlite3_system_errno(m_db) : 0, message);
}

ArchiveFault ArchiveDatabase::pragma(const char* sql, QString* answer)
{
    SqliteStatement statement(m_db, sql);
    const int code = statement.step();
    if (code != SQLITE_ROW)
        return fault(code);
    *answer = statement.text(0);
    return {};
}

ArchiveFault ArchiveDatabase::finish(SqliteStatement& statement)
{
    const int code = statement.step();
    statement.reset();
    return fault(code);
}

ArchiveFault ArchiveDatabase::writePoll(const PollRecord& poll)
{
    const ConditionsReadings& r = poll.readings;
    SqliteStatement& s = *m_insertPoll;
    s.bind(1, poll.timeMs);
    s.bind(2, r.source);
    s.bind(3, r.station);
    s.bind(4, QString::fromLatin1(outcomeKindName(r.outcome)));
    s.bind(5, poll.outcome);
    s.bind(6, qint64(r.safe ? 1 : 0));
    s.bind(7, r.reasons);
    s.bind(8,
        QString::fromUtf8(QJsonDocument(QJsonArray::fromStringList(poll.brokenLimits))
                              .toJson(QJsonDocument::Compact)));
    s.bind(9, r.observationTimeMs);
    s.bind(10, qint64(r.refreshMinutes));
    int index = PollLeadingCount + 1;
    for (const PollValueColumn& column : PollValueColumns)
        s.bind(index++, r.*column.member);
    s.bind(index++, r.sky);
    s.bind(index++, r.windDirText);
    s.bind(index, qint64(r.cloudCondition));
    return finish(s);
}

QString ArchiveDatabase::forecastHoursJson(const ForecastPage& page)
{
    QJsonArray hours;
    for (const ForecastRow& row : page.rows) {
        // A bold cell is one that broke a limit; the hour's colour is its rating.
        QJsonArray broken;
        for (const auto& [name, field] :
            { std::pair { "temperature", &row.T_Fct }, std::pair { "humidity", &row.H_Fct },
                std::pair { "wind", &row.V_Fct }, std::pair { "sky", &row.C_Fct } }) {
            if (field->bold)
                broken.append(QLatin1String(name));
        }
        hours.append(QJsonObject { { "hour", row.Hr_Fct.text }, { "temperature", row.T_Fct.text },
            { "humidity", row.H_Fct.text }, { "wind", row.V_Fct.text }, { "sky", row.C_Fct.text },
            { "rating", QLatin1String(colourName(row.Hr_Fct.background)) }, { "broken", broken } });
    }
    return QString::fromUtf8(QJsonDocument(hours).toJson(QJsonDocument::Compact));
}

ArchiveFault ArchiveDatabase::writeForecast(qint64 timeMs, const ForecastPage& page)
{
    SqliteStatement& s = *m_insertForecast;
    s.bind(1, timeMs);
    s.bind(2, page.Estacion_Fct);
    s.bind(3, page.Fecha_Fct);
    s.bind(4, forecastHoursJson(page));
    return finish(s);
}

ArchiveFault ArchiveDatabase::writeTransition(const SafetyTransition& transition)
{
    SqliteStatement& s = *m_insertTransition;
    s.bind(1, transition.timeMs);
    s.bind(2, qint64(transition.safe ? 1 : 0));
    s.bind(3, transition.reason);
    return finish(s);
}

ArchiveFault ArchiveDatabase::removeBefore(qint64 cutoffMs)
{
    ArchiveFault result = exec("BEGIN;");
    for (const char* sql :
        { "DELETE FROM polls WHERE time_ms < ?", "DELETE FROM forecasts WHERE time_ms < ?",
            "DELETE FROM transitions WHERE time_ms < ?" }) {
        if (result.cause != ArchiveFault::Cause::None)
            break;
        SqliteStatement remove(m_db, sql);
        remove.bind(1, cutoffMs);
        result = fault(remove.step());
    }
    if (result.cause != ArchiveFault::Cause::None) {
        exec("ROLLBACK;");
        return result;
    }
    return exec("COMMIT;");
}
