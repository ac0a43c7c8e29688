#pragma once

#include <QString>

// The Spanish texts the station-owner source writes where the XML service wrote its own.
namespace PwsTexts
{

// The sky for a WMO weather code as the forecast service reports it; "Desconocido" for a code
// outside the table.
QString weatherText(int code);

// The 16-point Spanish name of a direction in degrees, each sector 22.5 degrees wide and
// centred on its point ("Norte" from 348.75 up to 11.25).
QString windDirection(double degrees);

// 1 = Monday ... 7 = Sunday, as QDate counts; lower case, as the XML service wrote them.
QString weekdayName(int dayOfWeek);
QString monthName(int month);

} // namespace PwsTexts
