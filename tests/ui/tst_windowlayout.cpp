#include "DisplayFieldEdit.h"
#include "FieldPalette.h"
#include "LayoutTable.h"
#include "Twips.h"
#include "WindowLayout.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <memory>

namespace
{

QString textOf(const QWidget* widget)
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

Qt::Alignment alignmentOf(const QWidget* widget)
{
    if (const auto* w = qobject_cast<const QLabel*>(widget))
        return w->alignment();
    if (const auto* w = qobject_cast<const QLineEdit*>(widget))
        return w->alignment();
    return {};
}

const char* classOf(LayoutControl::Kind kind)
{
    switch (kind) {
    case LayoutControl::Label:
    case LayoutControl::Heading:
    case LayoutControl::Banner:
    case LayoutControl::Icon:
        return "QLabel";
    case LayoutControl::Field:
        return "DisplayFieldEdit";
    case LayoutControl::Edit:
        return "QLineEdit";
    case LayoutControl::Combo:
        return "QComboBox";
    case LayoutControl::Button:
        return "QPushButton";
    case LayoutControl::Check:
        return "QCheckBox";
    case LayoutControl::Frame:
        return "QGroupBox";
    case LayoutControl::Line:
        return "QFrame";
    }
    return "";
}

// The part of a control that shows something, in its parent's coordinates. A caption's box
// may reach a pixel into the control below it (the designed boxes do); its text may not.
QRect usedRect(const QWidget* widget)
{
    if (const auto* label = qobject_cast<const QLabel*>(widget);
        label && label->pixmap().isNull()) {
        const QFontMetrics metrics = label->fontMetrics();
        const QRect room = label->contentsRect();
        const QSize text = label->wordWrap()
            ? metrics
                  .boundingRect(QRect(0, 0, room.width(), QWIDGETSIZE_MAX),
                      int(label->alignment()) | Qt::TextWordWrap, label->text())
                  .size()
            : QSize(metrics.horizontalAdvance(label->text()), metrics.height());
        return QStyle::alignedRect(
            label->layoutDirection(), label->alignment(), text.boundedTo(room.size()), room)
            .translated(label->pos());
    }
    if (qobject_cast<const QCheckBox*>(widget)) {
        // Box and caption are centred in the height; the size hint adds a focus margin.
        const int indicator
            = widget->style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, widget);
        const int height
            = std::min(std::max(indicator, widget->fontMetrics().height()), widget->height());
        const QRect g = widget->geometry();
        return QRect(g.left(), g.top() + (g.height() - height) / 2, g.width(), height);
    }
    return widget->geometry();
}

} // namespace

class TestWindowLayout : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void everyControlOnce();
    void builtAsTheTableSays_data();
    void builtAsTheTableSays();
    void noOverlaps_data();
    void noOverlaps();
    void boldDisplayFields();
    void displayFieldsReadOnlyGrey();
    void displayFieldColourIsPainted_data();
    void displayFieldColourIsPainted();
    void checkBoxesBoxOnTheRight();
    void keyboardOrderOfConfig();
    void windowFrameAndPictures();
    void ordinalSign();
    void stationBoxEnterAddsNothing();
    void textsNotClipped_data();
    void textsNotClipped();
    void tabCaptionsNotClipped();
    void widestValuesFit_data();
    void widestValuesFit();

private:
    QWidget* widget(const QString& name) const { return m_window->findChild<QWidget*>(name); }
    QString pageOf(const QWidget* widget) const;

    std::unique_ptr<QWidget> m_window;
    WindowLayout m_ui;
};

void TestWindowLayout::initTestCase()
{
    qInfo("platform %s", qPrintable(QGuiApplication::platformName()));
    m_window = std::make_unique<QWidget>();
    m_ui.setupUi(m_window.get());
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

QString TestWindowLayout::pageOf(const QWidget* widget) const
{
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        const int index = m_ui.SSTab1->indexOf(const_cast<QWidget*>(w));
        if (index >= 0)
            return m_ui.SSTab1->tabText(index);
    }
    return QString();
}

void TestWindowLayout::everyControlOnce()
{
    QSet<QString> names;
    for (const LayoutControl& control : LayoutTable::controls()) {
        QVERIFY2(!names.contains(control.name), qPrintable(control.name));
        names.insert(control.name);
        const auto found = m_window->findChildren<QWidget*>(control.name);
        QVERIFY2(found.size() == 1, qPrintable(control.name));
    }
    // Every named control of the pages comes from the table.
    for (const QWidget* page :
        { m_ui.pageActual, m_ui.pagePrevision, m_ui.pageConfig, m_ui.pageAcerca }) {
        for (const QWidget* w : page->findChildren<QWidget*>()) {
            if (qobject_cast<const QComboBox*>(w->parentWidget()) || w->objectName().isEmpty()
                || w->objectName().startsWith(QLatin1String("qt_")))
                continue;
            QVERIFY2(names.contains(w->objectName()), qPrintable(w->objectName()));
        }
    }
    // The members the window code uses point at the controls of those names.
    QCOMPARE(m_ui.Refrescar->objectName(), QStringLiteral("Refrescar"));
    QCOMPARE(m_ui.Label47->objectName(), QStringLiteral("Label47"));
    QCOMPARE(m_ui.C_Fct[9]->objectName(), QStringLiteral("C_Fct_9"));
    QCOMPARE(m_ui.Cielo_Check[1]->objectName(), QStringLiteral("Cielo_Check_1"));
    QCOMPARE(m_ui.Line1_1->objectName(), QStringLiteral("Line1_1"));
}

void TestWindowLayout::builtAsTheTableSays_data()
{
    QTest::addColumn<int>("row");
    const auto& table = LayoutTable::controls();
    for (int i = 0; i < table.size(); ++i)
        QTest::newRow(qPrintable(table.at(i).name)) << i;
}

void TestWindowLayout::builtAsTheTableSays()
{
    QFETCH(int, row);
    const LayoutControl& control = LayoutTable::controls().at(row);
    QWidget* w = widget(control.name);
    QVERIFY(w);
    QCOMPARE(w->metaObject()->className(), classOf(control.kind));
    QCOMPARE(pageOf(w), m_ui.SSTab1->tabText(control.page));
    QCOMPARE(w->parentWidget()->objectName(),
        control.frame.isEmpty() ? m_ui.SSTab1->widget(control.page)->objectName() : control.frame);
    if (control.kind != LayoutControl::Field && control.kind != LayoutControl::Combo)
        QCOMPARE(textOf(w), control.caption);
    if (alignmentOf(w))
        QCOMPARE(alignmentOf(w) & Qt::AlignHorizontal_Mask,
            control.alignment & Qt::AlignHorizontal_Mask);
    // Page places count from the tab widget's corner, tab row included.
    const QRect& t = control.twips;
    QRect designed = Twips::toRect(t.x(), t.y(), t.width(), t.height());
    if (control.frame.isEmpty())
        designed.translate(-w->parentWidget()->mapTo(m_ui.SSTab1, QPoint(0, 0)));
    const QRect actual = w->geometry();
    const bool caption = control.kind == LayoutControl::Label
        || control.kind == LayoutControl::Heading || control.kind == LayoutControl::Check;
    if (!caption) {
        QCOMPARE(actual, designed);
        return;
    }
    // A caption may only grow into free space to show its whole text, never move up.
    QCOMPARE(actual.top(), designed.top());
    QVERIFY2(actual.contains(designed), qPrintable(control.name));
}

void TestWindowLayout::noOverlaps_data()
{
    QTest::addColumn<QWidget*>("container");
    for (QWidget* page : { m_ui.pageActual, m_ui.pagePrevision, m_ui.pageConfig, m_ui.pageAcerca })
        QTest::newRow(qPrintable(page->objectName())) << page;
    for (QGroupBox* frame : m_window->findChildren<QGroupBox*>())
        QTest::newRow(qPrintable(frame->objectName())) << static_cast<QWidget*>(frame);
}

void TestWindowLayout::noOverlaps()
{
    QFETCH(QWidget*, container);
    QList<const QWidget*> controls;
    for (const QObject* object : container->children()) {
        const auto* w = qobject_cast<const QWidget*>(object);
        if (w && !w->objectName().isEmpty() && !w->objectName().startsWith(QLatin1String("qt_")))
            controls.append(w);
    }
    QVERIFY(!controls.isEmpty());
    const QRect inside = container->rect();
    for (qsizetype i = 0; i < controls.size(); ++i) {
        const QWidget* a = controls.at(i);
        QVERIFY2(inside.contains(a->geometry()), qPrintable(a->objectName()));
        for (qsizetype j = i + 1; j < controls.size(); ++j) {
            const QWidget* b = controls.at(j);
            QVERIFY2(!usedRect(a).intersects(usedRect(b)),
                qPrintable(a->objectName() + QLatin1String(" overlaps ") + b->objectName()));
        }
    }
}

void TestWindowLayout::boldDisplayFields()
{
    QStringList bold;
    for (const DisplayFieldEdit* field : m_ui.pageActual->findChildren<DisplayFieldEdit*>()) {
        if (field->isBold())
            bold.append(field->objectName());
    }
    bold.sort();
    QCOMPARE(bold, QStringList({ "C_1", "LL_0", "T_1", "V_0", "V_1" }));

    const auto grid = m_ui.pagePrevision->findChildren<DisplayFieldEdit*>();
    QCOMPARE(grid.size(), 50);
    for (const DisplayFieldEdit* field : grid)
        QVERIFY2(!field->isBold(), qPrintable(field->objectName()));
}

void TestWindowLayout::displayFieldsReadOnlyGrey()
{
    const auto fields = m_window->findChildren<DisplayFieldEdit*>();
    QCOMPARE(fields.size(), 12 + 50);
    for (const DisplayFieldEdit* field : fields) {
        QVERIFY(field->isReadOnly());
        QCOMPARE(field->cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(field->background(), FieldColour::Grey);
        QCOMPARE(field->palette().color(QPalette::Base), QColor(0xE0, 0xE0, 0xE0));
        QVERIFY(field->text().isEmpty());
        // The page's button is its only input control.
        QVERIFY(!(field->focusPolicy() & Qt::TabFocus));
    }
}

void TestWindowLayout::displayFieldColourIsPainted_data()
{
    QTest::addColumn<FieldColour>("colour");
    QTest::addColumn<QColor>("rgb");
    QTest::newRow("grey") << FieldColour::Grey << QColor(0xE0, 0xE0, 0xE0);
    QTest::newRow("green") << FieldColour::Green << QColor(0x80, 0xFF, 0x80);
    QTest::newRow("yellow") << FieldColour::Yellow << QColor(0xFF, 0xFF, 0x80);
    QTest::newRow("red") << FieldColour::Red << QColor(0xFF, 0x80, 0x80);
}

void TestWindowLayout::displayFieldColourIsPainted()
{
    QFETCH(FieldColour, colour);
    QFETCH(QColor, rgb);
    QWidget window;
    WindowLayout ui;
    ui.setupUi(&window);
    DisplayFieldEdit* field = ui.V[2];
    field->setText(QStringLiteral("NO"));
    field->setBackground(colour);
    QCOMPARE(field->background(), colour);
    // Left of the right-aligned text, inside the frame.
    const QPoint sample(8, field->height() / 2);
    QCOMPARE(field->grab().toImage().pixelColor(sample), rgb);
    // Also while the buttons are locked and the window is not the active one.
    field->setEnabled(false);
    QCOMPARE(field->grab().toImage().pixelColor(sample), rgb);
}

void TestWindowLayout::checkBoxesBoxOnTheRight()
{
    for (QCheckBox* check :
        { m_ui.Lluvia_1h, m_ui.GNS, m_ui.Cielo_Check[0], m_ui.Cielo_Check[1] }) {
        QStyleOptionButton option;
        option.initFrom(check);
        option.text = check->text();
        const QRect box
            = check->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, check);
        const QRect caption
            = check->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, check);
        QVERIFY2(box.left() >= caption.right(), qPrintable(check->objectName()));
        QVERIFY2(box.right() >= check->width() - 2, qPrintable(check->objectName()));
    }
    const auto rightEdge
        = [this](const QWidget* w) { return w->mapTo(m_window.get(), QPoint(w->width(), 0)).x(); };
    QCOMPARE(rightEdge(m_ui.Lluvia_1h), rightEdge(m_ui.HumedadAlta));
    QCOMPARE(rightEdge(m_ui.Lluvia_1h), rightEdge(m_ui.LimiteViento));
    QCOMPARE(rightEdge(m_ui.GNS), rightEdge(m_ui.Cielo_Check[0]));
    QCOMPARE(rightEdge(m_ui.GNS), rightEdge(m_ui.Cielo_Check[1]));
    QVERIFY(m_ui.Label47->x() >= m_ui.Cielo_Check[0]->geometry().right());
}

void TestWindowLayout::keyboardOrderOfConfig()
{
    // The table numbers the keyboard order from 1 without gaps, on the one page with inputs.
    QList<const LayoutControl*> ordered;
    for (const LayoutControl& control : LayoutTable::controls())
        if (control.tabOrder > 0)
            ordered.append(&control);
    std::sort(ordered.begin(), ordered.end(),
        [](const auto* a, const auto* b) { return a->tabOrder < b->tabOrder; });
    QStringList expected;
    for (qsizetype i = 0; i < ordered.size(); ++i) {
        QCOMPARE(ordered.at(i)->tabOrder, int(i + 1));
        QCOMPARE(ordered.at(i)->page, LayoutControl::Config);
        expected.append(ordered.at(i)->name);
    }
    // Buttons first, then the inputs from top to bottom (the two sky boxes excepted).
    QCOMPARE(expected.mid(0, 2), QStringList({ "Aceptar", "Cancelar" }));
    const auto controlOf = [this](QWidget* w) -> QString {
        // The station box's text line belongs to the box.
        if (w && qobject_cast<QComboBox*>(w->parentWidget()))
            w = w->parentWidget();
        return w && m_ui.pageConfig->isAncestorOf(w) ? w->objectName() : QString();
    };

    QStringList chain;
    QWidget* w = m_ui.Aceptar;
    do {
        const QString name = controlOf(w);
        if ((w->focusPolicy() & Qt::TabFocus) && !name.isEmpty() && !chain.contains(name))
            chain.append(name);
        w = w->nextInFocusChain();
    } while (w != m_ui.Aceptar);
    // No control that takes the Tab key is left out of the order.
    QCOMPARE(chain, expected);

    // What the Tab key really does on the shown page.
    m_ui.SSTab1->setCurrentWidget(m_ui.pageConfig);
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    m_ui.Aceptar->setFocus(Qt::TabFocusReason);
    QStringList visited { controlOf(QApplication::focusWidget()) };
    for (int i = 1; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.append(controlOf(QApplication::focusWidget()));
    }
    m_ui.SSTab1->setCurrentIndex(0);
    QCOMPARE(visited, expected);
}

void TestWindowLayout::windowFrameAndPictures()
{
    QCOMPARE(m_window->objectName(), QStringLiteral("frmNubora"));
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Nubora"));
    QCOMPARE(m_window->minimumSize(), QSize(335, 460));
    QCOMPARE(m_window->maximumSize(), QSize(335, 460));
    QCOMPARE(m_ui.SSTab1->geometry(), QRect(3, 5, 329, 452));
    QCOMPARE(m_ui.SSTab1->count(), 4);
    QCOMPARE(m_ui.SSTab1->currentIndex(), 0);

    const QList<QSize> sizes = m_window->windowIcon().availableSizes();
    QVERIFY(sizes.contains(QSize(16, 16)));
    QVERIFY(sizes.contains(QSize(32, 32)));
    for (QLabel* banner : { m_ui.Image1, m_ui.Image2, m_ui.Image3 }) {
        QCOMPARE(banner->pixmap().size(), QSize(770, 180));
        QVERIFY(banner->hasScaledContents());
    }
    QCOMPARE(m_ui.Image4->pixmap().size(), QSize(32, 32));

    QCOMPARE(m_ui.Line1_1->height(), 1);
    QCOMPARE(m_ui.Line1_1->grab().toImage().pixelColor(10, 0), QColor(0x80, 0x80, 0x80));

    const QFont title = m_ui.lblTitle->font();
    QVERIFY(title.bold() && title.italic());
    QCOMPARE(title.pointSizeF(), 13.5);
    QCOMPARE(m_ui.lblTitle->palette().color(QPalette::WindowText), QColor(Qt::black));
    QVERIFY(m_ui.Label39->font().underline());
    QVERIFY(m_ui.Label43->font().underline());
    QCOMPARE(m_ui.Label40->font().pointSizeF(), 8.25);
}

void TestWindowLayout::ordinalSign()
{
    const QString ordinal = QString(QChar(0x00BA)) + QLatin1Char('C');
    QCOMPARE(m_ui.Label4->text(), ordinal);
    QCOMPARE(m_ui.Label6->text(), ordinal);
    QVERIFY(m_ui.Label16->text().contains(ordinal));
    for (const QLabel* label : m_window->findChildren<QLabel*>())
        QVERIFY2(!label->text().contains(QChar(0x00B0)), qPrintable(label->objectName()));
}

void TestWindowLayout::stationBoxEnterAddsNothing()
{
    QWidget window;
    WindowLayout ui;
    ui.setupUi(&window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QComboBox* box = ui.Estacion_ID;
    QVERIFY(box->isEditable());
    QCOMPARE(box->count(), 0);
    box->addItems({ QStringLiteral("IZETA9"), QStringLiteral("IALFA1") });
    box->clearEditText();
    QTest::keyClicks(box->lineEdit(), QStringLiteral("IBETA2"));
    QTest::keyClick(box->lineEdit(), Qt::Key_Return);
    QCOMPARE(box->count(), 2);
    // Entries stay in the order they were added.
    QCOMPARE(box->itemText(0), QStringLiteral("IZETA9"));
    QCOMPARE(box->currentText(), QStringLiteral("IBETA2"));
}

void TestWindowLayout::textsNotClipped_data()
{
    QTest::addColumn<QWidget*>("control");
    for (QWidget* w : m_window->findChildren<QWidget*>()) {
        const QWidget* parent = w->parentWidget();
        if (m_ui.SSTab1->indexOf(const_cast<QWidget*>(parent)) < 0
            && !qobject_cast<const QGroupBox*>(parent))
            continue;
        const auto* label = qobject_cast<QLabel*>(w);
        if ((label && label->pixmap().isNull()) || qobject_cast<QAbstractButton*>(w)
            || qobject_cast<QGroupBox*>(w))
            QTest::newRow(qPrintable(w->objectName())) << w;
    }
}

void TestWindowLayout::textsNotClipped()
{
    QFETCH(QWidget*, control);
    const QFontMetrics metrics = control->fontMetrics();
    const QString text = textOf(control);
    QVERIFY(!text.isEmpty());
    QStyle* style = control->style();

    if (const auto* label = qobject_cast<QLabel*>(control)) {
        const QRect room = label->contentsRect();
        if (label->wordWrap()) {
            // Lines break at blanks, never inside a word.
            for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts))
                QVERIFY2(metrics.horizontalAdvance(word) <= room.width(), qPrintable(word));
            const QRect wrapped = metrics.boundingRect(
                QRect(0, 0, room.width(), 10000), int(label->alignment()) | Qt::TextWordWrap, text);
            QVERIFY2(
                wrapped.height() <= room.height(), qPrintable(QString::number(wrapped.height())));
        } else {
            QVERIFY2(metrics.horizontalAdvance(text) <= room.width(),
                qPrintable(QStringLiteral("%1 > %2")
                               .arg(metrics.horizontalAdvance(text))
                               .arg(room.width())));
            QVERIFY(label->sizeHint().width() <= label->width());
            QVERIFY(metrics.height() <= room.height());
        }
    } else if (auto* check = qobject_cast<QCheckBox*>(control)) {
        QStyleOptionButton option;
        option.initFrom(check);
        option.text = text;
        const QRect caption = style->subElementRect(QStyle::SE_CheckBoxContents, &option, check);
        QVERIFY2(metrics.horizontalAdvance(text) <= caption.width(),
            qPrintable(QStringLiteral("%1 > %2")
                           .arg(metrics.horizontalAdvance(text))
                           .arg(caption.width())));
        QVERIFY(check->sizeHint().width() <= check->width());
        QVERIFY(check->sizeHint().height() <= check->height());
    } else if (qobject_cast<QPushButton*>(control)) {
        // The padding the style itself gives a button's caption.
        const int padding = style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, control)
            + 2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, control);
        QVERIFY(metrics.horizontalAdvance(text) + padding <= control->width());
        QStyleOptionButton option;
        option.initFrom(control);
        option.text = text;
        QVERIFY(metrics.height()
            <= style->subElementRect(QStyle::SE_PushButtonContents, &option, control).height());
    } else if (qobject_cast<QGroupBox*>(control)) {
        QVERIFY(control->minimumSizeHint().width() <= control->width());
    }
}

void TestWindowLayout::tabCaptionsNotClipped()
{
    const QTabBar* bar = m_ui.SSTab1->tabBar();
    const QFontMetrics metrics = bar->fontMetrics();
    const int padding = bar->style()->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, bar);
    QCOMPARE(m_ui.SSTab1->tabText(0), QStringLiteral("Actual"));
    QCOMPARE(m_ui.SSTab1->tabText(1), QStringLiteral("Previsión"));
    QCOMPARE(m_ui.SSTab1->tabText(2), QStringLiteral("Config."));
    QCOMPARE(m_ui.SSTab1->tabText(3), QStringLiteral("Acerca de.."));
    for (int i = 0; i < bar->count(); ++i) {
        QVERIFY(metrics.horizontalAdvance(bar->tabText(i)) + padding <= bar->tabRect(i).width());
        QVERIFY(bar->tabRect(i).right() < bar->width());
    }
    // All four in one row: no scrolling arrows.
    for (const QWidget* arrow : bar->findChildren<QWidget*>())
        QVERIFY(!arrow->isVisible());
}

void TestWindowLayout::widestValuesFit_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");
    // Widest texts a station sends for each box, bold as the checks may mark them, with
    // either decimal separator.
    const QList<std::pair<const char*, QStringList>> widest {
        { "T_0", { "-12,5", "-12.5", "-25,3" } },
        { "T_1", { "100" } },
        { "T_2", { "-15,3", "-15.3" } },
        { "V_0", { "88,5", "99.8" } },
        { "V_1", { "99,8", "88.5" } },
        { "V_2", { "Variable", "Oeste", "Norte", "NNO", "ESE" } },
        { "P_0", { "1013,2", "1013.2", "999,9", "999.9" } },
        { "P_1", { "+", "-", "0" } },
        { "LL_0", { "12,7", "99.9" } },
        { "LL_1", { "25,4", "99.9" } },
        { "C_0", { "16,1", "16.1", "N/A" } },
        { "Hr_Fct_9", { "23:00" } },
        { "T_Fct_9", { "-12", "-40" } },
        { "H_Fct_9", { "100" } },
        { "V_Fct_9", { "100" } },
    };
    for (const auto& [field, values] : widest)
        for (const QString& value : values)
            QTest::addRow("%s %s", field, qPrintable(value)) << QString::fromLatin1(field) << value;
    // Every sky phrase of the sources, and those a second source adds.
    const QStringList skies { "Despejado", "Parcialmente nublado", "Nubes dispersas",
        "Mayormente nublado", "Nublado", "Parcialmente soleado", "Lluvia", "Lluvia ligera",
        "Chubascos de nieve", "Llovizna helada" };
    for (const char* field : { "C_1", "C_Fct_9" })
        for (const QString& sky : skies)
            QTest::addRow("%s %s", field, qPrintable(sky)) << QString::fromLatin1(field) << sky;
}

void TestWindowLayout::widestValuesFit()
{
    QFETCH(QString, field);
    QFETCH(QString, value);
    auto* edit = m_window->findChild<DisplayFieldEdit*>(field);
    QVERIFY(edit);
    const bool designedBold = edit->isBold();
    // The forecast marks humidity, wind and sky cells bold when they fail their check; the
    // other boxes keep their designed weight.
    const bool markable = field.contains(QLatin1String("_Fct"))
        && !field.startsWith(QLatin1String("Hr_")) && !field.startsWith(QLatin1String("T_"));
    for (const bool bold : { designedBold, markable }) {
        edit->setBold(bold);
        edit->setText(value);
        const QFont font = edit->font();
        const int advance = edit->fontMetrics().horizontalAdvance(value);
        const int room = edit->textRoomWidth();
        edit->setText(QString());
        edit->setBold(designedBold);
        QVERIFY2(advance <= room,
            qPrintable(QStringLiteral("bold %1: %2 > %3").arg(bold).arg(advance).arg(room)));
        QCOMPARE(font.bold(), bold);
        QVERIFY(font.stretch() >= DisplayFieldEdit::NarrowestStretch);
    }
    // An empty box is back in the window's own face.
    QCOMPARE(edit->font().stretch(), m_window->font().stretch());
}

QTEST_MAIN(TestWindowLayout)
#include "tst_windowlayout.moc"
