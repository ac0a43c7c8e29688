#pragma once

#include <QString>
#include <QStringList>
#include <array>

class QDateTime;

// The one line of the observatory data file, in the layout of the single-line cloud-sensor
// file: the date and time, then the temperature, wind, humidity and dew-point pieces as a poll
// reaches their values, then the day number and the condition codes. Fields that a weather
// station cannot fill hold fixed values. Values are written as the source sent them (never
// shortened), so a value wider than its field moves the rest of the line to the right.
class DataLine
{
public:
    enum Reading { Temperature, Wind, Humidity, DewPoint, ReadingCount };

    // Left-pad to width with "0" or with blanks; never shortens.
    static QString Pd(const QString& text, int width);
    static QString Sd(const QString& text, int width);

    // The observation time as a day count from 1899-12-30 in the station's local time, with five
    // decimals and "." whatever the locale.
    static QString dayText(double obsEpoch, double tzOffsetHours);

    // A new line, holding the date and time of that local moment.
    void start(const QDateTime& now);

    void addTemperature(const QString& value);
    void addWind(const QString& value);
    void addHumidity(qint16 humidity);
    void addDewPoint(const QString& value);

    // The pieces so far, in the order they came.
    QString text() const { return m_dateTime + m_readings; }
    QString dateAndTime() const { return m_dateTime; }

    // The readings that are not there exactly once, as the log names them ("humidity missing",
    // "temperature repeated"); empty when the line can be completed.
    QStringList problems() const;

    // The complete line: every piece, the day number and the three codes. Only meaningful when
    // problems() is empty; fields would stand in the wrong places otherwise.
    QString completed(const QString& dayText, qint16 cloudCondition, qint16 windCondition,
        qint16 rainCondition) const;

private:
    void add(Reading reading, const QString& piece);

    QString m_dateTime;
    QString m_readings;
    std::array<int, ReadingCount> m_counts {};
};
