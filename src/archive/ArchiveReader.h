#pragma once

#include "HistoryRecords.h"

#include <QString>
#include <atomic>
#include <functional>
#include <mutex>

struct sqlite3;
class SqliteStatement;

// The readers' own connection to the archive file, one call at a time, from any thread. It
// never creates the file, and opens it again once the writer has started a new one.
class ArchiveReader : public HistoryReader
{
public:
    explicit ArchiveReader(const QString& path);
    ~ArchiveReader() override;
    ArchiveReader(const ArchiveReader&) = delete;
    ArchiveReader& operator=(const ArchiveReader&) = delete;

    QList<PollRecord> polls(qint64 fromMs, qint64 toMs) const override;
    std::optional<HistoryMeans> means(qint64 fromMs, qint64 toMs) const override;
    std::optional<qint64> firstPollMs() const override;

    // Hands each poll of [fromMs, toMs] over in turn, oldest first, without keeping them;
    // false when the archive could not be read.
    bool forEachPoll(
        qint64 fromMs, qint64 toMs, const std::function<void(const PollRecord&)>& visit) const;
    // The file was replaced: the next call opens it anew.
    void reopen() { ++m_generation; }

private:
    // The connection, opened when missing; null when the file cannot be read.
    sqlite3* connection() const;
    static PollRecord pollFromRow(const SqliteStatement& row);

    QString m_path;
    mutable std::mutex m_mutex;
    mutable sqlite3* m_db = nullptr;
    std::atomic<int> m_generation { 0 };
    mutable int m_openGeneration = -1;
};
