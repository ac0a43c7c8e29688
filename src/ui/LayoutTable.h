#pragma once

#include <QList>
#include <QRect>
#include <QString>

// One control of the main window as designed: the window is built from these rows, and the
// layout checks read them.
struct LayoutControl {
    // Combo: the editable station box; Choice: a fixed list, its entries in the caption
    // separated by "|".
    enum Kind {
        Label,
        Heading,
        Banner,
        Icon,
        Field,
        Edit,
        Combo,
        Choice,
        Button,
        Check,
        Frame,
        Line
    };
    enum Page { Actual, Prevision, Config, Acerca };
    enum Font { Regular, Bold, Underlined, Title };

    QString name; // object name; element i of a control array is "Name_i"
    Kind kind;
    Page page;
    QString frame; // the frame it sits in, or empty when it sits on the page
    // Twips. On a page: from the tab widget's corner, tab row included. In a frame: from
    // the frame's corner.
    QRect twips;
    QString caption; // an edit's initial text
    Font font = Regular;
    // A label without a vertical alignment reads from the top.
    Qt::Alignment alignment = Qt::AlignLeft;
    int tabOrder = 0; // place in the "Config." page's keyboard order from 1; 0: none
};

namespace LayoutTable
{

// Twips: the window's fixed size and the tab widget's place in it.
inline constexpr QSize WindowSize(5025, 6900);
inline constexpr QRect TabsRect(45, 75, 4935, 6775);

QString arrayName(const char* name, int i);
// In the order they are made: frames before their contents, the drawing order.
const QList<LayoutControl>& controls();

} // namespace LayoutTable
