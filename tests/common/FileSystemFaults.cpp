#include "FileSystemFaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <csignal>
#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

QString g_method;

bool mountSmallTmpfs(const QString& folder)
{
    if (::unshare(CLONE_NEWNS) != 0)
        return false;
    // Mounts made here must not reach the parent's namespace.
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return false;
    return ::mount(
               "tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, "size=64k,nr_inodes=32")
        == 0;
}

// No room for another byte; with noFiles none for another file either, so that a temporary
// file cannot even be created.
void fill(const QString& folder, bool noFiles)
{
    QFile filler(QDir(folder).filePath(QStringLiteral("filler")));
    if (filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        const QByteArray chunk(512, 'f');
        while (filler.write(chunk) == chunk.size()) { }
    }
    for (int i = 0; noFiles; ++i) {
        QFile empty(QDir(folder).filePath(QStringLiteral("inode-%1").arg(i)));
        if (!empty.open(QIODevice::WriteOnly))
            break;
    }
}

void limitFileSize()
{
    const rlimit limit { 16, 16 };
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

} // namespace

QByteArray FileSystemFaults::inChild(Fault fault, const QString& folder,
    const std::function<void()>& prepare, const std::function<QByteArray()>& act)
{
    int channel[2];
    if (::pipe(channel) != 0)
        return "<child failed>";
    // The child's choice of method reaches the parent as the first byte.
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        std::signal(SIGXFSZ, SIG_IGN);
        char method = 'n';
        if (fault == Fault::FullDisk || fault == Fault::FullDiskNoFiles) {
            const bool mounted = mountSmallTmpfs(folder);
            prepare();
            if (mounted) {
                fill(folder, fault == Fault::FullDiskNoFiles);
                method = 't';
            } else {
                limitFileSize();
                method = 'l';
            }
        } else {
            prepare();
            if (fault == Fault::FileSizeLimit)
                limitFileSize();
            if (fault == Fault::OtherUser && ::geteuid() == 0
                && (::setgroups(0, nullptr) != 0 || ::setresgid(65534, 65534, 65534) != 0
                    || ::setresuid(65534, 65534, 65534) != 0))
                ::_exit(1);
        }
        const QByteArray result = method + act();
        const bool sent
            = ::write(channel[1], result.constData(), size_t(result.size())) == result.size();
        ::_exit(sent ? 0 : 1);
    }
    ::close(channel[1]);
    QByteArray result;
    char buffer[4096];
    ssize_t got = 0;
    while (child > 0 && (got = ::read(channel[0], buffer, sizeof buffer)) > 0)
        result.append(buffer, got);
    ::close(channel[0]);
    int status = 0;
    if (child <= 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)
        || WEXITSTATUS(status) != 0 || result.isEmpty())
        return "<child failed>";
    if (fault == Fault::FullDisk || fault == Fault::FullDiskNoFiles)
        g_method
            = result.at(0) == 't' ? QStringLiteral("tmpfs") : QStringLiteral("file-size limit");
    return result.mid(1);
}

QString FileSystemFaults::lastFullDiskMethod()
{
    return g_method;
}

QByteArray FileSystemFaults::fileState(
    const QString& path, const std::function<QByteArray(const QByteArray&)>& describe)
{
    const QFileInfo info(path);
    if (info.isDir())
        return "folder";
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return info.exists() ? "unreadable" : "absent";
    return describe(file.readAll());
}

QByteArray FileSystemFaults::run(int fault, const QString& folder,
    const std::function<void()>& prepare, const std::function<QByteArray()>& act)
{
    if (fault >= 0)
        return inChild(Fault(fault), folder, prepare, act);
    prepare();
    return act();
}
