#include "DisplayFieldEdit.h"
#include "FieldPalette.h"
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
#include <QTimer>
#include <memory>

namespace
{

// Twips to pixels, rounding each edge, as the layout promises.
int px(int twips)
{
    return qRound(twips / 15.0);
}
QRect pxRect(int left, int top, int width, int height)
{
    return QRect(QPoint(px(left), px(top)), QPoint(px(left + width) - 1, px(top + height) - 1));
}

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

Qt::Alignment horizontalAlignment(const QWidget* widget)
{
    if (const auto* w = qobject_cast<const QLabel*>(widget))
        return w->alignment() & Qt::AlignHorizontal_Mask;
    if (const auto* w = qobject_cast<const QLineEdit*>(widget))
        return w->alignment() & Qt::AlignHorizontal_Mask;
    return {};
}

// The edge a caption keeps when it has to grow to show its whole text.
enum class Anchor { Exact, Left, Right, Centre };

Anchor anchorOf(const QWidget* widget)
{
    if (const auto* label = qobject_cast<const QLabel*>(widget);
        label && label->pixmap().isNull()) {
        const Qt::Alignment h = label->alignment() & Qt::AlignHorizontal_Mask;
        return h & Qt::AlignRight  ? Anchor::Right
            : h & Qt::AlignHCenter ? Anchor::Centre
                                   : Anchor::Left;
    }
    if (qobject_cast<const QCheckBox*>(widget))
        return Anchor::Right;
    return Anchor::Exact;
}

} // namespace

class TestWindowLayout : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void controls_data();
    void controls();
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

void TestWindowLayout::controls_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("container"); // "" for the page itself
    QTest::addColumn<QRect>("place"); // designed place, in twips
    QTest::addColumn<int>("alignment"); // 0: not checked

    const QString actual = QStringLiteral("Actual");
    const QString prevision = QStringLiteral("Previsión");
    const QString config = QStringLiteral("Config.");
    const QString acerca = QStringLiteral("Acerca de..");
    const int left = Qt::AlignLeft, right = Qt::AlignRight, centre = Qt::AlignHCenter;
    const auto row = [](const QString& name, const char* kind, const QString& text,
                         const QString& page, const char* container, QRect place,
                         int alignment = 0) {
        QTest::newRow(qPrintable(name)) << QString::fromLatin1(kind) << text << page
                                        << QString::fromLatin1(container) << place << alignment;
    };
    const auto frameRow
        = [&](const char* frame, int i, const char* caption, const QString& captionText,
              const QString& field, int alignment, const char* unit = nullptr,
              const QString& unitText = {}, int fieldWidth = 495) {
              row(QString::fromLatin1(caption), "QLabel", captionText, actual, frame,
                  QRect(120, 290 + 360 * i, 615, 255), left);
              row(field, "DisplayFieldEdit", QString(), actual, frame,
                  QRect(840, 240 + 360 * i, fieldWidth, 285), alignment);
              if (unit)
                  row(QString::fromLatin1(unit), "QLabel", unitText, actual, frame,
                      QRect(1440, 290 + 360 * i, 415, 255), left);
          };
    const QString degrees = QStringLiteral("ºC");

    row("Refrescar", "QPushButton", "Refrescar", actual, "", QRect(3600, 660, 975, 375));
    row("Estacion", "QLabel", "Estación:", actual, "", QRect(360, 660, 2895, 255), left);
    row("Fecha_Hora", "QLabel", "Fecha/Hora", actual, "", QRect(360, 900, 2895, 255), left);
    row("Temperatura", "QGroupBox", "Temperatura", actual, "", QRect(360, 1380, 1935, 1455));
    row("Viento", "QGroupBox", "Viento", actual, "", QRect(2640, 1380, 1935, 1455));
    row("Presion", "QGroupBox", "Presión", actual, "", QRect(360, 2940, 1935, 1095));
    row("Precipitacion", "QGroupBox", "Precipitación", actual, "", QRect(2640, 2940, 1935, 1095));
    row("Visibilidad", "QGroupBox", "Visibilidad", actual, "", QRect(360, 4140, 4215, 1095));
    row("Image1", "QLabel", "", actual, "", QRect(360, 5460, 4215, 957));
    frameRow("Temperatura", 0, "Label1", "Temp.:", "T_0", right, "Label4", degrees);
    frameRow("Temperatura", 1, "Label2", "Hum.:", "T_1", right, "Label5", "%");
    frameRow("Temperatura", 2, "Label3", "Rocío:", "T_2", right, "Label6", degrees);
    frameRow("Viento", 0, "Label12", "Veloc.:", "V_0", right, "Label9", "Km/h");
    frameRow("Viento", 1, "Label11", "Racha:", "V_1", right, "Label8", "Km/h");
    // No unit in this row: the field takes the unit column for directions in words.
    frameRow("Viento", 2, "Label10", "Direcc.:", "V_2", right, nullptr, {}, 1440 + 415 - 840);
    frameRow("Presion", 0, "Label18", "Presión:", "P_0", right, "Label15", "mbar");
    frameRow("Presion", 1, "Label17", "Tend.:", "P_1", centre);
    frameRow("Precipitacion", 0, "Label24", "1 hora:", "LL_0", right, "Label21", "mm.");
    frameRow("Precipitacion", 1, "Label23", "Hoy:", "LL_1", right, "Label20", "mm.");
    frameRow("Visibilidad", 0, "Label30", "Visib.:", "C_0", right, "Label27", "Km");
    frameRow("Visibilidad", 1, "Label29", "Cielo:", "C_1", left, nullptr, {}, 2895);

    row("Refrescar_Fct", "QPushButton", "Refrescar", prevision, "", QRect(3600, 660, 975, 375));
    row("Estacion_Fct", "QLabel", "Estación:", prevision, "", QRect(240, 660, 3015, 255), left);
    row("Fecha_Fct", "QLabel", "Fecha", prevision, "", QRect(240, 900, 3015, 255), left);
    row("Label19", "QLabel", "Hora", prevision, "", QRect(240, 1425, 615, 255), centre);
    row("Label16", "QLabel", "Temp. (ºC)", prevision, "", QRect(960, 1245, 510, 375), centre);
    row("Label14", "QLabel", "Hum. (%)", prevision, "", QRect(1560, 1245, 495, 375), centre);
    row("Label13", "QLabel", "Vto. (Km/h)", prevision, "", QRect(2115, 1245, 555, 375), centre);
    row("Label7", "QLabel", "Cielo", prevision, "", QRect(2760, 1425, 1935, 255), centre);
    for (int i = 0; i < 10; ++i) {
        const int top = 1740 + 360 * i;
        const QString n = QString::number(i);
        row("Hr_Fct_" + n, "DisplayFieldEdit", "", prevision, "", QRect(240, top, 615, 285),
            centre);
        row("T_Fct_" + n, "DisplayFieldEdit", "", prevision, "", QRect(960, top, 495, 285), right);
        row("H_Fct_" + n, "DisplayFieldEdit", "", prevision, "", QRect(1560, top, 495, 285), right);
        row("V_Fct_" + n, "DisplayFieldEdit", "", prevision, "", QRect(2160, top, 495, 285), right);
        row("C_Fct_" + n, "DisplayFieldEdit", "", prevision, "", QRect(2760, top, 1935, 285),
            centre);
    }
    row("Image2", "QLabel", "", prevision, "", QRect(360, 5460, 4215, 957));

    row("Label36", "QLabel", "API key:", config, "", QRect(840, 450, 705, 255), left);
    row("API_key", "QLineEdit", "", config, "", QRect(1560, 420, 2535, 285), left);
    row("Label35", "QLabel", "Estación:", config, "", QRect(720, 810, 705, 255), left);
    row("Estacion_ID", "QComboBox", "", config, "", QRect(1560, 765, 1695, 315));
    row("Buscar", "QPushButton", "Buscar", config, "", QRect(3360, 765, 735, 300));
    row("Label34", "QLabel", "Refrescar cada:", config, "", QRect(840, 1170, 1215, 255), left);
    row("T_Refresco", "QLineEdit", "3", config, "", QRect(2160, 1140, 440, 285), right);
    row("Label33", "QLabel", "min.", config, "", QRect(2640, 1170, 375, 255), left);
    row("Frame1", "QGroupBox", "Condición Segura", config, "", QRect(840, 1420, 3255, 1575));
    row("Label28", "QLabel", "Humedad <", config, "Frame1", QRect(840, 270, 1215, 255), right);
    row("HumedadAlta", "QLineEdit", "80", config, "Frame1", QRect(2160, 240, 440, 285), right);
    row("Label31", "QLabel", "%", config, "Frame1", QRect(2640, 270, 375, 255), left);
    row("Label25", "QLabel", "Vel. Viento <", config, "Frame1", QRect(840, 630, 1215, 255), right);
    row("LimiteViento", "QLineEdit", "15", config, "Frame1", QRect(2160, 600, 440, 285), right);
    row("Label26", "QLabel", "Km/h", config, "Frame1", QRect(2640, 630, 495, 255), left);
    row("Lluvia_1h", "QCheckBox", "Sin lluvia ult. hora", config, "Frame1",
        QRect(1035, 960, 1560, 255));
    row("Label22", "QLabel", "Cielo:  \"Despejado\"", config, "Frame1",
        QRect(1185, 1270, 1455, 255), left);
    row("Label32", "QLabel", "Guardar archivo Nubora.dat en:", config, "",
        QRect(840, 3010, 2385, 255), left);
    row("Path_Dat", "QLineEdit", "", config, "", QRect(840, 3250, 2415, 285), left);
    row("Command1", "QPushButton", "Path", config, "", QRect(3360, 3250, 735, 300));
    row("Frame2", "QGroupBox", "Good Night System", config, "", QRect(840, 3600, 3255, 1335));
    row("GNS", "QCheckBox", "Alerta en condición no segura", config, "Frame2",
        QRect(120, 240, 2775, 255));
    row("Label46", "QLabel", "y con Cielo...", config, "Frame2", QRect(165, 480, 1935, 255), left);
    row("Cielo_Check_0", "QCheckBox", "\"Parcialmente nublado\"", config, "Frame2",
        QRect(840, 690, 2055, 255));
    row("Label47", "QLabel", "o", config, "Frame2", QRect(3000, 690, 135, 255), left);
    row("Cielo_Check_1", "QCheckBox", "\"Nubes dispersas\"", config, "Frame2",
        QRect(840, 930, 2055, 255));
    row("Aceptar", "QPushButton", "Aceptar", config, "", QRect(1200, 5050, 975, 375));
    row("Cancelar", "QPushButton", "Cancelar", config, "", QRect(2760, 5050, 975, 375));
    row("Image3", "QLabel", "", config, "", QRect(360, 5460, 4215, 957));

    row("Image4", "QLabel", "", acerca, "", QRect(360, 800, 480, 480));
    row("lblTitle", "QLabel", "Nubora", acerca, "", QRect(1080, 840, 3600, 480), left);
    row("lblVersion", "QLabel", "Versión", acerca, "", QRect(1200, 1440, 3045, 225), left);
    row("Line1_1", "QFrame", "", acerca, "", QRect(240, 3600, 4380, 15));
    row("Label39", "QLabel", "Para obtener un API key:", acerca, "", QRect(360, 3720, 3375, 255),
        left);
    row("Label40", "QLabel", "https://www.wunderground.com/weather/api/", acerca, "",
        QRect(360, 3960, 4215, 255), left);
    row("Label43", "QLabel", "Good Night System:", acerca, "", QRect(360, 4920, 3375, 255), left);
    row("Label44", "QLabel", "https://www.lunaticoastro.com/", acerca, "",
        QRect(360, 5160, 4215, 255), left);
}

void TestWindowLayout::controls()
{
    QFETCH(QString, kind);
    QFETCH(QString, text);
    QFETCH(QString, page);
    QFETCH(QString, container);
    QFETCH(QRect, place);
    QFETCH(int, alignment);

    const QString name = QString::fromLatin1(QTest::currentDataTag());
    QWidget* w = widget(name);
    QVERIFY2(w, qPrintable(name));
    QCOMPARE(QString::fromLatin1(w->metaObject()->className()), kind);
    QCOMPARE(textOf(w), text);
    QCOMPARE(pageOf(w), page);
    if (alignment)
        QCOMPARE(int(horizontalAlignment(w)), alignment);

    // Page positions count from the tab widget's corner, tab row included.
    QRect actual;
    if (container.isEmpty()) {
        QCOMPARE(w->parentWidget(), m_ui.SSTab1->widget(m_ui.SSTab1->indexOf(w->parentWidget())));
        actual = QRect(w->mapTo(m_ui.SSTab1, QPoint(0, 0)), w->size());
    } else {
        QCOMPARE(w->parentWidget()->objectName(), container);
        actual = w->geometry();
    }
    const QRect expected = pxRect(place.x(), place.y(), place.width(), place.height());
    switch (anchorOf(w)) {
    case Anchor::Exact:
        QCOMPARE(actual, expected);
        return;
    case Anchor::Left:
        QCOMPARE(actual.left(), expected.left());
        break;
    case Anchor::Right:
        QCOMPARE(actual.right(), expected.right());
        break;
    case Anchor::Centre:
        QVERIFY2(qAbs(actual.center().x() - expected.center().x()) <= 1, qPrintable(name));
        break;
    }
    // A caption may only grow, into free space, to show its whole text.
    QCOMPARE(actual.top(), expected.top());
    QVERIFY(actual.width() >= expected.width());
    QVERIFY(actual.height() >= expected.height());
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
    const QStringList expected { "Aceptar", "Cancelar", "API_key", "Estacion_ID", "Buscar",
        "T_Refresco", "HumedadAlta", "LimiteViento", "Lluvia_1h", "Path_Dat", "Command1", "GNS",
        "Cielo_Check_1", "Cielo_Check_0" };
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
    QCOMPARE(m_ui.SSTab1->geometry(), pxRect(45, 75, 4935, 6775));
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
    QTest::addColumn<bool>("bold");
    // Widest texts a station sends for each box; the bold ones where the checks mark them.
    QTest::newRow("temperature") << "T_0"
                                 << "-12,5" << false;
    QTest::newRow("humidity") << "T_1"
                              << "100" << true;
    QTest::newRow("dew point") << "T_2"
                               << "-15.3" << false;
    QTest::newRow("wind") << "V_0"
                          << "88,5" << true;
    QTest::newRow("gust") << "V_1"
                          << "99.8" << true;
    QTest::newRow("direction variable") << "V_2"
                                        << "Variable" << false;
    QTest::newRow("direction west") << "V_2"
                                    << "Oeste" << false;
    QTest::newRow("pressure") << "P_0"
                              << "1013" << false;
    QTest::newRow("pressure trend") << "P_1"
                                    << "+" << false;
    QTest::newRow("rain hour") << "LL_0"
                               << "12,7" << true;
    QTest::newRow("rain today") << "LL_1"
                                << "25.4" << false;
    QTest::newRow("visibility") << "C_0"
                                << "16,1" << false;
    QTest::newRow("sky") << "C_1"
                         << "Parcialmente nublado" << true;
    QTest::newRow("forecast hour") << "Hr_Fct_9"
                                   << "23:00" << false;
    QTest::newRow("forecast temperature") << "T_Fct_9"
                                          << "-12" << false;
    QTest::newRow("forecast humidity") << "H_Fct_9"
                                       << "100" << true;
    QTest::newRow("forecast wind") << "V_Fct_9"
                                   << "100" << true;
    QTest::newRow("forecast sky partly") << "C_Fct_9"
                                         << "Parcialmente nublado" << true;
    QTest::newRow("forecast sky mostly") << "C_Fct_9"
                                         << "Mayormente nublado" << true;
}

void TestWindowLayout::widestValuesFit()
{
    QFETCH(QString, field);
    QFETCH(QString, value);
    QFETCH(bool, bold);
    auto* edit = m_window->findChild<DisplayFieldEdit*>(field);
    QVERIFY(edit);
    const bool wasBold = edit->isBold();
    edit->setBold(bold);
    const int advance = edit->fontMetrics().horizontalAdvance(value);
    const int room = edit->textRoomWidth();
    edit->setBold(wasBold);
    QVERIFY2(advance <= room, qPrintable(QStringLiteral("%1 > %2").arg(advance).arg(room)));
}

QTEST_MAIN(TestWindowLayout)
#include "tst_windowlayout.moc"
