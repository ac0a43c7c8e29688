#pragma once

#include "DisplayField.h"

#include <array>

// What the "Actual" page shows; written by the current-conditions poll.
struct ConditionsPage {
    QString Estacion = QStringLiteral("Estación:");
    QString Fecha_Hora = QStringLiteral("Fecha/Hora");
    std::array<DisplayField, 3> T;
    std::array<DisplayField, 3> V;
    std::array<DisplayField, 2> P;
    std::array<DisplayField, 2> LL;
    std::array<DisplayField, 2> C;
};
