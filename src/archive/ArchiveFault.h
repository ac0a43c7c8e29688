#pragma once

#include <QString>

// Why the archive cannot write, from SQLite's result code and the system's error number.
// Each cause is warned about once until the archive writes again.
struct ArchiveFault {
    enum class Cause { None, DiskFull, ReadOnly, Locked, Corrupt, Other };

    Cause cause = Cause::None;
    QString detail; // SQLite's message or the file system's, for the warning

    static ArchiveFault fromCode(int resultCode, int systemErrno, const QString& detail);
    // The warning's words for the cause ("the disk is full").
    static QString describe(Cause cause);
};
