#include "DisplayFieldEdit.h"

#include "FieldPalette.h"

#include <QStyle>
#include <QStyleOptionFrame>
#include <algorithm>

namespace
{

// QLineEdit keeps this many pixels free on each side of its text, inside the style's
// contents rectangle; it is fixed in Qt, not a style metric.
constexpr int LineEditTextMargin = 2;

} // namespace

DisplayFieldEdit::DisplayFieldEdit(QWidget* parent)
    : QLineEdit(parent)
{
    setReadOnly(true);
    setCursor(Qt::ArrowCursor);
    // Only the page's button takes the Tab key; a click still allows selecting and copying.
    setFocusPolicy(Qt::ClickFocus);
    setBackground(FieldColour::Grey);
    connect(this, &QLineEdit::textChanged, this, &DisplayFieldEdit::fitText);
}

void DisplayFieldEdit::setBackground(FieldColour colour)
{
    m_background = colour;
    // Every colour group: the colour must also show while the window is inactive.
    QPalette pal = palette();
    pal.setColor(QPalette::Base, FieldPalette::colour(colour));
    setPalette(pal);
}

void DisplayFieldEdit::setBold(bool bold)
{
    m_bold = bold;
    fitText();
}

void DisplayFieldEdit::fitText()
{
    // Start from the inherited face each time: a shorter value gets the usual width back.
    setFont(QFont());
    QFont f = font();
    f.setBold(m_bold);
    const int room = textRoomWidth();
    int stretch = f.stretch() > 0 ? f.stretch() : int(QFont::Unstretched);
    while (!text().isEmpty() && QFontMetrics(f).horizontalAdvance(text()) > room
        && stretch > NarrowestStretch) {
        stretch = std::max(stretch - 5, NarrowestStretch);
        f.setStretch(stretch);
    }
    setFont(f);
}

int DisplayFieldEdit::textRoomWidth() const
{
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QRect contents = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    const QMargins margins = textMargins();
    return contents.width() - margins.left() - margins.right() - 2 * LineEditTextMargin;
}
