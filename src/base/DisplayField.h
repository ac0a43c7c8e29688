#pragma once

#include <QString>

// The display-field palette. The window maps these to its colours.
enum class FieldColour { Grey, Green, Yellow, Red };

// The colour's name where it leaves the program (the archive, the status page).
inline const char* colourName(FieldColour colour)
{
    switch (colour) {
    case FieldColour::Green:
        return "green";
    case FieldColour::Yellow:
        return "yellow";
    case FieldColour::Red:
        return "red";
    case FieldColour::Grey:
        break;
    }
    return "grey";
}

// One read-only field of the "Actual" or "Previsión" page.
struct DisplayField {
    QString text;
    FieldColour background = FieldColour::Grey;
    bool bold = false;
};
