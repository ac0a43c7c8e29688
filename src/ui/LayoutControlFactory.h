#pragma once

#include <QFont>
#include <QPixmap>
#include <QPoint>
#include <QRect>

class QWidget;
struct LayoutControl;

// Makes the widget of one row of the layout table: its kind, caption, name, font and place.
class LayoutControlFactory
{
public:
    // `pageOrigin`: where a page starts in the tab widget, in pixels; rows designed on a page
    // count from the tab widget's corner. The pictures and the window's font are the ones
    // the banner, icon and title rows show or start from.
    LayoutControlFactory(QPoint pageOrigin, QPixmap banner, QPixmap icon, QFont windowFont);

    QWidget* make(const LayoutControl& control, QWidget* parent) const;

private:
    QWidget* makeWidget(const LayoutControl& control, QWidget* parent) const;
    void applyFont(const LayoutControl& control, QWidget* widget) const;
    // The row's rectangle in pixels within its parent.
    QRect placeOf(const LayoutControl& control) const;

    QPoint m_pageOrigin;
    QPixmap m_banner;
    QPixmap m_icon;
    QFont m_windowFont;
};
