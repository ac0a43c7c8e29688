#include "ServiceLauncher.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace ServiceLauncher
{

QString servicePath()
{
    const QFileInfo service(
        QCoreApplication::applicationDirPath() + QStringLiteral("/nubora-service"));
    return service.isExecutable() ? service.absoluteFilePath() : QString();
}

void replaceProcess(char* argv[])
{
#ifdef Q_OS_UNIX
    const QByteArray path = servicePath().toLocal8Bit();
    if (path.isEmpty()) {
        std::fputs("nubora: no nubora-service beside this program; running the window "
                   "offscreen instead\n",
            stderr);
        return;
    }
    ::execv(path.constData(), argv);
    std::fprintf(stderr, "nubora: cannot start %s (%s); running the window offscreen instead\n",
        path.constData(), std::strerror(errno));
#else
    Q_UNUSED(argv);
#endif
}

} // namespace ServiceLauncher
