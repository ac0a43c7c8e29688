#pragma once

#include <QString>
#include <QStringList>

struct ConditionsPage;
struct ConfigPage;

// Which wind readings an answer held. One it lacked is judged at its start value, 100 km/h, and
// its alert note has no value to show; the reasons and the log say it was not measured.
struct WindReadings {
    bool speed = true;
    bool gust = true;
};

// The safe-condition verdict of one current-conditions poll: colours on the "Actual" page,
// the three condition codes of the data file, and the notes of the alert.
//
// Limits are read from the working configuration each time a test runs; a limit that is not
// a number throws PollFailure.
class SafeConditionEvaluation
{
public:
    bool SafeCondition = true; // never returns to safe within a poll
    qint16 CloudCondition = 0; // 0 unknown, 1 clear, 2 cloudy, 3 very cloudy
    qint16 WindCondition = 0; // 0 unknown, 1 calm, 2 windy, 3 very windy
    qint16 RainCondition = 0; // 0 unknown, 1 dry, 2 wet, 3 rain

    QString skyNote;
    QString windNote;
    QString humidityNote;
    QString rainNote;
    // Each limit this poll found broken, as the poll log reports it ("wind 22.5 km/h, limit 15").
    QStringList brokenLimits;

    void reset();
    void markNotSafe() { SafeCondition = false; }

    void startColours(const ConfigPage& config, ConditionsPage& page) const;
    void humidityTest(const ConfigPage& config, qint16 Humidity, ConditionsPage& page);
    void rainTest(const ConfigPage& config, double Rain1h, ConditionsPage& page);
    void skyTest(const ConfigPage& config, ConditionsPage& page);
    void windTest(const ConfigPage& config, double WindSpeed, double GustSpeed,
        ConditionsPage& page, WindReadings came = {});

    // The notes in the order sky, wind, humidity, rain; "Fallo en Nubora" when all are empty.
    QString AlertText() const;

    // Why the poll is not safe, for observatory software: the notes in the alert's order without
    // their separators, a reading that was not measured in words ("Nublado - viento no medido"),
    // "Fallo en Nubora" when a failure set none. Empty for a safe poll.
    QString reasons() const;

private:
    QString m_windUnmeasured; // stands for the wind note where its reading was not measured
};
