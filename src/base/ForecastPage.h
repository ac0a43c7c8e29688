#pragma once

#include "DisplayField.h"

#include <array>

// One displayed forecast hour.
struct ForecastRow {
    DisplayField Hr_Fct;
    DisplayField T_Fct;
    DisplayField H_Fct;
    DisplayField V_Fct;
    DisplayField C_Fct;
};

// What the "Previsión" page shows; written by the forecast update.
struct ForecastPage {
    static constexpr int RowCount = 10;
    QString Estacion_Fct = QStringLiteral("Estación:");
    QString Fecha_Fct = QStringLiteral("Fecha");
    std::array<ForecastRow, RowCount> rows;
};
