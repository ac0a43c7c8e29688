#pragma once

#include "ArchiveFault.h"
#include "HistoryRecords.h"

#include <QString>
#include <memory>

struct ForecastPage;
struct sqlite3;
class SqliteStatement;

// The writer's connection to the archive file: opens it (folder, write-ahead log, tables),
// writes one record per transaction and removes old rows. Used by one thread at a time.
class ArchiveDatabase
{
public:
    static constexpr int SchemaVersion = 1;

    explicit ArchiveDatabase(const QString& path);
    ~ArchiveDatabase();
    ArchiveDatabase(const ArchiveDatabase&) = delete;
    ArchiveDatabase& operator=(const ArchiveDatabase&) = delete;

    // Creates the folder and the tables where missing; the fault when it cannot. The first
    // open reads the whole file through, so that a damaged one is found at once.
    ArchiveFault open();
    // The next open reads the file through again (a new file has taken its place).
    void forgetCheck() { m_checked = false; }
    void close();
    bool isOpen() const { return m_db != nullptr; }

    ArchiveFault writePoll(const PollRecord& poll);
    ArchiveFault writeForecast(qint64 timeMs, const ForecastPage& page);
    ArchiveFault writeTransition(const SafetyTransition& transition);
    // Removes every row older than cutoffMs.
    ArchiveFault removeBefore(qint64 cutoffMs);

    // The forecast's ten hours as the archive keeps them (JSON text).
    static QString forecastHoursJson(const ForecastPage& page);

private:
    ArchiveFault exec(const char* sql);
    // The first answer of a pragma, in answer.
    ArchiveFault pragma(const char* sql, QString* answer);
    ArchiveFault fault(int resultCode) const;
    ArchiveFault createTables();
    ArchiveFault finish(SqliteStatement& statement);

    QString m_path;
    sqlite3* m_db = nullptr;
    bool m_checked = false; // the file's pages were read through once
    std::unique_ptr<SqliteStatement> m_insertPoll;
    std::unique_ptr<SqliteStatement> m_insertForecast;
    std::unique_ptr<SqliteStatement> m_insertTransition;
};
