#pragma once

#include "HistoryRecords.h"

#include <QByteArray>
#include <cstdio>

class ArchiveReader;

// The archived polls as CSV for a spreadsheet: a header row, "." decimals, ISO 8601 local
// times with their offset, empty cells for absent values, quotes where a text needs them.
class HistoryCsv
{
public:
    static QByteArray header();
    static QByteArray row(const PollRecord& poll);
    // Writes the polls of [fromMs, toMs] to out; false when the archive cannot be read.
    static bool write(const ArchiveReader& reader, qint64 fromMs, qint64 toMs, std::FILE* out);

    static QByteArray isoTime(qint64 timeMs);
    static QByteArray quoted(const QString& text);
};
