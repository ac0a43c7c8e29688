#pragma once

#include "DisplayField.h"

#include <QLineEdit>

// A value box of the "Actual" and "Previsión" pages: read-only, arrow pointer, background
// from the display-field palette (light grey at start).
class DisplayFieldEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit DisplayFieldEdit(QWidget* parent = nullptr);

    void setBackground(FieldColour colour);
    FieldColour background() const { return m_background; }

    void setBold(bool bold);
    bool isBold() const { return m_bold; }

    // Width the text can use without scrolling out of view.
    int textRoomWidth() const;

    // Narrowest face a value may be drawn in, as a stretch factor.
    static constexpr int NarrowestStretch = 60;

private:
    // A value wider than the box (a pressure of 1013.2 in a box drawn for four figures) is
    // drawn in a narrower face rather than scrolled, so its first figures stay in view.
    void fitText();

    FieldColour m_background = FieldColour::Grey;
    bool m_bold = false;
};
