#include "SafeConditionEvaluation.h"

#include "ConditionsPage.h"
#include "ConfigPage.h"
#include "NumberConversion.h"
#include "PollFailure.h"
#include "SkyText.h"

namespace
{

double limit(const QString& text, const char* name)
{
    const std::optional<double> value = NumberConversion::toDouble(text);
    if (!value)
        throw PollFailure(QStringLiteral("conversion: the limit %1 \"%2\" is not a number")
                              .arg(QLatin1String(name), text)
                              .toStdString());
    return *value;
}

// A speed the answer did not hold was judged at 100 km/h; the log says it was missing.
QString brokenSpeed(const char* what, bool came, const QString& shown, const QString& limit)
{
    const QString value = came ? shown + QStringLiteral(" km/h") : QStringLiteral("not reported");
    return QStringLiteral("%1 %2, limit %3").arg(QLatin1String(what), value, limit);
}

} // namespace

void SafeConditionEvaluation::reset()
{
    *this = SafeConditionEvaluation();
}

void SafeConditionEvaluation::startColours(const ConfigPage& config, ConditionsPage& page) const
{
    page.C[1].background = FieldColour::Red;
    page.V[0].background = FieldColour::Red;
    page.V[1].background = FieldColour::Yellow;
    page.T[1].background = FieldColour::Yellow;
    page.LL[0].background
        = ConfigPage::isTicked(config.Lluvia_1h) ? FieldColour::Red : FieldColour::Grey;
}

void SafeConditionEvaluation::humidityTest(
    const ConfigPage& config, qint16 Humidity, ConditionsPage& page)
{
    if (limit(config.HumedadAlta, "HumedadAlta") > Humidity) {
        RainCondition = 1;
        page.T[1].background = FieldColour::Green;
        humidityNote.clear();
    } else {
        RainCondition = 2;
        markNotSafe();
        humidityNote = QStringLiteral("H") + page.T[1].text + QStringLiteral("% - ");
        brokenLimits
            << QStringLiteral("humidity %1%, limit %2").arg(Humidity).arg(config.HumedadAlta);
    }
}

void SafeConditionEvaluation::rainTest(
    const ConfigPage& config, double Rain1h, ConditionsPage& page)
{
    if (!ConfigPage::isTicked(config.Lluvia_1h))
        return;
    if (Rain1h > 0) {
        RainCondition = 3;
        markNotSafe();
        rainNote = QStringLiteral("LL(1h)") + page.LL[0].text + QStringLiteral("mm");
        brokenLimits
            << QStringLiteral("rain %1 mm in the last hour").arg(page.LL[0].text.trimmed());
    } else {
        page.LL[0].background = FieldColour::Green;
        rainNote.clear();
    }
}

void SafeConditionEvaluation::skyTest(const ConfigPage& config, ConditionsPage& page)
{
    DisplayField& sky = page.C[1];
    bool safe = false;
    if (sky.text == SkyText::ClearSky) {
        CloudCondition = 1;
        sky.background = FieldColour::Green;
        safe = true;
    } else if (sky.text == SkyText::PartlyCloudy) {
        CloudCondition = 2;
        sky.background = FieldColour::Yellow;
        safe = ConfigPage::isTicked(config.Cielo_Check[0]);
    } else if (sky.text == SkyText::ScatteredClouds) {
        CloudCondition = 2;
        sky.background = FieldColour::Yellow;
        safe = ConfigPage::isTicked(config.Cielo_Check[1]);
    } else {
        CloudCondition = 3;
        sky.background = FieldColour::Red;
    }
    if (safe) {
        skyNote.clear();
    } else {
        markNotSafe();
        skyNote = sky.text + QStringLiteral(" - ");
        brokenLimits << QStringLiteral("sky \"%1\"").arg(sky.text);
    }
}

void SafeConditionEvaluation::windTest(const ConfigPage& config, double WindSpeed, double GustSpeed,
    ConditionsPage& page, WindReadings came)
{
    const double windLimit = limit(config.LimiteViento, "LimiteViento");
    if (windLimit > WindSpeed && windLimit > GustSpeed) {
        WindCondition = 1;
        page.V[0].background = FieldColour::Green;
        page.V[1].background = FieldColour::Green;
        windNote.clear();
        m_windUnmeasured.clear();
    } else if (!(windLimit > WindSpeed)) {
        WindCondition = 3;
        markNotSafe();
        windNote = QStringLiteral("V") + page.V[0].text + QStringLiteral("Km/h - ");
        brokenLimits << brokenSpeed("wind", came.speed, page.V[0].text, config.LimiteViento);
        m_windUnmeasured = came.speed ? QString() : QStringLiteral("viento no medido");
    } else {
        page.V[0].background = FieldColour::Green;
        WindCondition = 2;
        markNotSafe();
        windNote = QStringLiteral("V") + page.V[1].text + QStringLiteral("Km/h - ");
        brokenLimits << brokenSpeed("gust", came.gust, page.V[1].text, config.LimiteViento);
        m_windUnmeasured = came.gust ? QString() : QStringLiteral("racha no medida");
    }
}

QString SafeConditionEvaluation::AlertText() const
{
    const QString joined = skyNote + windNote + humidityNote + rainNote;
    return joined.isEmpty() ? QStringLiteral("Fallo en Nubora") : joined;
}

QString SafeConditionEvaluation::reasons() const
{
    if (SafeCondition)
        return QString();
    const QString separator = QStringLiteral(" - ");
    const QString wind = m_windUnmeasured.isEmpty() ? windNote : m_windUnmeasured;
    QStringList parts;
    for (const QString& note : { skyNote, wind, humidityNote, rainNote }) {
        if (!note.isEmpty())
            parts << (note.endsWith(separator) ? note.chopped(separator.size()) : note);
    }
    return parts.isEmpty() ? QStringLiteral("Fallo en Nubora") : parts.join(separator).trimmed();
}
