#include "LayoutControlFactory.h"

#include "DisplayFieldEdit.h"
#include "LayoutTable.h"
#include "Twips.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>

namespace
{

QWidget* makeLabel(const LayoutControl& control, QWidget* parent, Qt::Alignment horizontal)
{
    auto* label = new QLabel(control.caption, parent);
    label->setTextFormat(Qt::PlainText);
    const bool vertical = control.alignment & Qt::AlignVertical_Mask;
    label->setAlignment(vertical ? control.alignment : (horizontal | Qt::AlignTop));
    label->setWordWrap(control.kind == LayoutControl::Heading);
    return label;
}

QWidget* makeImage(const QPixmap& picture, QWidget* parent)
{
    auto* image = new QLabel(parent);
    image->setPixmap(picture);
    image->setScaledContents(true);
    return image;
}

QWidget* makeStationBox(QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->setEditable(true);
    // Typed identifiers become entries through the window's own handler, exactly as
    // typed: no insertion or case-blind matching on Enter, no completion while typing.
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setDuplicatesEnabled(true);
    box->setCompleter(nullptr);
    return box;
}

QWidget* makeLine(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::NoFrame);
    QPalette grey = line->palette();
    grey.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
    line->setPalette(grey);
    line->setAutoFillBackground(true);
    return line;
}

} // namespace

LayoutControlFactory::LayoutControlFactory(
    QPoint pageOrigin, QPixmap banner, QPixmap icon, QFont windowFont)
    : m_pageOrigin(pageOrigin)
    , m_banner(std::move(banner))
    , m_icon(std::move(icon))
    , m_windowFont(std::move(windowFont))
{
}

QWidget* LayoutControlFactory::make(const LayoutControl& control, QWidget* parent) const
{
    QWidget* widget = makeWidget(control, parent);
    widget->setObjectName(control.name);
    applyFont(control, widget);
    widget->setGeometry(placeOf(control));
    return widget;
}

QWidget* LayoutControlFactory::makeWidget(const LayoutControl& control, QWidget* parent) const
{
    const Qt::Alignment horizontal = control.alignment & Qt::AlignHorizontal_Mask;
    switch (control.kind) {
    case LayoutControl::Label:
    case LayoutControl::Heading:
        return makeLabel(control, parent, horizontal);
    case LayoutControl::Banner:
    case LayoutControl::Icon:
        return makeImage(control.kind == LayoutControl::Banner ? m_banner : m_icon, parent);
    case LayoutControl::Field: {
        auto* field = new DisplayFieldEdit(parent);
        field->setAlignment(horizontal | Qt::AlignVCenter);
        return field;
    }
    case LayoutControl::Edit: {
        auto* edit = new QLineEdit(control.caption, parent);
        edit->setAlignment(horizontal | Qt::AlignVCenter);
        return edit;
    }
    case LayoutControl::Combo:
        return makeStationBox(parent);
    case LayoutControl::Choice: {
        auto* box = new QComboBox(parent);
        box->addItems(control.caption.split(QLatin1Char('|')));
        return box;
    }
    case LayoutControl::Button: {
        auto* button = new QPushButton(control.caption, parent);
        button->setAutoDefault(false);
        return button;
    }
    case LayoutControl::Check: {
        auto* check = new QCheckBox(control.caption, parent);
        // The box stands right of the caption.
        check->setLayoutDirection(Qt::RightToLeft);
        return check;
    }
    case LayoutControl::Frame:
        return new QGroupBox(control.caption, parent);
    case LayoutControl::Line:
        return makeLine(parent);
    }
    Q_UNREACHABLE();
    return nullptr;
}

void LayoutControlFactory::applyFont(const LayoutControl& control, QWidget* widget) const
{
    switch (control.font) {
    case LayoutControl::Regular:
        return;
    case LayoutControl::Bold:
        if (auto* field = qobject_cast<DisplayFieldEdit*>(widget)) {
            field->setBold(true);
        } else {
            QFont bold = widget->font();
            bold.setBold(true);
            widget->setFont(bold);
        }
        return;
    case LayoutControl::Underlined: {
        QFont underlined = widget->font();
        underlined.setUnderline(true);
        widget->setFont(underlined);
        return;
    }
    case LayoutControl::Title: {
        QFont title = m_windowFont;
        title.setStretch(QFont::Unstretched);
        title.setPointSizeF(13.5);
        title.setBold(true);
        title.setItalic(true);
        widget->setFont(title);
        QPalette black = widget->palette();
        black.setColor(QPalette::WindowText, Qt::black);
        widget->setPalette(black);
        return;
    }
    }
}

QRect LayoutControlFactory::placeOf(const LayoutControl& control) const
{
    const QRect& t = control.twips;
    const QRect place = Twips::toRect(t.x(), t.y(), t.width(), t.height());
    return control.frame.isEmpty() ? place.translated(-m_pageOrigin) : place;
}
