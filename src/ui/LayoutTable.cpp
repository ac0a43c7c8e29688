#include "LayoutTable.h"

#include "ConfigPage.h"
#include "SkyText.h"

namespace
{

using C = LayoutControl;

// The measurement rows of "Actual": caption, value box, unit, one row every 360 twips.
constexpr int FieldHeight = 285;
constexpr int FieldWidth = 495;
constexpr int RowPitch = 360;
constexpr int FirstRowTop = 240;
// Labels sit a little lower than the field of their row, so the texts share a baseline.
constexpr int LabelDrop = 50;
constexpr int LabelHeight = 255;
constexpr int UnitLeft = 1440;
constexpr int UnitWidth = 415;
constexpr int FieldLeft = 840;

constexpr int ForecastFirstRowTop = 1740;

QRect rowCaption(int row)
{
    return QRect(120, FirstRowTop + LabelDrop + row * RowPitch, 615, LabelHeight);
}
QRect rowField(int row, int width = FieldWidth)
{
    return QRect(FieldLeft, FirstRowTop + row * RowPitch, width, FieldHeight);
}
QRect rowUnit(int row)
{
    return QRect(UnitLeft, FirstRowTop + LabelDrop + row * RowPitch, UnitWidth, LabelHeight);
}

QString quoted(const QString& text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QList<LayoutControl> actual()
{
    const auto P = C::Actual;
    const auto R = Qt::AlignRight;
    return {
        { "Refrescar", C::Button, P, {}, { 3600, 660, 975, 375 }, "Refrescar" },
        { "Estacion", C::Label, P, {}, { 360, 660, 2895, 255 }, "Estación:" },
        { "Fecha_Hora", C::Label, P, {}, { 360, 900, 2895, 255 }, "Fecha/Hora" },

        { "Temperatura", C::Frame, P, {}, { 360, 1380, 1935, 1455 }, "Temperatura" },
        { "Label1", C::Label, P, "Temperatura", rowCaption(0), "Temp.:" },
        { "T_0", C::Field, P, "Temperatura", rowField(0), {}, C::Regular, R },
        { "Label4", C::Label, P, "Temperatura", rowUnit(0), "ºC" },
        { "Label2", C::Label, P, "Temperatura", rowCaption(1), "Hum.:" },
        { "T_1", C::Field, P, "Temperatura", rowField(1), {}, C::Bold, R },
        { "Label5", C::Label, P, "Temperatura", rowUnit(1), "%" },
        { "Label3", C::Label, P, "Temperatura", rowCaption(2), "Rocío:" },
        { "T_2", C::Field, P, "Temperatura", rowField(2), {}, C::Regular, R },
        { "Label6", C::Label, P, "Temperatura", rowUnit(2), "ºC" },

        { "Viento", C::Frame, P, {}, { 2640, 1380, 1935, 1455 }, "Viento" },
        { "Label12", C::Label, P, "Viento", rowCaption(0), "Veloc.:" },
        { "V_0", C::Field, P, "Viento", rowField(0), {}, C::Bold, R },
        { "Label9", C::Label, P, "Viento", rowUnit(0), "Km/h" },
        { "Label11", C::Label, P, "Viento", rowCaption(1), "Racha:" },
        { "V_1", C::Field, P, "Viento", rowField(1), {}, C::Bold, R },
        { "Label8", C::Label, P, "Viento", rowUnit(1), "Km/h" },
        { "Label10", C::Label, P, "Viento", rowCaption(2), "Direcc.:" },
        // This row has no unit, and a direction in words ("Variable", "Oeste") does not fit
        // the numeric width: the field takes the unit column too.
        { "V_2", C::Field, P, "Viento", rowField(2, UnitLeft + UnitWidth - FieldLeft), {},
            C::Regular, R },

        { "Presion", C::Frame, P, {}, { 360, 2940, 1935, 1095 }, "Presión" },
        { "Label18", C::Label, P, "Presion", rowCaption(0), "Presión:" },
        { "P_0", C::Field, P, "Presion", rowField(0), {}, C::Regular, R },
        { "Label15", C::Label, P, "Presion", rowUnit(0), "mbar" },
        { "Label17", C::Label, P, "Presion", rowCaption(1), "Tend.:" },
        { "P_1", C::Field, P, "Presion", rowField(1), {}, C::Regular, Qt::AlignHCenter },

        { "Precipitacion", C::Frame, P, {}, { 2640, 2940, 1935, 1095 }, "Precipitación" },
        { "Label24", C::Label, P, "Precipitacion", rowCaption(0), "1 hora:" },
        { "LL_0", C::Field, P, "Precipitacion", rowField(0), {}, C::Bold, R },
        { "Label21", C::Label, P, "Precipitacion", rowUnit(0), "mm." },
        { "Label23", C::Label, P, "Precipitacion", rowCaption(1), "Hoy:" },
        { "LL_1", C::Field, P, "Precipitacion", rowField(1), {}, C::Regular, R },
        { "Label20", C::Label, P, "Precipitacion", rowUnit(1), "mm." },

        { "Visibilidad", C::Frame, P, {}, { 360, 4140, 4215, 1095 }, "Visibilidad" },
        { "Label30", C::Label, P, "Visibilidad", rowCaption(0), "Visib.:" },
        { "C_0", C::Field, P, "Visibilidad", rowField(0), {}, C::Regular, R },
        { "Label27", C::Label, P, "Visibilidad", rowUnit(0), "Km" },
        { "Label29", C::Label, P, "Visibilidad", rowCaption(1), "Cielo:" },
        { "C_1", C::Field, P, "Visibilidad", rowField(1, 2895), {}, C::Bold, Qt::AlignLeft },

        { "Image1", C::Banner, P, {}, { 360, 5460, 4215, 957 }, {} },
    };
}

QList<LayoutControl> prevision()
{
    const auto P = C::Prevision;
    QList<LayoutControl> rows {
        { "Refrescar_Fct", C::Button, P, {}, { 3600, 660, 975, 375 }, "Refrescar" },
        { "Estacion_Fct", C::Label, P, {}, { 240, 660, 3015, 255 }, "Estación:" },
        { "Fecha_Fct", C::Label, P, {}, { 240, 900, 3015, 255 }, "Fecha" },
        { "Label19", C::Heading, P, {}, { 240, 1425, 615, 255 }, "Hora" },
        { "Label16", C::Heading, P, {}, { 960, 1245, 510, 375 }, "Temp. (ºC)" },
        { "Label14", C::Heading, P, {}, { 1560, 1245, 495, 375 }, "Hum. (%)" },
        { "Label13", C::Heading, P, {}, { 2115, 1245, 555, 375 }, "Vto. (Km/h)" },
        { "Label7", C::Heading, P, {}, { 2760, 1425, 1935, 255 }, "Cielo" },
    };
    for (auto& heading : rows)
        if (heading.kind == C::Heading) {
            heading.font = C::Bold;
            heading.alignment = Qt::AlignHCenter;
        }
    for (int i = 0; i < 10; ++i) {
        const int top = ForecastFirstRowTop + RowPitch * i;
        const auto cell = [&](const char* name, int left, int width, Qt::Alignment alignment) {
            rows.append({ LayoutTable::arrayName(name, i), C::Field, P, {},
                { left, top, width, FieldHeight }, {}, C::Regular, alignment });
        };
        cell("Hr_Fct", 240, 615, Qt::AlignHCenter);
        cell("T_Fct", 960, 495, Qt::AlignRight);
        cell("H_Fct", 1560, 495, Qt::AlignRight);
        cell("V_Fct", 2160, 495, Qt::AlignRight);
        cell("C_Fct", 2760, 1935, Qt::AlignHCenter);
    }
    rows.append({ "Image2", C::Banner, P, {}, { 360, 5460, 4215, 957 }, {} });
    return rows;
}

QList<LayoutControl> config()
{
    const auto P = C::Config;
    const auto R = Qt::AlignRight;
    const auto number = [](int value) { return QString::number(value); };
    return {
        { "Label36", C::Label, P, {}, { 840, 450, 705, 255 }, "API key:" },
        { "API_key", C::Edit, P, {}, { 1560, 420, 2535, 285 }, {}, C::Regular, {}, 3 },
        { "Label35", C::Label, P, {}, { 720, 810, 705, 255 }, "Estación:" },
        { "Estacion_ID", C::Combo, P, {}, { 1560, 765, 1695, 315 }, {}, C::Regular, {}, 4 },
        { "Buscar", C::Button, P, {}, { 3360, 765, 735, 300 }, "Buscar", C::Regular, {}, 5 },
        { "Label34", C::Label, P, {}, { 840, 1170, 1215, 255 }, "Refrescar cada:" },
        { "T_Refresco", C::Edit, P, {}, { 2160, 1140, 440, 285 },
            number(ConfigDefaults::PageRefreshMinutes), C::Regular, R, 6 },
        { "Label33", C::Label, P, {}, { 2640, 1170, 375, 255 }, "min." },
        // The weather source, in the free end of the refresh row.
        { "lblFuente", C::Label, P, {}, { 3120, 1170, 645, 255 }, "Servicio:" },
        { "Fuente", C::Choice, P, {}, { 3780, 1140, 885, 285 }, "WU|PWS", C::Regular, {}, 7 },

        { "Frame1", C::Frame, P, {}, { 840, 1420, 3255, 1575 }, "Condición Segura" },
        { "Label28", C::Label, P, "Frame1", { 840, 270, 1215, 255 }, "Humedad <", C::Regular, R },
        { "HumedadAlta", C::Edit, P, "Frame1", { 2160, 240, 440, 285 },
            number(ConfigDefaults::HumidityLimit), C::Regular, R, 8 },
        { "Label31", C::Label, P, "Frame1", { 2640, 270, 375, 255 }, "%" },
        { "Label25", C::Label, P, "Frame1", { 840, 630, 1215, 255 }, "Vel. Viento <", C::Regular,
            R },
        { "LimiteViento", C::Edit, P, "Frame1", { 2160, 600, 440, 285 },
            number(ConfigDefaults::WindLimit), C::Regular, R, 9 },
        { "Label26", C::Label, P, "Frame1", { 2640, 630, 495, 255 }, "Km/h" },
        { "Lluvia_1h", C::Check, P, "Frame1", { 1035, 960, 1560, 255 }, "Sin lluvia ult. hora",
            C::Regular, {}, 10 },
        { "Label22", C::Label, P, "Frame1", { 1185, 1270, 1455, 255 },
            "Cielo:  " + quoted(SkyText::ClearSky) },

        { "Label32", C::Label, P, {}, { 840, 3010, 2385, 255 }, "Guardar archivo Nubora.dat en:" },
        { "Path_Dat", C::Edit, P, {}, { 840, 3250, 2415, 285 }, {}, C::Regular, {}, 11 },
        { "Command1", C::Button, P, {}, { 3360, 3250, 735, 300 }, "Path", C::Regular, {}, 12 },

        { "Frame2", C::Frame, P, {}, { 840, 3600, 3255, 1335 }, "Good Night System" },
        { "GNS", C::Check, P, "Frame2", { 120, 240, 2775, 255 }, "Alerta en condición no segura",
            C::Regular, {}, 13 },
        { "Label46", C::Label, P, "Frame2", { 165, 480, 1935, 255 }, "y con Cielo..." },
        { "Cielo_Check_0", C::Check, P, "Frame2", { 840, 690, 2055, 255 },
            quoted(SkyText::PartlyCloudy), C::Regular, {}, 15 },
        // Level with the check boxes' captions, which are centred in their height.
        { "Label47", C::Label, P, "Frame2", { 3000, 690, 135, 255 }, "o", C::Regular,
            Qt::AlignLeft | Qt::AlignVCenter },
        { "Cielo_Check_1", C::Check, P, "Frame2", { 840, 930, 2055, 255 },
            quoted(SkyText::ScatteredClouds), C::Regular, {}, 14 },

        { "Aceptar", C::Button, P, {}, { 1200, 5050, 975, 375 }, "Aceptar", C::Regular, {}, 1 },
        { "Cancelar", C::Button, P, {}, { 2760, 5050, 975, 375 }, "Cancelar", C::Regular, {}, 2 },
        { "Image3", C::Banner, P, {}, { 360, 5460, 4215, 957 }, {} },
    };
}

QList<LayoutControl> acerca()
{
    const auto P = C::Acerca;
    return {
        { "Image4", C::Icon, P, {}, { 360, 800, 480, 480 }, {} },
        { "lblTitle", C::Label, P, {}, { 1080, 840, 3600, 480 }, "Nubora", C::Title },
        { "lblVersion", C::Label, P, {}, { 1200, 1440, 3045, 225 }, "Versión" },
        // One pixel high.
        { "Line1_1", C::Line, P, {}, { 240, 3600, 4620 - 240, 15 }, {} },
        { "Label39", C::Label, P, {}, { 360, 3720, 3375, 255 },
            "Para obtener un API key:", C::Underlined },
        // Where a station owner gets a key today.
        { "Label40", C::Label, P, {}, { 360, 3960, 4215, 255 },
            "https://www.wunderground.com/member/api-keys" },
        // Shown while the station-owner source is used: its forecast data asks for credit.
        { "lblCredito", C::Label, P, {}, { 360, 4320, 4215, 255 },
            "Previsión y cielo: Open-Meteo.com, CC BY 4.0" },
        { "Label43", C::Label, P, {}, { 360, 4920, 3375, 255 },
            "Good Night System:", C::Underlined },
        { "Label44", C::Label, P, {}, { 360, 5160, 4215, 255 }, "https://www.lunaticoastro.com/" },
    };
}

} // namespace

namespace LayoutTable
{

QString arrayName(const char* name, int i)
{
    return QLatin1String(name) + QLatin1Char('_') + QString::number(i);
}

const QList<LayoutControl>& controls()
{
    static const QList<LayoutControl> table = actual() + prevision() + config() + acerca();
    return table;
}

} // namespace LayoutTable
