#pragma once

#include "StationCombo.h"

#include <QString>
#include <array>

// The working configuration: what the controls of the "Config." page hold. Every poll reads
// these values, accepted or not; the store holds the accepted ones.
struct ConfigPage {
    QString API_key;
    StationCombo Estacion_ID;
    QString T_Refresco = QStringLiteral("3");
    QString HumedadAlta = QStringLiteral("80");
    QString LimiteViento = QStringLiteral("15");
    int Lluvia_1h = 1; // check states: 0 unticked, 1 ticked, 2 greyed
    std::array<int, 2> Cielo_Check { 0, 0 };
    QString Path_Dat;
    int GNS = 0;
    QString Fuente = QStringLiteral("WU"); // the weather source: "WU" (XML service) or "PWS"

    static bool isTicked(int checkState) { return checkState == 1; }
};
