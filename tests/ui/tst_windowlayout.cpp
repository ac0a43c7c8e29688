#include "DisplayFieldEdit.h"
#include "FieldPalette.h"
#include "LayoutTable.h"
#include "Twips.h"
#include "WidgetText.h"
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
#include <QTabWidget>
#include <QTest>
#include <memory>

namespace
{

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
    case LayoutControl::Choice:
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

} // namespace

class TestWindowLayout : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void everyControlOnce();
    void builtAsTheTableSays_data();
    void builtAsTheTableSays();
    void displayFieldsReadOnlyGrey();
    void displayFieldColourIsPainted_data();
    void displayFieldColourIsPainted();
    void checkBoxesBoxOnTheRight();
    void keyboardOrderOfConfig();
    void windowFrameAndPictures();
    void ordinalSign();
    void stationBoxEnterAddsNothing();

private:
    QWidget* widget(const QString& name) const { return m_window->findChild<QWidget*>(name); }
    QString pageOf(const QWidget* widget) const;

    std::unique_ptr<QWidget> m_window;
    WindowLayout m_ui;
};

void TestWindowLayout::initTestCase()
{
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
    if (const auto* box = qobject_cast<const QComboBox*>(w);
        control.kind == LayoutControl::Choice) {
        QStringList entries;
        for (int i = 0; i < box->count(); ++i)
            entries.append(box->itemText(i));
        QCOMPARE(entries.join(QLatin1Char('|')), control.caption);
        // The widest entry fits.
        QVERIFY(box->sizeHint().width() <= box->width());
    } else if (control.kind != LayoutControl::Field && control.kind != LayoutControl::Combo) {
        QCOMPARE(textOf(w), control.caption);
    }
    const QFont font = w->font();
    QCOMPARE(
        font.bold(), control.font == LayoutControl::Bold || control.font == LayoutControl::Title);
    QCOMPARE(font.underline(), control.font == LayoutControl::Underlined);
    QCOMPARE(font.italic(), control.font == LayoutControl::Title);
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

QTEST_MAIN(TestWindowLayout)
#include "tst_windowlayout.moc"
