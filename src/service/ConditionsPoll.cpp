#include "ConditionsPoll.h"

#include "AlertSink.h"
#include "ConditionsPage.h"
#include "ConfigPage.h"
#include "ConfigStore.h"
#include "DataLine.h"
#include "Logging.h"
#include "NumberConversion.h"
#include "ObservationField.h"
#include "ObservationWalk.h"
#include "PollFailure.h"
#include "SafeConditionEvaluation.h"
#include "WeatherSource.h"

namespace
{

QString two(int value)
{
    return DataLine::Pd(QString::number(value), 2);
}

void emptyPage(ConditionsPage& page)
{
    for (auto* fields : { page.T.data(), page.V.data() })
        for (int i = 0; i < 3; ++i)
            fields[i].text.clear();
    for (auto* fields : { page.P.data(), page.LL.data(), page.C.data() })
        for (int i = 0; i < 2; ++i)
            fields[i].text.clear();
}

} // namespace

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
    DataLine line;
    QString outcome;
    m_readings = ConditionsReadings();
    m_readings.outcome = ConditionsReadings::Outcome::Failed;
    m_readings.station = config.Estacion_ID.text;
    m_readings.source = m_service.name();
    try {
        m_file.open(prepare(config, page, evaluation));

        result.effects.lockTimerStopped = true;
        result.observation = m_service.conditions(config.API_key, config.Estacion_ID.text);
        bool walkEnded = true;
        if (!result.observation) {
            evaluation.markNotSafe();
            outcome = m_service.lastFailure().failedLoad();
        } else {
            const Observation& observation = *result.observation;
            result.effects.loaded = true;
            line.start(m_clock());
            ObservationWalk walker(config, DecimalSep, { ObsEpoch, TzOffsetHours }, page,
                m_readings, evaluation, line);
            walkEnded = walk(observation, ObservationField, walker, line, evaluation, result);
            if (walkEnded)
                closeWalk(config, observation, walker, line, evaluation, page);
            else
                outcome = QStringLiteral("error answer: ") + observation.endReason;
        }
        if (walkEnded) {
            m_file.close();
            result.effects.caption = captionAt(m_clock());
        }
    } catch (const PollFailure& failure) {
        evaluation.markNotSafe();
        outcome = QStringLiteral("run-time failure: ") + QString::fromUtf8(failure.what());
        // The pieces so far; nothing when the poll failed before its file was open.
        m_file.write(line.text());
    }
    m_file.release();
    finish(config, evaluation, outcome, result);
    return result;
}

QString ConditionsPoll::prepare(
    const ConfigPage& config, ConditionsPage& page, SafeConditionEvaluation& evaluation)
{
    const QString path = DataFileWriter::filePath(ConfigStore::dataFolder(m_store));
    m_file.createIfMissing(path);
    const std::optional<qint16> period = NumberConversion::toInt16(config.T_Refresco);
    if (!period)
        throw PollFailure(
            QStringLiteral("bad T_Refresco \"%1\"").arg(config.T_Refresco).toStdString());
    Periodo_Refresco = *period;

    page.Estacion.clear();
    page.Fecha_Hora.clear();
    evaluation.reset();
    evaluation.startColours(config, page);
    emptyPage(page);
    return path;
}

bool ConditionsPoll::walk(const Observation& observation, const QStringList& ObservationField,
    ObservationWalk& walker, DataLine& line, SafeConditionEvaluation& evaluation,
    ConditionsResult& result)
{
    const int fields = std::min<int>(int(ObservationField.size()), ObservationField::Count);
    for (int index = 0; index < fields; ++index) {
        const auto field = ObservationField::Index(index);
        const QStringList& texts = observation.values[index];
        const bool endsHere
            = observation.end != Observation::End::Complete && observation.endField == index;
        try {
            for (int k = 0; k < (endsHere ? observation.endOccurrence : texts.size()); ++k)
                walker.handle(field, texts.at(k));
            if (endsHere && observation.end == Observation::End::ReadFailure)
                throw PollFailure(observation.endReason.toStdString());
            if (endsHere) {
                m_readings.outcome = ConditionsReadings::Outcome::ErrorAnswer;
                m_file.write(line.text());
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

void ConditionsPoll::closeWalk(const ConfigPage& config, const Observation& observation,
    const ObservationWalk& walker, DataLine& line, SafeConditionEvaluation& evaluation,
    ConditionsPage& page)
{
    m_readings.outcome = ConditionsReadings::Outcome::Complete;
    m_readings.windDegrees = observation.windDegrees;
    m_readings.cloudCover = observation.cloudCover;
    m_readings.stationPressureHpa = observation.stationPressureHpa;
    m_readings.elevationM = observation.elevationM;
    m_readings.latitude = observation.latitude;
    m_readings.longitude = observation.longitude;
    evaluation.windTest(config, walker.values().WindSpeed, walker.values().GustSpeed, page,
        { !observation.values[ObservationField::WindKph].isEmpty(),
            !observation.values[ObservationField::WindGustKph].isEmpty() });
    const QStringList problems = line.problems();
    if (problems.isEmpty()) {
        m_file.write(line.completed(DataLine::dayText(ObsEpoch, TzOffsetHours),
            evaluation.CloudCondition, evaluation.WindCondition, evaluation.RainCondition));
        return;
    }
    // Fields out of place would be misread by every reader that splits the line on blanks.
    m_file.write(line.dateAndTime());
    qCWarning(lcFile).noquote() << QStringLiteral("data line: %1; date and time only")
                                       .arg(problems.join(QStringLiteral(", ")));
}

void ConditionsPoll::finish(const ConfigPage& config, const SafeConditionEvaluation& evaluation,
    QString outcome, ConditionsResult& result)
{
    m_readings.safe = evaluation.SafeCondition;
    m_readings.refreshMinutes = Periodo_Refresco;
    m_readings.reasons = evaluation.reasons();
    m_readings.cloudCondition = evaluation.CloudCondition;
    if (outcome.isEmpty()) {
        outcome = evaluation.SafeCondition
            ? QStringLiteral("safe")
            : QStringLiteral("not safe: ") + evaluation.brokenLimits.join(QStringLiteral("; "));
    }
    const QString logLine
        = QStringLiteral("conditions %1: %2").arg(config.Estacion_ID.text, outcome);
    if (evaluation.SafeCondition || !evaluation.brokenLimits.isEmpty())
        qCInfo(lcPoll).noquote() << logLine;
    else
        qCWarning(lcPoll).noquote() << logLine;

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
}
