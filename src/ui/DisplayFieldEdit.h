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
    bool isBold() const { return font().bold(); }

    // Width the text can use without scrolling out of view.
    int textRoomWidth() const;

private:
    FieldColour m_background = FieldColour::Grey;
};
