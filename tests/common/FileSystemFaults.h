#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

// File-system faults for a test, each made in a child process so that nothing leaks into the
// suite: a full disk, a file-size limit, a user who may not read the files.
namespace FileSystemFaults
{

enum class Fault { None, FullDisk, FullDiskNoFiles, FileSizeLimit, OtherUser };

// Runs `prepare` then `act` in a child process and returns what `act` returned ("<child
// failed>" when it did not end normally). FullDisk mounts a small tmpfs over `folder` in a
// mount namespace of the child's own and fills it after `prepare`; where mounting is refused
// it sets a file-size limit of a few bytes after `prepare` instead, so the assertion still
// runs. FullDiskNoFiles also leaves no room for a new file. FileSizeLimit sets that limit after
// `prepare`. None only gives `act` a process of its own. OtherUser runs `act` as "nobody" when the
// suite runs as root (root reads every file), and as the same user otherwise. SIGXFSZ is ignored in
// the child, as the program does.
QByteArray inChild(Fault fault, const QString& folder, const std::function<void()>& prepare,
    const std::function<QByteArray()>& act);

// What lies at path after a fault: "folder", "unreadable", "absent", or what describe makes of
// the file's bytes.
QByteArray fileState(
    const QString& path, const std::function<QByteArray(const QByteArray&)>& describe);

// inChild for a fault given as a number; a negative one runs both here, with no fault.
QByteArray run(int fault, const QString& folder, const std::function<void()>& prepare,
    const std::function<QByteArray()>& act);

// How the last FullDisk child made the disk full: "tmpfs" or "file-size limit".
QString lastFullDiskMethod();

} // namespace FileSystemFaults
