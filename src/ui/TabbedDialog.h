#pragma once

#include <QTabWidget>

// The window's tab widget. The layout places page controls relative to the tab widget's own
// corner, tab row included, so it needs to know where the pages will sit before the widget
// has been shown and laid out.
class TabbedDialog : public QTabWidget
{
    Q_OBJECT
public:
    explicit TabbedDialog(QWidget* parent = nullptr);

    // The page area inside this widget, for its current size, font, style and tabs.
    QRect pageArea() const;
};
