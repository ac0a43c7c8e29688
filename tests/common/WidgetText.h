#pragma once

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

// The text a control shows, whatever kind of control it is.
inline QString textOf(const QWidget* widget)
{
    if (const auto* w = qobject_cast<const QLabel*>(widget))
        return w->text();
    if (const auto* w = qobject_cast<const QAbstractButton*>(widget))
        return w->text();
    if (const auto* w = qobject_cast<const QGroupBox*>(widget))
        return w->title();
    if (const auto* w = qobject_cast<const QLineEdit*>(widget))
        return w->text();
    if (const auto* w = qobject_cast<const QComboBox*>(widget))
        return w->currentText();
    return QString();
}
