#pragma once

#include "DisplayField.h"

#include <QColor>

// The display-field palette as the window paints it.
namespace FieldPalette
{

QColor colour(FieldColour colour);

} // namespace FieldPalette
