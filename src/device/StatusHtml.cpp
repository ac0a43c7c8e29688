#include "StatusHtml.h"

#include "DeviceSnapshot.h"
#include "StatusBoard.h"

#include <QDateTime>

namespace
{

QString esc(const QString& text)
{
    return text.toHtmlEscaped();
}

// boldAlways: the window's own field is drawn bold whatever the poll says.
QString cell(const DisplayField& field, bool boldAlways = false)
{
    return QStringLiteral("<td class=\"f %1%2\">%3</td>")
        .arg(QLatin1String(colourName(field.background)),
            field.bold || boldAlways ? QStringLiteral(" b") : QString(), esc(field.text));
}

QString row(const char* caption, const DisplayField& field, const char* unit, bool bold)
{
    return QStringLiteral("<tr><th>%1</th>%2<td class=\"u\">%3</td></tr>")
        .arg(QString::fromUtf8(caption), cell(field, bold), QString::fromUtf8(unit));
}

QString frame(const char* title, const QString& rows)
{
    return QStringLiteral("<div class=\"frame\"><h3>%1</h3><table>%2</table></div>")
        .arg(QString::fromUtf8(title), rows);
}

QString limitText(const char* caption, const std::optional<double>& limit, const char* unit)
{
    return limit
        ? QStringLiteral("<span>%1 %2 %3</span>")
              .arg(QString::fromUtf8(caption), QString::number(*limit), QString::fromUtf8(unit))
        : QString();
}

} // namespace

namespace StatusHtml
{

QString safety(const DeviceSnapshot& snapshot, qint64 nowMs)
{
    const SafetyVerdict verdict = snapshot.safety.verdict(nowMs);
    QString out = QStringLiteral("<div id=\"verdict\" class=\"%1\">%2</div>")
                      .arg(verdict.safe ? QStringLiteral("safe") : QStringLiteral("unsafe"),
                          verdict.safe ? QStringLiteral("SEGURO") : QStringLiteral("NO SEGURO"));
    out += QStringLiteral("<p id=\"reason\">%1</p>").arg(esc(verdict.reason));
    if (verdict.safeAtMs)
        out += QStringLiteral("<p>Seguro en <span id=\"countdown\" data-until=\"%1\"></span> si "
                              "las consultas siguen siendo buenas</p>")
                   .arg(*verdict.safeAtMs);
    if (snapshot.polled)
        out += QStringLiteral("<p>Última consulta: hace <span id=\"age\" data-since=\"%1\"></span>"
                              "</p>")
                   .arg(snapshot.pollTimeMs);
    else
        out += QStringLiteral("<p>Aún no hay consultas</p>");
    const ConditionsReadings& last = snapshot.last;
    if (!last.source.isEmpty() || !last.station.isEmpty())
        out += QStringLiteral("<p id=\"origin\">Fuente: %1 · Estación: %2</p>")
                   .arg(esc(last.source), esc(last.station));
    return out;
}

QString current(const StatusView& view)
{
    if (!view.conditionsShown)
        return QStringLiteral("<p>Aún no hay condiciones actuales</p>");
    const ConditionsPage& p = view.conditions;
    QString out
        = QStringLiteral("<p class=\"when\">%1 %2</p>").arg(esc(p.Estacion), esc(p.Fecha_Hora));
    out += QStringLiteral("<div class=\"frames\">");
    out += frame("Temperatura",
        row("Temp.:", p.T[0], "ºC", false) + row("Hum.:", p.T[1], "%", true)
            + row("Rocío:", p.T[2], "ºC", false));
    out += frame("Viento",
        row("Veloc.:", p.V[0], "Km/h", true) + row("Racha:", p.V[1], "Km/h", true)
            + row("Direcc.:", p.V[2], "", false));
    out += frame(
        "Presión", row("Presión:", p.P[0], "mbar", false) + row("Tend.:", p.P[1], "", false));
    out += frame(
        "Precipitación", row("1 hora:", p.LL[0], "mm.", true) + row("Hoy:", p.LL[1], "mm.", false));
    out += frame(
        "Visibilidad", row("Visib.:", p.C[0], "Km", false) + row("Cielo:", p.C[1], "", true));
    out += QStringLiteral("</div><p class=\"limits\">%1 %2</p>")
               .arg(limitText("Límite de humedad:", view.humidityLimit, "%"),
                   limitText("Límite de viento:", view.windLimit, "Km/h"));
    return out;
}

QString forecast(const StatusView& view)
{
    if (!view.forecastShown)
        return QStringLiteral("<p>Aún no hay previsión</p>");
    const ForecastPage& p = view.forecast;
    QString out = QStringLiteral("<p class=\"when\">%1 %2</p><table class=\"fct\"><tr><th>Hora</th>"
                                 "<th>Temp. (ºC)</th><th>Hum. (%)</th><th>Vto. (Km/h)</th>"
                                 "<th>Cielo</th></tr>")
                      .arg(esc(p.Estacion_Fct), esc(p.Fecha_Fct));
    for (const ForecastRow& r : p.rows)
        out += QStringLiteral("<tr>") + cell(r.Hr_Fct) + cell(r.T_Fct) + cell(r.H_Fct)
            + cell(r.V_Fct) + cell(r.C_Fct) + QStringLiteral("</tr>");
    return out + QStringLiteral("</table>");
}

QString document(const QString& safety, const QString& current, const QString& forecast,
    const QString& graphs, int hours)
{
    QString spans;
    for (const auto& [h, label] : { std::pair { 3, "3 h" }, { 24, "24 h" }, { 168, "7 días" } })
        spans += QStringLiteral("<button data-hours=\"%1\"%2>%3</button>")
                     .arg(h)
                     .arg(h == hours ? QStringLiteral(" class=\"on\"") : QString())
                     .arg(QString::fromUtf8(label));
    return QStringLiteral(
        "<!DOCTYPE html><html lang=\"es\"><head><meta charset=\"utf-8\">"
        "<meta name=\"viewport\" content=\"width=device-width,initial-scale=1\">"
        "<title>Nubora</title><link rel=\"icon\" href=\"data:,\"><style>%1</style></head><body>"
        "<section id=\"safety\">%2</section>"
        "<h2>Actual</h2><section id=\"current\">%3</section>"
        "<h2>Previsión</h2><section id=\"forecast\">%4</section>"
        "<h2>Historia</h2><nav id=\"spans\">%5</nav><p id=\"tip\"></p>"
        "<section id=\"graphs\" data-hours=\"%6\">%7</section>"
        "<script>%8</script></body></html>")
        .arg(QString::fromUtf8(Styles), safety, current, forecast, spans, QString::number(hours),
            graphs, QString::fromUtf8(Script));
}

} // namespace StatusHtml
