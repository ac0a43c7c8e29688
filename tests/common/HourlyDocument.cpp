#include "HourlyDocument.h"

#include "HourlyAnswer.h"

namespace
{

const QString weekdays[]
    = { "domingo", "lunes", "martes", "miércoles", "jueves", "viernes", "sábado" };

// The typical texts of every element, with the test's chosen ones.
HourlyAnswerEntry answerEntry(const HourlyEntry& e, bool nestedError)
{
    const QString empty = HourlyDocument::empty();
    HourlyAnswerEntry a;
    a.time = { e.hour, e.hourPadded, e.min, "0", "0", e.year, "3", "03", "mar", e.mday,
        e.mday.rightJustified(2, '0'), "73", "0", "1773579600",
        e.hour + ":00 CET el " + e.mday + " de marzo de " + e.year, e.hour + ":00", e.monthName,
        e.monthAbbrev, e.weekday, e.weekday + " Noche", e.weekday.left(3), "Sunday", "Sunday Night",
        "PM", empty, empty, empty };
    a.temp = { "54", e.temperature };
    a.dewpoint = { "41", "5" };
    a.condition = e.condition;
    a.icon = "clear";
    a.iconUrl = "http://icons.wxug.com/i/c/k/clear.gif";
    a.fctcode = "1";
    a.sky = "7";
    a.wspd = { "6", e.wind };
    a.windDir = "NNE";
    a.windDegrees = "22";
    a.wx = "Soleado";
    a.uvi = "3";
    a.humidity = e.humidity;
    a.windchill = { "-9999", "-9999" };
    a.heatindex = { "-9999", "-9999" };
    a.feelslike = { "54", "12" };
    a.qpf = { "0.0", "0" };
    a.snow = { "0.0", "0" };
    a.pop = "0";
    a.mslp = { "30.12", "1020" };
    a.timeChildren = e.timeChildren;
    a.children = e.entryChildren;
    if (nestedError)
        a.timeError = AnswerError { "querynotfound", QString() };
    return a;
}

} // namespace

HourlyEntry HourlyEntry::at(int i)
{
    HourlyEntry e;
    const int hour = 20 + i;
    e.hour = QString::number(hour % 24);
    e.hourPadded = e.hour.rightJustified(2, '0');
    e.mday = QString::number(15 + hour / 24);
    e.weekday = weekdays[hour / 24 % 7];
    return e;
}

HourlyDocument HourlyDocument::withEntries(int n)
{
    HourlyDocument d;
    for (int i = 0; i < n; ++i)
        d.entries.append(HourlyEntry::at(i));
    return d;
}

QByteArray HourlyDocument::toXml() const
{
    HourlyAnswer answer(indent);
    for (int i = 0; i < entries.size(); ++i)
        answer.add(answerEntry(entries.at(i), nestedError && i == 0));
    return answer.finish();
}

QByteArray HourlyDocument::errorAnswer()
{
    return AnswerWriter::errorAnswer(
        { "keynotfound", "this key does not exist" }, QStringLiteral("hourly"));
}
