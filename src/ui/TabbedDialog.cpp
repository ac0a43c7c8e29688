#include "TabbedDialog.h"

#include <QStyle>
#include <QStyleOptionTabWidgetFrame>

TabbedDialog::TabbedDialog(QWidget* parent)
    : QTabWidget(parent)
{
}

QRect TabbedDialog::pageArea() const
{
    // The same computation QTabWidget makes when it lays out its page stack.
    QStyleOptionTabWidgetFrame option;
    initStyleOption(&option);
    return style()->subElementRect(QStyle::SE_TabWidgetTabContents, &option, this);
}
