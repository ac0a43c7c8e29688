#pragma once

#include "ArchiveFault.h"
#include "ArchiveReader.h"
#include "ForecastPage.h"
#include "HistoryRecords.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <set>
#include <thread>
#include <variant>

class ArchiveDatabase;

// Every poll, forecast and safety change, kept in a SQLite file. The record calls only queue
// (the engine's thread never waits on the disk); a writer thread of its own writes each record
// in one transaction. A fault (full disk, read-only folder, lock, damaged file) is warned about
// once per cause, and the records wait, up to a bound, until the archive can write again.
class HistoryArchive : public HistoryReader
{
public:
    struct Options {
        QString path;
        int retentionDays = DefaultRetentionDays;
        int retryMs = 10000; // how long a fault waits before the next attempt
        int maxPending = 10000; // beyond it the oldest waiting record is dropped
        int drainMs = 3000; // how long closing may spend writing what waits
    };
    static constexpr int DefaultRetentionDays = 400;

    explicit HistoryArchive(const Options& options);
    ~HistoryArchive() override; // writes what waits, within drainMs, and closes
    HistoryArchive(const HistoryArchive&) = delete;
    HistoryArchive& operator=(const HistoryArchive&) = delete;

    void recordPoll(const PollRecord& poll);
    void recordForecast(qint64 timeMs, const ForecastPage& page);
    void recordTransition(const SafetyTransition& transition);

    // Waits until every queued record is written; false when some still wait after timeoutMs.
    bool flush(int timeoutMs = 10000);
    int pendingCount() const;
    QString path() const { return m_options.path; }

    QList<PollRecord> polls(qint64 fromMs, qint64 toMs) const override;
    std::optional<HistoryMeans> means(qint64 fromMs, qint64 toMs) const override;
    std::optional<qint64> firstPollMs() const override;
    const ArchiveReader& reader() const { return m_reader; }

    // $XDG_DATA_HOME/nubora/history.sqlite; ~/.local/share where XDG_DATA_HOME is unset, empty
    // or relative.
    static QString defaultPath();
    // "HistoriaDias" as days; a value that is not a whole number of at least one day keeps
    // the default, with a log line.
    static int retentionDaysFrom(const QString& setting);
    // The same without the log line: nothing where the setting is not a number of days.
    static std::optional<int> parseRetentionDays(const QString& setting);

private:
    struct ForecastEntry {
        qint64 timeMs = 0;
        ForecastPage page;
    };
    using Record = std::variant<PollRecord, ForecastEntry, SafetyTransition>;
    struct Pending {
        quint64 sequence = 0;
        Record record;
    };

    void enqueue(Record record);
    void run();
    bool stepWriter(std::unique_lock<std::mutex>& lock);
    ArchiveFault openDatabase();
    ArchiveFault write(const Record& record);
    ArchiveFault removeExpired();
    bool noteFault(const ArchiveFault& fault);
    void dropIfUnwritable(const ArchiveFault& fault, quint64 sequence);
    void noteWritten();
    bool moveAside();

    Options m_options;
    ArchiveReader m_reader;
    std::unique_ptr<ArchiveDatabase> m_db; // the writer thread's alone
    qint64 m_nextPruneMs = 0;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake; // the writer waits on it
    std::condition_variable m_progress; // flush waits on it
    std::deque<Pending> m_queue;
    quint64 m_nextSequence = 0;
    bool m_writing = false;
    bool m_faulted = false;
    bool m_stopping = false;
    qint64 m_stopDeadlineMs = 0;
    bool m_overflowWarned = false;
    static constexpr int MaxAttempts = 3;
    int m_failedAttempts = 0; // of the oldest record, for a fault without a cause that goes
    std::set<ArchiveFault::Cause> m_warned;
    std::thread m_thread;
};
