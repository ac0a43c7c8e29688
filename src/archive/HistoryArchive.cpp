#include "HistoryArchive.h"

#include "ArchiveDatabase.h"
#include "Logging.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <chrono>

namespace
{

constexpr qint64 DayMs = 24LL * 60 * 60 * 1000;

qint64 nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

} // namespace

HistoryArchive::HistoryArchive(const Options& options)
    : m_options(options)
    , m_reader(options.path)
    , m_db(std::make_unique<ArchiveDatabase>(options.path))
{
    m_thread = std::thread([this] { run(); });
}

HistoryArchive::~HistoryArchive()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_stopDeadlineMs = nowMs() + m_options.drainMs;
    }
    m_wake.notify_all();
    m_thread.join();
    if (!m_queue.empty())
        qCWarning(
            lcArchive, "history archive closed with %d records unwritten", int(m_queue.size()));
}

QString HistoryArchive::defaultPath()
{
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base)) // a relative one is to be ignored
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return base + QStringLiteral("/nubora/history.sqlite");
}

std::optional<int> HistoryArchive::parseRetentionDays(const QString& setting)
{
    bool ok = false;
    const int days = setting.trimmed().toInt(&ok);
    return ok && days >= 1 ? std::optional<int>(days) : std::nullopt;
}

int HistoryArchive::retentionDaysFrom(const QString& setting)
{
    if (const std::optional<int> days = parseRetentionDays(setting))
        return *days;
    qCWarning(lcArchive, "HistoriaDias \"%s\" is not a number of days; keeping %d days",
        qPrintable(setting), DefaultRetentionDays);
    return DefaultRetentionDays;
}

void HistoryArchive::recordPoll(const PollRecord& poll)
{
    enqueue(poll);
}

void HistoryArchive::recordForecast(qint64 timeMs, const ForecastPage& page)
{
    enqueue(ForecastEntry { timeMs, page });
}

void HistoryArchive::recordTransition(const SafetyTransition& transition)
{
    enqueue(transition);
}

void HistoryArchive::enqueue(Record record)
{
    {
        const std::lock_guard lock(m_mutex);
        if (int(m_queue.size()) >= m_options.maxPending) {
            m_queue.pop_front();
            if (!m_overflowWarned) {
                m_overflowWarned = true;
                qCWarning(lcArchive,
                    "history archive: %d records wait to be written; dropping the oldest",
                    m_options.maxPending);
            }
        }
        m_queue.push_back(Pending { m_nextSequence++, std::move(record) });
    }
    m_wake.notify_one();
}

bool HistoryArchive::flush(int timeoutMs)
{
    std::unique_lock lock(m_mutex);
    const bool done = m_progress.wait_for(lock, std::chrono::milliseconds(timeoutMs),
        [this] { return m_queue.empty() && !m_writing; });
    return done;
}

int HistoryArchive::pendingCount() const
{
    const std::lock_guard lock(m_mutex);
    return int(m_queue.size());
}

QList<PollRecord> HistoryArchive::polls(qint64 fromMs, qint64 toMs) const
{
    return m_reader.polls(fromMs, toMs);
}

std::optional<HistoryMeans> HistoryArchive::means(qint64 fromMs, qint64 toMs) const
{
    return m_reader.means(fromMs, toMs);
}

std::optional<qint64> HistoryArchive::firstPollMs() const
{
    return m_reader.firstPollMs();
}

void HistoryArchive::run()
{
    std::unique_lock lock(m_mutex);
    while (stepWriter(lock)) { }
    lock.unlock();
    m_db->close();
}

// One step of the writer: open, prune, write the oldest record or wait. False to end.
bool HistoryArchive::stepWriter(std::unique_lock<std::mutex>& lock)
{
    if (m_stopping && (m_queue.empty() || nowMs() > m_stopDeadlineMs))
        return false;
    const bool pruneDue = m_db->isOpen() && nowMs() >= m_nextPruneMs;
    if (m_queue.empty() && m_db->isOpen() && !pruneDue) {
        m_progress.notify_all();
        const auto wait = std::chrono::milliseconds(std::max<qint64>(1, m_nextPruneMs - nowMs()));
        m_wake.wait_for(lock, wait, [this] { return m_stopping || !m_queue.empty(); });
        return true;
    }
    const std::optional<Pending> next
        = m_queue.empty() || pruneDue ? std::nullopt : std::optional(m_queue.front());
    m_writing = true;
    lock.unlock();
    ArchiveFault fault = m_db->isOpen() ? ArchiveFault {} : openDatabase();
    const bool writing = fault.cause == ArchiveFault::Cause::None && next && !pruneDue;
    if (fault.cause == ArchiveFault::Cause::None)
        fault = writing ? write(next->record) : removeExpired();
    lock.lock();
    m_writing = false;
    if (fault.cause == ArchiveFault::Cause::None) {
        // Only a written record shows that a fault has gone: removing nothing may succeed
        // on a full disk.
        if (writing) {
            if (!m_queue.empty() && m_queue.front().sequence == next->sequence)
                m_queue.pop_front();
            noteWritten();
        }
        m_progress.notify_all();
        return true;
    }
    lock.unlock();
    const bool retryNow = noteFault(fault);
    lock.lock();
    m_faulted = true;
    if (writing)
        dropIfUnwritable(fault, next->sequence);
    m_progress.notify_all();
    if (m_stopping && !retryNow)
        return false; // closing does not wait for a fault to go
    if (!retryNow) {
        m_wake.wait_for(
            lock, std::chrono::milliseconds(m_options.retryMs), [this] { return m_stopping; });
    }
    return true;
}

ArchiveFault HistoryArchive::openDatabase()
{
    const ArchiveFault fault = m_db->open();
    if (fault.cause == ArchiveFault::Cause::None)
        m_nextPruneMs = 0; // the old rows go at once
    return fault;
}

ArchiveFault HistoryArchive::write(const Record& record)
{
    if (const auto* poll = std::get_if<PollRecord>(&record))
        return m_db->writePoll(*poll);
    if (const auto* forecast = std::get_if<ForecastEntry>(&record))
        return m_db->writeForecast(forecast->timeMs, forecast->page);
    return m_db->writeTransition(std::get<SafetyTransition>(record));
}

ArchiveFault HistoryArchive::removeExpired()
{
    const qint64 now = nowMs();
    const ArchiveFault fault = m_db->removeBefore(now - m_options.retentionDays * DayMs);
    if (fault.cause == ArchiveFault::Cause::None)
        m_nextPruneMs = now + DayMs;
    return fault;
}

// A record that fails for no cause that could go (not the disk, the folder, a lock or the
// file) would hold back every record after it: it goes after a few attempts.
void HistoryArchive::dropIfUnwritable(const ArchiveFault& fault, quint64 sequence)
{
    if (fault.cause != ArchiveFault::Cause::Other || m_queue.empty()
        || m_queue.front().sequence != sequence) {
        return;
    }
    if (++m_failedAttempts < MaxAttempts)
        return;
    m_queue.pop_front();
    m_failedAttempts = 0;
    qCWarning(lcArchive, "history archive: a record could not be written and is dropped (%s)",
        qPrintable(fault.detail));
}

// Called on the writer thread without the lock; true when a new file may be tried at once.
bool HistoryArchive::noteFault(const ArchiveFault& fault)
{
    m_db->close(); // the next attempt starts from a fresh connection
    bool firstOfCause = false;
    {
        const std::lock_guard lock(m_mutex);
        firstOfCause = m_warned.insert(fault.cause).second;
    }
    if (firstOfCause) {
        qCWarning(lcArchive,
            "history archive %s: %s (%s); polls go on without it until it can write again",
            qPrintable(m_options.path), qPrintable(ArchiveFault::describe(fault.cause)),
            qPrintable(fault.detail));
    }
    if (fault.cause != ArchiveFault::Cause::Corrupt)
        return false;
    if (moveAside())
        return true;
    const std::lock_guard lock(m_mutex);
    if (m_warned.insert(ArchiveFault::Cause::ReadOnly).second)
        qCWarning(
            lcArchive, "history archive %s cannot be moved aside", qPrintable(m_options.path));
    return false;
}

void HistoryArchive::noteWritten()
{
    if (m_faulted) {
        qCInfo(lcArchive, "history archive %s writes again; %d records wait",
            qPrintable(m_options.path), int(m_queue.size()));
    }
    m_faulted = false;
    m_failedAttempts = 0;
    m_overflowWarned = false;
    m_warned.clear();
    m_progress.notify_all();
}

// The damaged file and its log go beside it under a dated name; nothing is deleted.
bool HistoryArchive::moveAside()
{
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = m_options.path + QStringLiteral(".corrupt-") + stamp;
    for (int n = 2; QFile::exists(target); ++n)
        target = m_options.path + QStringLiteral(".corrupt-%1-%2").arg(stamp).arg(n);
    if (!QFile::rename(m_options.path, target))
        return false;
    for (const char* suffix : { "-wal", "-shm" }) {
        const QString side = m_options.path + QLatin1String(suffix);
        if (QFile::exists(side))
            QFile::rename(side, target + QLatin1String(suffix));
    }
    qCWarning(lcArchive, "history archive %s was damaged: moved to %s; a new one starts",
        qPrintable(m_options.path), qPrintable(target));
    m_reader.reopen();
    m_db->forgetCheck();
    return true;
}
