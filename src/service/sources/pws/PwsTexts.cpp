#include "PwsTexts.h"

#include <QHash>
#include <cmath>

namespace
{

const QHash<int, QString>& weatherTexts()
{
    static const QHash<int, QString> texts = [] {
        QHash<int, QString> t;
        const auto set = [&t](std::initializer_list<int> codes, const char* text) {
            for (int code : codes)
                t.insert(code, QString::fromUtf8(text));
        };
        set({ 0 }, "Despejado");
        set({ 1 }, "Nubes dispersas");
        set({ 2 }, "Parcialmente nublado");
        set({ 3 }, "Nublado");
        set({ 45, 48 }, "Niebla");
        set({ 51, 53, 55 }, "Llovizna");
        set({ 56, 57 }, "Llovizna helada");
        set({ 61 }, "Lluvia ligera");
        set({ 63 }, "Lluvia");
        set({ 65 }, "Lluvia fuerte");
        set({ 66, 67 }, "Lluvia helada");
        set({ 71, 73, 75, 77 }, "Nieve");
        set({ 80, 81, 82 }, "Chubascos");
        set({ 85, 86 }, "Chubascos de nieve");
        set({ 95, 96, 99 }, "Tormenta");
        return t;
    }();
    return texts;
}

} // namespace

namespace PwsTexts
{

QString weatherText(int code)
{
    return weatherTexts().value(code, QStringLiteral("Desconocido"));
}

QString windDirection(double degrees)
{
    static const char* const points[] = { "Norte", "NNE", "NE", "ENE", "Este", "ESE", "SE", "SSE",
        "Sur", "SSO", "SO", "OSO", "Oeste", "ONO", "NO", "NNO" };
    double normal = std::fmod(degrees, 360.0);
    if (normal < 0)
        normal += 360.0;
    const int sector = static_cast<int>(std::floor((normal + 11.25) / 22.5)) % 16;
    return QString::fromLatin1(points[sector]);
}

QString weekdayName(int dayOfWeek)
{
    static const char* const names[]
        = { "lunes", "martes", "miércoles", "jueves", "viernes", "sábado", "domingo" };
    return dayOfWeek >= 1 && dayOfWeek <= 7 ? QString::fromUtf8(names[dayOfWeek - 1]) : QString();
}

QString monthName(int month)
{
    static const char* const names[] = { "enero", "febrero", "marzo", "abril", "mayo", "junio",
        "julio", "agosto", "septiembre", "octubre", "noviembre", "diciembre" };
    return month >= 1 && month <= 12 ? QString::fromLatin1(names[month - 1]) : QString();
}

} // namespace PwsTexts
