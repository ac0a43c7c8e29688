#pragma once

#include <QString>

// The display-field palette. The window maps these to its colours.
enum class FieldColour { Grey, Green, Yellow, Red };

// One read-only field of the "Actual" or "Previsión" page.
struct DisplayField {
    QString text;
    FieldColour background = FieldColour::Grey;
    bool bold = false;
};
