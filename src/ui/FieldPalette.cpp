#include "FieldPalette.h"

namespace FieldPalette
{

QColor colour(FieldColour colour)
{
    switch (colour) {
    case FieldColour::Green:
        return QColor(0x80, 0xFF, 0x80);
    case FieldColour::Yellow:
        return QColor(0xFF, 0xFF, 0x80);
    case FieldColour::Red:
        return QColor(0xFF, 0x80, 0x80);
    case FieldColour::Grey:
        break;
    }
    return QColor(0xE0, 0xE0, 0xE0);
}

} // namespace FieldPalette
