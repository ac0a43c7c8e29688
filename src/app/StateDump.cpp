#include "StateDump.h"

#include "frmNubora.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTabWidget>
#include <QTimer>

namespace StateDump
{

namespace
{

QString hex(const QColor& colour)
{
    return colour.name(QColor::HexRgb).toUpper();
}

QJsonObject describe(const QObject* object)
{
    QJsonObject entry;
    if (const auto* timer = qobject_cast<const QTimer*>(object)) {
        entry.insert("enabled", timer->isActive());
        entry.insert("interval", timer->interval());
        return entry;
    }
    const auto* widget = qobject_cast<const QWidget*>(object);
    if (!widget)
        return entry;
    entry.insert("enabled", widget->isEnabled());
    if (const auto* edit = qobject_cast<const QLineEdit*>(widget)) {
        entry.insert("text", edit->text());
        entry.insert("background", hex(edit->palette().color(QPalette::Base)));
        entry.insert("bold", edit->font().bold());
    } else if (const auto* combo = qobject_cast<const QComboBox*>(widget)) {
        entry.insert("text", combo->currentText());
        QJsonArray items;
        for (int i = 0; i < combo->count(); ++i)
            items.append(combo->itemText(i));
        entry.insert("items", items);
        entry.insert("index", combo->currentIndex());
    } else if (const auto* box = qobject_cast<const QCheckBox*>(widget)) {
        entry.insert("text", box->text());
        entry.insert("checked",
            box->checkState() == Qt::Checked                ? 1
                : box->checkState() == Qt::PartiallyChecked ? 2
                                                            : 0);
    } else if (const auto* label = qobject_cast<const QLabel*>(widget)) {
        entry.insert("text", label->text());
        entry.insert("bold", label->font().bold());
    } else if (const auto* button = qobject_cast<const QPushButton*>(widget)) {
        entry.insert("text", button->text());
    } else if (const auto* frame = qobject_cast<const QGroupBox*>(widget)) {
        entry.insert("text", frame->title());
    }
    return entry;
}

bool isControl(const QObject* object)
{
    const QString name = object->objectName();
    if (name.isEmpty() || name.startsWith(QLatin1String("qt_")))
        return false;
    // The edit line inside the station box belongs to the box.
    if (qobject_cast<const QLineEdit*>(object) && qobject_cast<const QComboBox*>(object->parent()))
        return false;
    return qobject_cast<const QTimer*>(object) || qobject_cast<const QWidget*>(object);
}

} // namespace

QString controlName(const QString& objectName)
{
    static const QRegularExpression arrayElement(QStringLiteral("^(.+)_(\\d+)$"));
    const QRegularExpressionMatch match = arrayElement.match(objectName);
    if (!match.hasMatch())
        return objectName;
    return match.captured(1) + QLatin1Char('(') + match.captured(2) + QLatin1Char(')');
}

QByteArray toJson(const frmNubora& window)
{
    QJsonObject controls;
    // The timers are the engine's; they are listed among the window's controls all the same.
    QList<QObject*> objects = window.findChildren<QObject*>();
    for (QTimer* timer : window.engine().findChildren<QTimer*>())
        objects.append(timer);
    for (const QObject* object : objects)
        if (isControl(object))
            controls.insert(controlName(object->objectName()), describe(object));

    const QPointF twips = window.positionTwips();
    QJsonObject root;
    root.insert("caption", window.windowTitle());
    root.insert("page", window.ui().SSTab1->tabText(window.ui().SSTab1->currentIndex()));
    root.insert("position", QJsonObject { { "top", twips.y() }, { "left", twips.x() } });
    root.insert("controls", controls);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

bool write(const frmNubora& window, const QString& path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(toJson(window));
    return file.commit();
}

} // namespace StateDump
