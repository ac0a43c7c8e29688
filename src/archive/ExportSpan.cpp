#include "ExportSpan.h"

#include <QTimeZone>

namespace
{

enum class End { Start, Finish };

// A time of the command line; invalid when it is none.
QDateTime readTime(QString text, End end)
{
    text = text.trimmed();
    const QDate date = QDate::fromString(text, Qt::ISODate);
    if (date.isValid() && text.size() == 10) {
        return end == End::Start ? date.startOfDay()
                                 : date.endOfDay(); // the whole day, to its last millisecond
    }
    if (text.size() > 10 && text.at(10) == QLatin1Char(' '))
        text[10] = QLatin1Char('T');
    if (!text.contains(QLatin1Char('T')))
        return QDateTime();
    return QDateTime::fromString(text, Qt::ISODateWithMs);
}

} // namespace

std::optional<ExportSpan> ExportSpan::parse(
    const QStringList& arguments, const QDateTime& now, QString* error)
{
    if (arguments.size() > 2) {
        *error = QStringLiteral("--export-history takes at most FROM and TO, not \"%1\"")
                     .arg(arguments.at(2));
        return std::nullopt;
    }
    ExportSpan span;
    span.toMs = now.toMSecsSinceEpoch();
    span.fromMs = span.toMs - 24LL * 60 * 60 * 1000;
    for (int i = 0; i < arguments.size(); ++i) {
        const QDateTime time = readTime(arguments.at(i), i == 0 ? End::Start : End::Finish);
        if (!time.isValid()) {
            *error = QStringLiteral("--export-history: \"%1\" is not a date (2026-12-07) or a "
                                    "date and time (2026-12-07T21:30, 2026-12-07T21:30+01:00)")
                         .arg(arguments.at(i));
            return std::nullopt;
        }
        (i == 0 ? span.fromMs : span.toMs) = time.toMSecsSinceEpoch();
    }
    if (span.fromMs > span.toMs) {
        *error = QStringLiteral("--export-history: FROM is after TO");
        return std::nullopt;
    }
    return span;
}
