// Writes polls into the archive named on its command line without end, printing the time of
// each once it is committed, until it is killed.
#include "HistoryArchive.h"

#include <QCoreApplication>
#include <QDateTime>
#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    HistoryArchive::Options options;
    options.path = QCoreApplication::arguments().value(1);
    HistoryArchive archive(options);
    for (qint64 time = QDateTime::currentMSecsSinceEpoch();; ++time) {
        archive.recordPoll({ time, {}, QStringLiteral("safe"), {} });
        if (archive.flush()) {
            std::printf("%lld\n", static_cast<long long>(time));
            std::fflush(stdout);
        }
    }
}
