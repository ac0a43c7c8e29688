#include "DataLine.h"

#include <QDateTime>

namespace
{

QString two(int value)
{
    return DataLine::Pd(QString::number(value), 2);
}

// The fields a weather station cannot fill: sky and sensor temperature, heater, rain and wet
// flags, and the seconds since the last valid data.
const QString Zero = QStringLiteral("0");
const QString AfterDewPoint = QStringLiteral(" 0 0 00600 ");
// Daylight, roof close and alert.
const QString ClosingFlags = QStringLiteral(" 0 0 0");

} // namespace

QString DataLine::Pd(const QString& text, int width)
{
    return text.rightJustified(width, QLatin1Char('0'));
}

QString DataLine::Sd(const QString& text, int width)
{
    return text.rightJustified(width, QLatin1Char(' '));
}

QString DataLine::dayText(double obsEpoch, double tzOffsetHours)
{
    const double DayNumber = obsEpoch / 86400 + 25569 + tzOffsetHours / 24;
    return QString::number(DayNumber, 'f', 5);
}

void DataLine::start(const QDateTime& now)
{
    const QDate date = now.date();
    const QTime time = now.time();
    // Celsius and km/h follow the time.
    m_dateTime = QString::number(date.year()) + QLatin1Char('-') + two(date.month())
        + QLatin1Char('-') + two(date.day()) + QLatin1Char(' ') + two(time.hour())
        + QLatin1Char(':') + two(time.minute()) + QLatin1Char(':') + two(time.second())
        + QStringLiteral(".00 C K ");
    m_readings.clear();
    m_counts.fill(0);
}

void DataLine::addTemperature(const QString& value)
{
    add(Temperature,
        Sd(Zero, 6) + QLatin1Char(' ') + Sd(value, 6) + QLatin1Char(' ') + Sd(Zero, 6)
            + QLatin1Char(' '));
}

void DataLine::addWind(const QString& value)
{
    add(Wind, Sd(value, 6) + QLatin1Char(' '));
}

void DataLine::addHumidity(qint16 humidity)
{
    add(Humidity, Sd(QString::number(humidity), 3) + QLatin1Char(' '));
}

void DataLine::addDewPoint(const QString& value)
{
    add(DewPoint, Sd(value, 6) + QLatin1Char(' ') + Sd(Zero, 3) + AfterDewPoint);
}

void DataLine::add(Reading reading, const QString& piece)
{
    m_readings += piece;
    ++m_counts[reading];
}

QStringList DataLine::problems() const
{
    static const std::array<const char*, ReadingCount> names { "temperature", "wind", "humidity",
        "dew point" };
    QStringList found;
    for (int i = 0; i < ReadingCount; ++i) {
        if (m_counts[i] == 0)
            found << QStringLiteral("%1 missing").arg(QLatin1String(names[i]));
        else if (m_counts[i] > 1)
            found << QStringLiteral("%1 repeated").arg(QLatin1String(names[i]));
    }
    return found;
}

QString DataLine::completed(
    const QString& dayText, qint16 cloudCondition, qint16 windCondition, qint16 rainCondition) const
{
    return text() + Pd(dayText, 12) + QLatin1Char(' ')
        + QStringLiteral("%1 %2 %3").arg(cloudCondition).arg(windCondition).arg(rainCondition)
        + ClosingFlags;
}
