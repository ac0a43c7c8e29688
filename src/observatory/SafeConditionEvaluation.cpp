#include "SafeConditionEvaluation.h"

#include "ConditionsPage.h"
#include "ConfigPage.h"
#include "NumberConversion.h"
#include "PollFailure.h"
#include "SkyText.h"

namespace
{

double limit(const QString& text)
{
    const std::optional<double> value = NumberConversion::toDouble(text);
    if (!value)
        throw PollFailure("a limit is not a number");
    return *value;
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
    if (limit(config.HumedadAlta) > Humidity) {
        RainCondition = 1;
        page.T[1].background = FieldColour::Green;
        humidityNote.clear();
    } else {
        RainCondition = 2;
        markNotSafe();
        humidityNote = QStringLiteral("H") + page.T[1].text + QStringLiteral("% - ");
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
    }
}

void SafeConditionEvaluation::windTest(
    const ConfigPage& config, double WindSpeed, double GustSpeed, ConditionsPage& page)
{
    const double windLimit = limit(config.LimiteViento);
    if (windLimit > WindSpeed && windLimit > GustSpeed) {
        WindCondition = 1;
        page.V[0].background = FieldColour::Green;
        page.V[1].background = FieldColour::Green;
        windNote.clear();
    } else if (!(windLimit > WindSpeed)) {
        WindCondition = 3;
        markNotSafe();
        windNote = QStringLiteral("V") + page.V[0].text + QStringLiteral("Km/h - ");
    } else {
        page.V[0].background = FieldColour::Green;
        WindCondition = 2;
        markNotSafe();
        windNote = QStringLiteral("V") + page.V[1].text + QStringLiteral("Km/h - ");
    }
}

QString SafeConditionEvaluation::AlertText() const
{
    const QString joined = skyNote + windNote + humidityNote + rainNote;
    return joined.isEmpty() ? QStringLiteral("Fallo en Nubora") : joined;
}
