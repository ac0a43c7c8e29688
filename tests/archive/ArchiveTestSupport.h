#pragma once

#include "HistoryRecords.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <sys/mount.h>

// What the archive suites share: a poll with chosen values, the archive's warnings as they are
// logged, and a small tmpfs the suite mounts (it runs as root here and in CI).
namespace ArchiveTestSupport
{

inline PollRecord poll(qint64 timeMs, std::optional<double> temperature = 12.5,
    std::optional<double> windKph = std::nullopt, std::optional<double> windDegrees = std::nullopt)
{
    PollRecord record;
    record.timeMs = timeMs;
    record.outcome = QStringLiteral("safe");
    ConditionsReadings& r = record.readings;
    r.outcome = ConditionsReadings::Outcome::Complete;
    r.safe = true;
    r.source = QStringLiteral("PWS");
    r.station = QStringLiteral("IMADRI12");
    r.temperature = temperature;
    r.windKph = windKph;
    r.windDegrees = windDegrees;
    r.observationTimeMs = timeMs - 90000;
    return record;
}

// Collects the warnings of nubora.archive while it lives.
class ArchiveWarnings
{
public:
    ArchiveWarnings() { s_lines.clear(), s_previous = qInstallMessageHandler(&handle); }
    ~ArchiveWarnings() { qInstallMessageHandler(s_previous); }
    // How many warnings so far contain text.
    static int count(const QString& text)
    {
        const std::lock_guard lock(s_mutex);
        return int(s_lines.filter(text).size());
    }

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& message)
    {
        if (type == QtWarningMsg && qstrcmp(context.category, "nubora.archive") == 0) {
            const std::lock_guard lock(s_mutex);
            s_lines.append(message);
        }
        s_previous(type, context, message);
    }
    static inline QStringList s_lines;
    static inline std::mutex s_mutex;
    static inline QtMessageHandler s_previous = nullptr;
};

// A tmpfs of `size` over folder, unmounted when it goes; mounted() false where not permitted.
class Tmpfs
{
public:
    Tmpfs(const QString& folder, const char* size)
        : m_folder(folder.toLocal8Bit())
    {
        m_mounted = ::mount("tmpfs", m_folder.constData(), "tmpfs", 0, size) == 0;
    }
    ~Tmpfs()
    {
        if (m_mounted)
            ::umount2(m_folder.constData(), MNT_DETACH);
    }
    bool mounted() const { return m_mounted; }
    bool setReadOnly(bool readOnly)
    {
        const unsigned long flags = MS_REMOUNT | (readOnly ? MS_RDONLY : 0);
        return ::mount(nullptr, m_folder.constData(), nullptr, flags, nullptr) == 0;
    }

private:
    QByteArray m_folder;
    bool m_mounted = false;
};

} // namespace ArchiveTestSupport
