#include "HourlyDocument.h"

#include "ServiceAnswer.h"

#include <QPair>
#include <QXmlStreamWriter>

namespace
{

const QString weekdays[]
    = { "domingo", "lunes", "martes", "miércoles", "jueves", "viernes", "sábado" };

void writeValue(QXmlStreamWriter& w, const QString& name, const QString& value)
{
    if (value == HourlyDocument::empty())
        w.writeEmptyElement(name);
    else
        w.writeTextElement(name, value);
}

void writePair(QXmlStreamWriter& w, const QString& name, const QString& first,
    const QString& firstValue, const QString& second, const QString& secondValue)
{
    w.writeStartElement(name);
    writeValue(w, first, firstValue);
    writeValue(w, second, secondValue);
    w.writeEndElement();
}

void writeEntry(QXmlStreamWriter& w, const HourlyEntry& e, bool nestedError)
{
    const QList<QPair<QString, QString>> time = {
        { "hour", e.hour },
        { "hour_padded", e.hourPadded },
        { "min", e.min },
        { "min_unpadded", "0" },
        { "sec", "0" },
        { "year", e.year },
        { "mon", "3" },
        { "mon_padded", "03" },
        { "mon_abbrev", "mar" },
        { "mday", e.mday },
        { "mday_padded", e.mday.rightJustified(2, '0') },
        { "yday", "73" },
        { "isdst", "0" },
        { "epoch", "1773579600" },
        { "pretty", e.hour + ":00 CET el " + e.mday + " de marzo de " + e.year },
        { "civil", e.hour + ":00" },
        { "month_name", e.monthName },
        { "month_name_abbrev", e.monthAbbrev },
        { "weekday_name", e.weekday },
        { "weekday_name_night", e.weekday + " Noche" },
        { "weekday_name_abbrev", e.weekday.left(3) },
        { "weekday_name_unlang", "Sunday" },
        { "weekday_name_night_unlang", "Sunday Night" },
        { "ampm", "PM" },
        { "tz", HourlyDocument::empty() },
        { "age", HourlyDocument::empty() },
        { "UTCDATE", HourlyDocument::empty() },
    };

    w.writeStartElement("forecast");
    int written = 0;
    const auto more = [&written, &e] { return written++ < e.entryChildren; };
    if (more()) {
        w.writeStartElement("FCTTIME");
        for (int k = 0; k < e.timeChildren && k < time.size(); ++k)
            writeValue(w, time.at(k).first, time.at(k).second);
        if (nestedError) {
            w.writeStartElement("error");
            w.writeTextElement("type", "querynotfound");
            w.writeEndElement();
        }
        w.writeEndElement();
    }
    if (more())
        writePair(w, "temp", "english", "54", "metric", e.temperature);
    if (more())
        writePair(w, "dewpoint", "english", "41", "metric", "5");
    if (more())
        writeValue(w, "condition", e.condition);
    if (more())
        writeValue(w, "icon", "clear");
    if (more())
        writeValue(w, "icon_url", "http://icons.wxug.com/i/c/k/clear.gif");
    if (more())
        writeValue(w, "fctcode", "1");
    if (more())
        writeValue(w, "sky", "7");
    if (more())
        writePair(w, "wspd", "english", "6", "metric", e.wind);
    if (more())
        writePair(w, "wdir", "dir", "NNE", "degrees", "22");
    if (more())
        writeValue(w, "wx", "Soleado");
    if (more())
        writeValue(w, "uvi", "3");
    if (more())
        writeValue(w, "humidity", e.humidity);
    if (more())
        writePair(w, "windchill", "english", "-9999", "metric", "-9999");
    if (more())
        writePair(w, "heatindex", "english", "-9999", "metric", "-9999");
    if (more())
        writePair(w, "feelslike", "english", "54", "metric", "12");
    if (more())
        writePair(w, "qpf", "english", "0.0", "metric", "0");
    if (more())
        writePair(w, "snow", "english", "0.0", "metric", "0");
    if (more())
        writeValue(w, "pop", "0");
    if (more())
        writePair(w, "mslp", "english", "30.12", "metric", "1020");
    w.writeEndElement();
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
    QByteArray xml;
    QXmlStreamWriter w(&xml);
    w.setAutoFormatting(indent);
    writeAnswerStart(w, QStringLiteral("hourly"));
    w.writeStartElement("hourly_forecast");
    for (int i = 0; i < entries.size(); ++i)
        writeEntry(w, entries.at(i), nestedError && i == 0);
    w.writeEndElement();
    w.writeEndElement();
    w.writeEndDocument();
    return xml;
}

QByteArray HourlyDocument::errorAnswer()
{
    QByteArray xml;
    QXmlStreamWriter w(&xml);
    w.setAutoFormatting(true);
    writeAnswerStart(w, QStringLiteral("hourly"));
    w.writeStartElement("error");
    w.writeTextElement("type", "keynotfound");
    w.writeTextElement("description", "this key does not exist");
    w.writeEndElement();
    w.writeEndElement();
    w.writeEndDocument();
    return xml;
}
