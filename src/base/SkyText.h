#pragma once

#include <QString>

// The sky phrases the observatory may work under, as the weather service writes them. The
// safety verdict, the forecast colours and the configuration captions all compare with or
// show these very texts.
namespace SkyText
{

inline const QString ClearSky = QStringLiteral("Despejado");
inline const QString PartlyCloudy = QStringLiteral("Parcialmente nublado");
inline const QString ScatteredClouds = QStringLiteral("Nubes dispersas");

} // namespace SkyText
