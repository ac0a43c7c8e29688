#pragma once

#include <QString>
#include <optional>

// Text-to-number conversions by the user's locale (QLocale()), as every box and every
// value of the service is read. Tests switch the locale with QLocale::setDefault.
namespace NumberConversion
{

// Empty, non-numeric and non-finite texts give nothing.
std::optional<double> toDouble(const QString& text);

// Rounds to the nearest integer, ties to the even one (64.5 -> 64, 65.5 -> 66);
// nothing outside -32768 ... 32767.
std::optional<qint16> toInt16(const QString& text);

// The locale's decimal separator: the second character of one half as text.
QString DecimalSeparator();

// A service value as a number for readers beyond the window: always "." as its decimal point,
// whatever the user's locale; nothing when the text is not a finite number.
std::optional<double> fromService(const QString& serviceValue);

// Every "." of a service value replaced by the separator; nothing else changes.
QString withSeparator(const QString& serviceValue, const QString& separator);

} // namespace NumberConversion
