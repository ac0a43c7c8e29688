#include "HourlyAnswer.h"

namespace
{

using Time = HourlyAnswerEntry::Time;

// FCTTIME's children: element name and text, in the service's order.
const QPair<const char*, QString Time::*> timeChildren[HourlyAnswerEntry::timeChildCount] = {
    { "hour", &Time::hour },
    { "hour_padded", &Time::hourPadded },
    { "min", &Time::min },
    { "min_unpadded", &Time::minUnpadded },
    { "sec", &Time::sec },
    { "year", &Time::year },
    { "mon", &Time::mon },
    { "mon_padded", &Time::monPadded },
    { "mon_abbrev", &Time::monAbbrev },
    { "mday", &Time::mday },
    { "mday_padded", &Time::mdayPadded },
    { "yday", &Time::yday },
    { "isdst", &Time::isdst },
    { "epoch", &Time::epoch },
    { "pretty", &Time::pretty },
    { "civil", &Time::civil },
    { "month_name", &Time::monthName },
    { "month_name_abbrev", &Time::monthNameAbbrev },
    { "weekday_name", &Time::weekdayName },
    { "weekday_name_night", &Time::weekdayNameNight },
    { "weekday_name_abbrev", &Time::weekdayNameAbbrev },
    { "weekday_name_unlang", &Time::weekdayNameUnlang },
    { "weekday_name_night_unlang", &Time::weekdayNameNightUnlang },
    { "ampm", &Time::ampm },
    { "tz", &Time::tz },
    { "age", &Time::age },
    { "UTCDATE", &Time::utcDate },
};

} // namespace

HourlyAnswer::HourlyAnswer(bool indented)
    : m_writer(indented, QStringLiteral("hourly"))
{
    m_writer.start(QStringLiteral("hourly_forecast"));
}

void HourlyAnswer::add(const HourlyAnswerEntry& e)
{
    AnswerWriter& w = m_writer;
    int written = 0;
    const auto more = [&written, &e] { return written++ < e.children; };
    const auto scales = [&w](const char* name, const HourlyAnswerEntry::Scales& value) {
        w.englishMetric(QLatin1String(name), value.english, value.metric);
    };
    const auto text
        = [&w](const char* name, const QString& value) { w.text(QLatin1String(name), value); };

    w.start(QStringLiteral("forecast"));
    if (more()) {
        w.start(QStringLiteral("FCTTIME"));
        for (int k = 0; k < e.timeChildren && k < HourlyAnswerEntry::timeChildCount; ++k)
            text(timeChildren[k].first, e.time.*timeChildren[k].second);
        if (e.timeError)
            w.error(*e.timeError);
        w.end();
    }
    if (more())
        scales("temp", e.temp);
    if (more())
        scales("dewpoint", e.dewpoint);
    if (more())
        text("condition", e.condition);
    if (more())
        text("icon", e.icon);
    if (more())
        text("icon_url", e.iconUrl);
    if (more())
        text("fctcode", e.fctcode);
    if (more())
        text("sky", e.sky);
    if (more())
        scales("wspd", e.wspd);
    if (more())
        w.children(QStringLiteral("wdir"),
            { { QStringLiteral("dir"), e.windDir }, { QStringLiteral("degrees"), e.windDegrees } });
    if (more())
        text("wx", e.wx);
    if (more())
        text("uvi", e.uvi);
    if (more())
        text("humidity", e.humidity);
    if (more())
        scales("windchill", e.windchill);
    if (more())
        scales("heatindex", e.heatindex);
    if (more())
        scales("feelslike", e.feelslike);
    if (more())
        scales("qpf", e.qpf);
    if (more())
        scales("snow", e.snow);
    if (more())
        text("pop", e.pop);
    if (more())
        scales("mslp", e.mslp);
    w.end();
}

QByteArray HourlyAnswer::finish()
{
    m_writer.end(); // hourly_forecast
    return m_writer.finish();
}
