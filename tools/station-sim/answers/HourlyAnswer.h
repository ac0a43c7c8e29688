#pragma once

#include "AnswerWriter.h"

#include <optional>

// The texts of one "forecast" entry of the hourly answer, named after its elements.
struct HourlyAnswerEntry {
    struct Scales {
        QString english;
        QString metric;
    };
    // The children of FCTTIME, in the service's order.
    struct Time {
        QString hour, hourPadded, min, minUnpadded, sec, year, mon, monPadded, monAbbrev, mday,
            mdayPadded, yday, isdst, epoch, pretty, civil, monthName, monthNameAbbrev, weekdayName,
            weekdayNameNight, weekdayNameAbbrev, weekdayNameUnlang, weekdayNameNightUnlang, ampm,
            tz, age, utcDate;
    };
    static constexpr int timeChildCount = 27;
    static constexpr int childCount = 20;

    Time time;
    Scales temp, dewpoint;
    QString condition, icon, iconUrl, fctcode, sky;
    Scales wspd;
    QString windDir, windDegrees;
    QString wx, uvi, humidity;
    Scales windchill, heatindex, feelslike, qpf, snow;
    QString pop;
    Scales mslp;

    // Broken answers: only the first so many children of FCTTIME and of the entry, and an
    // error nested inside FCTTIME.
    int timeChildren = timeChildCount;
    int children = childCount;
    std::optional<AnswerError> timeError;
};

// The hourly answer, entry by entry: "hourly_forecast" holding the "forecast" entries.
class HourlyAnswer
{
public:
    explicit HourlyAnswer(bool indented);

    void add(const HourlyAnswerEntry& entry);
    // Bytes written so far.
    qsizetype size() const { return m_writer.size(); }
    QByteArray finish();

private:
    AnswerWriter m_writer;
};
