#include "DisplayFieldEdit.h"
#include "PwsTexts.h"
#include "WidgetText.h"
#include "WindowLayout.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <algorithm>
#include <memory>

// What the fonts of the platform make of the layout: every text whole, no text or box over
// another, the widest values of every field in view. Run offscreen and under X11.

namespace
{

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

class TestTextFit : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void noOverlaps_data();
    void noOverlaps();
    void textsNotClipped_data();
    void textsNotClipped();
    void tabCaptionsNotClipped();
    void widestValuesFit_data();
    void widestValuesFit();

private:
    std::unique_ptr<QWidget> m_window;
    WindowLayout m_ui;
};

void TestTextFit::initTestCase()
{
    qInfo("platform %s", qPrintable(QGuiApplication::platformName()));
    m_window = std::make_unique<QWidget>();
    m_ui.setupUi(m_window.get());
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TestTextFit::noOverlaps_data()
{
    QTest::addColumn<QWidget*>("container");
    for (QWidget* page : { m_ui.pageActual, m_ui.pagePrevision, m_ui.pageConfig, m_ui.pageAcerca })
        QTest::newRow(qPrintable(page->objectName())) << page;
    for (QGroupBox* frame : m_window->findChildren<QGroupBox*>())
        QTest::newRow(qPrintable(frame->objectName())) << static_cast<QWidget*>(frame);
}

void TestTextFit::noOverlaps()
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

void TestTextFit::textsNotClipped_data()
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

void TestTextFit::textsNotClipped()
{
    QFETCH(QWidget*, control);
    const QFontMetrics metrics = control->fontMetrics();
    const QString text = textOf(control);
    QVERIFY(!text.isEmpty());
    QStyle* style = control->style();
    const auto overBy = [&](const QRect& room) {
        return QStringLiteral("%1 > %2").arg(metrics.horizontalAdvance(text)).arg(room.width());
    };

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
            QVERIFY2(metrics.horizontalAdvance(text) <= room.width(), qPrintable(overBy(room)));
            QVERIFY(label->sizeHint().width() <= label->width());
            QVERIFY(metrics.height() <= room.height());
        }
    } else if (auto* check = qobject_cast<QCheckBox*>(control)) {
        QStyleOptionButton option;
        option.initFrom(check);
        option.text = text;
        const QRect caption = style->subElementRect(QStyle::SE_CheckBoxContents, &option, check);
        QVERIFY2(metrics.horizontalAdvance(text) <= caption.width(), qPrintable(overBy(caption)));
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

void TestTextFit::tabCaptionsNotClipped()
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

void TestTextFit::widestValuesFit_data()
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
    // Every sky phrase of the sources: the XML service's, and each one the second source writes.
    QStringList skies { "Despejado", "Parcialmente nublado", "Nubes dispersas",
        "Mayormente nublado", "Nublado", "Parcialmente soleado", "Lluvia", "Lluvia ligera" };
    for (int code = 0; code < 100; ++code)
        if (!skies.contains(PwsTexts::weatherText(code)))
            skies << PwsTexts::weatherText(code);
    for (const char* field : { "C_1", "C_Fct_9" })
        for (const QString& sky : skies)
            QTest::addRow("%s %s", field, qPrintable(sky)) << QString::fromLatin1(field) << sky;
}

void TestTextFit::widestValuesFit()
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

QTEST_MAIN(TestTextFit)
#include "tst_textfit.moc"
