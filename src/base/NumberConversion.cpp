#include "NumberConversion.h"

#include <QLocale>
#include <cfenv>
#include <cmath>
#include <limits>

namespace NumberConversion
{

std::optional<double> toDouble(const QString& text)
{
    bool ok = false;
    const double value = QLocale().toDouble(text, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<qint16> toInt16(const QString& text)
{
    const std::optional<double> value = toDouble(text);
    if (!value)
        return std::nullopt;
    // nearbyint follows the current rounding mode; FE_TONEAREST is ties-to-even.
    const int previousMode = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(*value);
    std::fesetround(previousMode);
    if (rounded < std::numeric_limits<qint16>::min()
        || rounded > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return static_cast<qint16>(rounded);
}

QString DecimalSeparator()
{
    return QLocale().toString(0.5).mid(1, 1);
}

QString withSeparator(const QString& serviceValue, const QString& separator)
{
    QString shown = serviceValue;
    return shown.replace(QLatin1Char('.'), separator);
}

} // namespace NumberConversion

std::optional<double> NumberConversion::fromService(const QString& serviceValue)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(serviceValue.trimmed(), &ok);
    return ok && std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}
