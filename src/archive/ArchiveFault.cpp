#include "ArchiveFault.h"

#include <cerrno>
#include <sqlite3.h>

ArchiveFault ArchiveFault::fromCode(int resultCode, int systemErrno, const QString& detail)
{
    ArchiveFault fault;
    fault.detail = detail;
    switch (resultCode & 0xff) {
    case SQLITE_OK:
    case SQLITE_DONE:
    case SQLITE_ROW:
        fault.cause = Cause::None;
        return fault;
    case SQLITE_FULL:
        fault.cause = Cause::DiskFull;
        return fault;
    case SQLITE_READONLY:
        fault.cause = Cause::ReadOnly;
        return fault;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        fault.cause = Cause::Locked;
        return fault;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        fault.cause = Cause::Corrupt;
        return fault;
    default:
        break;
    }
    // An I/O failure or a file that cannot be opened says more through the system's error.
    if (systemErrno == ENOSPC || systemErrno == EDQUOT || systemErrno == EFBIG)
        fault.cause = Cause::DiskFull;
    else if (systemErrno == EROFS || systemErrno == EACCES || systemErrno == EPERM)
        fault.cause = Cause::ReadOnly;
    else
        fault.cause = Cause::Other;
    return fault;
}

QString ArchiveFault::describe(Cause cause)
{
    switch (cause) {
    case Cause::DiskFull:
        return QStringLiteral("the disk is full");
    case Cause::ReadOnly:
        return QStringLiteral("the file or its folder is read-only");
    case Cause::Locked:
        return QStringLiteral("another program holds the database locked");
    case Cause::Corrupt:
        return QStringLiteral("the file is not a sound database");
    case Cause::Other:
        return QStringLiteral("it cannot be written");
    case Cause::None:
        break;
    }
    return QString();
}
