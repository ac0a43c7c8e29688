#pragma once

#include <QString>
#include <QStringList>

struct ConditionsPage;
struct ConfigPage;

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
    void windTest(
        const ConfigPage& config, double WindSpeed, double GustSpeed, ConditionsPage& page);

    // The notes in the order sky, wind, humidity, rain; "Fallo en Nubora" when all are empty.
    QString AlertText() const;
};
