#pragma once

#include <QDateTime>
#include <QStringList>
#include <optional>

// The span an export covers, from the command line's FROM and TO: ISO dates or date-times,
// with or without an offset (local time without one). A date as TO means the end of that day;
// without FROM the last 24 hours, without TO until now.
struct ExportSpan {
    qint64 fromMs = 0;
    qint64 toMs = 0;

    // Nothing, with the reason in error, when a date is not one or FROM is after TO.
    static std::optional<ExportSpan> parse(
        const QStringList& arguments, const QDateTime& now, QString* error);
};
