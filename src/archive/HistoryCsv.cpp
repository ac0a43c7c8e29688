#include "HistoryCsv.h"

#include "ArchiveReader.h"
#include "PollColumns.h"

#include <QDateTime>

namespace
{

QByteArray number(const std::optional<double>& value)
{
    // Twelve digits: more than any sensor resolves, and a converted height reads 883.0056,
    // not the binary fraction's 883.0056000000001.
    return value ? QByteArray::number(*value, 'g', 12) : QByteArray();
}

} // namespace

QByteArray HistoryCsv::isoTime(qint64 timeMs)
{
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(timeMs);
    // With the offset written out, also where it is zero.
    QByteArray text = local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODate).toUtf8();
    if (text.endsWith('Z'))
        text.chop(1), text += "+00:00";
    return text;
}

QByteArray HistoryCsv::quoted(const QString& text)
{
    QByteArray utf8 = text.toUtf8();
    if (!utf8.contains(',') && !utf8.contains('"') && !utf8.contains('\n') && !utf8.contains('\r'))
        return utf8;
    utf8.replace("\"", "\"\"");
    return '"' + utf8 + '"';
}

QByteArray HistoryCsv::header()
{
    QByteArray line = "time,source,station,outcome_kind,outcome,safe,reasons,broken_limits,"
                      "observation_time,data_age_s";
    for (const PollValueColumn& column : PollValueColumns)
        line += QByteArray(",") + column.name;
    return line + ",sky,wind_dir,cloud_condition\r\n";
}

QByteArray HistoryCsv::row(const PollRecord& poll)
{
    const ConditionsReadings& r = poll.readings;
    QByteArrayList cells { isoTime(poll.timeMs), quoted(r.source), quoted(r.station),
        outcomeKindName(r.outcome), quoted(poll.outcome), r.safe ? "1" : "0", quoted(r.reasons),
        quoted(poll.brokenLimits.join(QStringLiteral("; "))) };
    if (r.observationTimeMs) {
        cells << isoTime(*r.observationTimeMs)
              << number((poll.timeMs - *r.observationTimeMs) / 1000.0);
    } else {
        cells << QByteArray() << QByteArray();
    }
    for (const PollValueColumn& column : PollValueColumns)
        cells << number(r.*column.member);
    cells << quoted(r.sky) << quoted(r.windDirText) << QByteArray::number(r.cloudCondition);
    return cells.join(',') + "\r\n";
}

bool HistoryCsv::write(const ArchiveReader& reader, qint64 fromMs, qint64 toMs, std::FILE* out)
{
    const QByteArray head = header();
    std::fwrite(head.constData(), 1, size_t(head.size()), out);
    return reader.forEachPoll(fromMs, toMs, [out](const PollRecord& poll) {
        const QByteArray line = row(poll);
        std::fwrite(line.constData(), 1, size_t(line.size()), out);
    });
}
