#include "ConditionsPoll.h"

#include "AlertSink.h"
#include "ConditionsPage.h"
#include "ConfigPage.h"
#include "ConfigStore.h"
#include "Logging.h"
#include "NumberConversion.h"
#include "ObservationField.h"
#include "PollFailure.h"
#include "SafeConditionEvaluation.h"
#include "WeatherSource.h"

#include <QLocale>
#include <cmath>

namespace
{

double requireDouble(const QString& text)
{
    const std::optional<double> value = NumberConversion::toDouble(text);
    if (!value)
        throw PollFailure(
            QStringLiteral("conversion: \"%1\" is not a number").arg(text).toStdString());
    return *value;
}

qint16 requireInt16(const QString& text)
{
    const std::optional<qint16> value = NumberConversion::toInt16(text);
    if (!value)
        throw PollFailure(
            QStringLiteral("conversion: \"%1\" is not a 16-bit number").arg(text).toStdString());
    return *value;
}

std::optional<double> serviceNumber(const QString& text)
{
    return NumberConversion::fromService(text);
}

QString two(int value)
{
    return DataFileWriter::Pd(QString::number(value), 2);
}

} // namespace

struct ConditionsPoll::PollValues {
    double WindSpeed = 100;
    double GustSpeed = 100;
    qint16 Humidity = 100;
    double Rain1h = 100;
};

ConditionsPoll::ConditionsPoll(
    const WeatherSource& service, const SettingsStore& store, AlertSink* alertSink, Clock clock)
    : m_service(service)
    , m_store(store)
    , m_alertSink(alertSink)
    , m_clock(std::move(clock))
{
}

QString ConditionsPoll::captionAt(const QDateTime& time)
{
    const QTime t = time.time();
    return QStringLiteral("Nubora (%1:%2:%3)").arg(two(t.hour()), two(t.minute()), two(t.second()));
}

ConditionsResult ConditionsPoll::WriteMeteo(const ConfigPage& config, const QString& DecimalSep,
    const QStringList& ObservationField, ConditionsPage& page)
{
    ConditionsResult result;
    SafeConditionEvaluation evaluation;
    QString outcome;
    m_readings = ConditionsReadings();
    m_readings.outcome = ConditionsReadings::Outcome::Failed;
    try {
        const QString path = DataFileWriter::filePath(ConfigStore::dataFolder(m_store));
        m_file.createIfMissing(path);
        const std::optional<qint16> period = NumberConversion::toInt16(config.T_Refresco);
        if (!period)
            throw PollFailure(
                QStringLiteral("bad T_Refresco \"%1\"").arg(config.T_Refresco).toStdString());
        Periodo_Refresco = *period;

        page.Estacion.clear();
        page.Fecha_Hora.clear();
        PollValues values;
        evaluation.reset();
        evaluation.startColours(config, page);
        for (auto* fields : { page.T.data(), page.V.data() })
            for (int i = 0; i < 3; ++i)
                fields[i].text.clear();
        for (auto* fields : { page.P.data(), page.LL.data(), page.C.data() })
            for (int i = 0; i < 2; ++i)
                fields[i].text.clear();

        m_file.open(path);

        result.effects.lockTimerStopped = true;
        const std::optional<Observation> observation
            = m_service.conditions(config.API_key, config.Estacion_ID.text);
        const LoadFailure failure = m_service.lastFailure();
        bool walkEnded = true;
        if (!observation) {
            evaluation.markNotSafe();
            outcome = failure.failedLoad();
        } else {
            result.observation = observation;
            result.effects.loaded = true;

            const QDateTime now = m_clock();
            const QDate date = now.date();
            const QTime time = now.time();
            m_file.write(QString::number(date.year()) + QLatin1Char('-') + two(date.month())
                + QLatin1Char('-') + two(date.day()) + QLatin1Char(' '));
            m_file.write(two(time.hour()) + QLatin1Char(':') + two(time.minute()) + QLatin1Char(':')
                + two(time.second()) + QStringLiteral(".00 C K "));

            walkEnded = walk(*observation, ObservationField, config, DecimalSep, values, page,
                evaluation, result);
            if (!walkEnded)
                outcome = QStringLiteral("error answer: ") + observation->endReason;
            if (walkEnded) {
                m_readings.outcome = ConditionsReadings::Outcome::Complete;
                m_readings.windDegrees = observation->windDegrees;
                m_readings.cloudCover = observation->cloudCover;
                evaluation.windTest(config, values.WindSpeed, values.GustSpeed, page);
                m_file.write(DataFileWriter::Pd(dayText(), 12) + QLatin1Char(' '));
                m_file.write(QStringLiteral("%1 %2 %3 0 0 0")
                                 .arg(evaluation.CloudCondition)
                                 .arg(evaluation.WindCondition)
                                 .arg(evaluation.RainCondition));
            }
        }
        if (walkEnded) {
            m_file.close();
            result.effects.caption = captionAt(m_clock());
        }
    } catch (const PollFailure& failure) {
        evaluation.markNotSafe();
        outcome = QStringLiteral("run-time failure: ") + QString::fromUtf8(failure.what());
    }

    m_file.release();
    m_readings.safe = evaluation.SafeCondition;
    m_readings.refreshMinutes = Periodo_Refresco;
    m_readings.alertText = evaluation.AlertText();
    m_readings.cloudCondition = evaluation.CloudCondition;
    if (outcome.isEmpty()) {
        outcome = evaluation.SafeCondition
            ? QStringLiteral("safe")
            : QStringLiteral("not safe: ") + evaluation.brokenLimits.join(QStringLiteral("; "));
    }
    m_lastOutcome = outcome;
    const QString line = QStringLiteral("conditions %1: %2").arg(config.Estacion_ID.text, outcome);
    if (evaluation.SafeCondition || !evaluation.brokenLimits.isEmpty())
        qCInfo(lcPoll).noquote() << line;
    else
        qCWarning(lcPoll).noquote() << line;

    if (ConfigPage::isTicked(config.GNS) && !evaluation.SafeCondition) {
        if (m_alertSink)
            m_alertSink->Alarma_GNS(evaluation.AlertText());
        else
            qCWarning(lcAlert).noquote()
                << QStringLiteral("alert \"%1\" not sent: no alert receiver (--alert-command)")
                       .arg(evaluation.AlertText());
    }
    result.safe = evaluation.SafeCondition;
    result.outcome = outcome;
    result.brokenLimits = evaluation.brokenLimits;
    result.alertText = evaluation.AlertText();
    result.readings = m_readings;
    return result;
}

bool ConditionsPoll::walk(const Observation& observation, const QStringList& ObservationField,
    const ConfigPage& config, const QString& DecimalSep, PollValues& values, ConditionsPage& page,
    SafeConditionEvaluation& evaluation, ConditionsResult& result)
{
    const int fields = std::min<int>(int(ObservationField.size()), ObservationField::Count);
    for (int index = 0; index < fields; ++index) {
        const QStringList& texts = observation.values[index];
        const bool endsHere
            = observation.end != Observation::End::Complete && observation.endField == index;
        const int count = endsHere ? observation.endOccurrence : int(texts.size());
        try {
            for (int k = 0; k < count; ++k)
                handleValue(index, texts.at(k), config, DecimalSep, values, page, evaluation);
            if (endsHere && observation.end == Observation::End::ReadFailure)
                throw PollFailure(observation.endReason.toStdString());
            if (endsHere) {
                m_readings.outcome = ConditionsReadings::Outcome::ErrorAnswer;
                m_file.close();
                evaluation.markNotSafe();
                result.effects.caption = captionAt(m_clock());
                return false;
            }
        } catch (const PollFailure& error) {
            // The same failure, named after the element it happened in.
            throw PollFailure(ObservationField.at(index).toStdString() + ": " + error.what());
        }
    }
    return true;
}

void ConditionsPoll::handleValue(int index, const QString& value, const ConfigPage& config,
    const QString& DecimalSep, PollValues& values, ConditionsPage& page,
    SafeConditionEvaluation& evaluation)
{
    using namespace ObservationField;
    const auto shown = [&DecimalSep](const QString& text) {
        return NumberConversion::withSeparator(text, DecimalSep);
    };

    switch (index) {
    case ObservationLocation:
        page.Estacion = value;
        break;
    case ObservationTimeRfc822:
        page.Fecha_Hora = value;
        break;
    case ObservationEpoch:
        ObsEpoch = requireDouble(value);
        break;
    case LocalTzOffset:
        TzOffsetHours = requireDouble(value) / 100;
        break;
    case TempC:
        m_file.write(DataFileWriter::Sd(QStringLiteral("0"), 6) + QLatin1Char(' ')
            + DataFileWriter::Sd(value, 6) + QLatin1Char(' ')
            + DataFileWriter::Sd(QStringLiteral("0"), 6) + QLatin1Char(' '));
        page.T[0].text = shown(value);
        m_readings.temperature = serviceNumber(value);
        break;
    case WindKph:
        m_file.write(DataFileWriter::Sd(value, 6) + QLatin1Char(' '));
        page.V[0].text = shown(value);
        m_readings.windKph = serviceNumber(value);
        values.WindSpeed = requireDouble(page.V[0].text);
        break;
    case WindGustKph:
        page.V[1].text = shown(value);
        m_readings.gustKph = serviceNumber(value);
        values.GustSpeed = requireDouble(page.V[1].text);
        break;
    case WindDir:
        page.V[2].text = value;
        m_readings.windDirText = page.V[2].text;
        break;
    case PressureMb:
        page.P[0].text = shown(value);
        m_readings.pressureHpa = serviceNumber(value);
        break;
    case PressureTrend:
        page.P[1].text = value;
        break;
    case RelativeHumidity:
        // Read like every other value of the service, with "." as its decimal point, so that
        // "64.5%" is 64 under a comma locale too.
        values.Humidity = requireInt16(shown(value.left(value.size() - 1)));
        m_readings.humidity = serviceNumber(value.left(value.size() - 1));
        m_file.write(DataFileWriter::Sd(QString::number(values.Humidity), 3) + QLatin1Char(' '));
        page.T[1].text = QString::number(values.Humidity);
        evaluation.humidityTest(config, values.Humidity, page);
        break;
    case DewpointC:
        m_file.write(DataFileWriter::Sd(value, 6) + QLatin1Char(' ')
            + DataFileWriter::Sd(QStringLiteral("0"), 3) + QStringLiteral(" 0 0 00600 "));
        page.T[2].text = shown(value);
        m_readings.dewpoint = serviceNumber(value);
        break;
    case Precip1hrMetric:
        page.LL[0].text = shown(value);
        m_readings.rain1hMm = serviceNumber(value);
        values.Rain1h = requireDouble(page.LL[0].text);
        evaluation.rainTest(config, values.Rain1h, page);
        break;
    case PrecipTodayMetric:
        page.LL[1].text = shown(value);
        break;
    case VisibilityKm:
        page.C[0].text = shown(value);
        break;
    case Weather:
        page.C[1].text = value;
        m_readings.sky = page.C[1].text;
        evaluation.skyTest(config, page);
        break;
    default:
        break;
    }
}

QString ConditionsPoll::dayText() const
{
    const double DayNumber = ObsEpoch / 86400 + 25569 + TzOffsetHours / 24;
    // Fixed-point with five decimals and "." whatever the locale; the file is always ASCII.
    return QString::number(DayNumber, 'f', 5);
}
