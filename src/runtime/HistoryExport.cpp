#include "HistoryExport.h"

#include "ArchiveReader.h"
#include "CommandLine.h"
#include "HistoryCsv.h"

#include <QFile>
#include <cstdio>

int HistoryExport::run(const CommandLine& options)
{
    if (!QFile::exists(options.historyFile)) {
        std::fprintf(stderr, "nubora: no history at %s\n", qPrintable(options.historyFile));
        return 1;
    }
    const ArchiveReader reader(options.historyFile);
    if (!HistoryCsv::write(reader, options.exportFromMs, options.exportToMs, stdout)) {
        std::fprintf(
            stderr, "nubora: cannot read the history at %s\n", qPrintable(options.historyFile));
        return 1;
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
