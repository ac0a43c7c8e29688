#include "WindowLayout.h"

#include "DisplayFieldEdit.h"
#include "TabbedDialog.h"
#include "Twips.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFrame>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QStyle>
#include <algorithm>

// The pictures live in a static library, so their registration must be pulled in by hand;
// Q_INIT_RESOURCE has to be used outside any namespace.
static void initUiResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(resources);
        return true;
    }();
    Q_UNUSED(done);
}

namespace
{

constexpr int FieldHeight = 285;
constexpr int FieldWidth = 495;
constexpr int RowPitch = 360;
constexpr int FirstRowTop = 240;
// Labels sit a little lower than the field of their row, so the texts share a baseline.
constexpr int LabelDrop = 50;
constexpr int LabelHeight = 255;

constexpr int ForecastFirstRowTop = 1740;

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, const QRect& geometry,
    Qt::Alignment horizontal = Qt::AlignLeft)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(horizontal | Qt::AlignTop);
    label->setGeometry(geometry);
    return label;
}

QLabel* makeHeading(QWidget* parent, const char* name, const QString& text, const QRect& geometry)
{
    QLabel* label = makeLabel(parent, name, text, geometry, Qt::AlignHCenter);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    label->setWordWrap(true);
    return label;
}

QLabel* makePicture(
    QWidget* parent, const char* name, const QPixmap& picture, const QRect& geometry)
{
    auto* image = new QLabel(parent);
    image->setObjectName(QLatin1String(name));
    image->setPixmap(picture);
    image->setScaledContents(true);
    image->setGeometry(geometry);
    return image;
}

DisplayFieldEdit* makeField(QWidget* parent, const QString& name, const QRect& geometry,
    Qt::Alignment alignment, bool bold = false)
{
    auto* field = new DisplayFieldEdit(parent);
    field->setObjectName(name);
    field->setAlignment(alignment | Qt::AlignVCenter);
    field->setBold(bold);
    field->setGeometry(geometry);
    return field;
}

QLineEdit* makeEdit(QWidget* parent, const char* name, const QString& text, const QRect& geometry,
    Qt::Alignment alignment = Qt::AlignLeft)
{
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(QLatin1String(name));
    edit->setAlignment(alignment | Qt::AlignVCenter);
    edit->setGeometry(geometry);
    return edit;
}

QPushButton* makeButton(
    QWidget* parent, const char* name, const QString& text, const QRect& geometry)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    button->setGeometry(geometry);
    return button;
}

// The box stands right of the caption.
QCheckBox* makeCheck(
    QWidget* parent, const QString& name, const QString& text, const QRect& geometry)
{
    auto* check = new QCheckBox(text, parent);
    check->setObjectName(name);
    check->setLayoutDirection(Qt::RightToLeft);
    check->setGeometry(geometry);
    return check;
}

QGroupBox* makeFrame(QWidget* parent, const char* name, const QString& title, const QRect& geometry)
{
    auto* frame = new QGroupBox(title, parent);
    frame->setObjectName(QLatin1String(name));
    frame->setGeometry(geometry);
    return frame;
}

QRect rowCaption(int row)
{
    return Twips::toRect(120, FirstRowTop + LabelDrop + row * RowPitch, 615, LabelHeight);
}
QRect rowField(int row, int width = FieldWidth)
{
    return Twips::toRect(840, FirstRowTop + row * RowPitch, width, FieldHeight);
}
QRect rowUnit(int row)
{
    return Twips::toRect(1440, FirstRowTop + LabelDrop + row * RowPitch, 415, LabelHeight);
}

QString arrayName(const char* name, int i)
{
    return QLatin1String(name) + QLatin1Char('_') + QString::number(i);
}

// Texts must not be cut off whatever the platform's font. A caption wider than its designed
// place takes free space: rightwards when it reads from the left, leftwards when it ends
// at the right (right-aligned labels, check boxes with the box on the right), to both sides
// when centred; a wrapped heading also grows downwards. It never grows into a neighbour or
// out of its page or frame.
enum class Growth { Right, Left, Centre };

Growth growthOf(const QWidget* widget)
{
    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
        const Qt::Alignment horizontal = label->alignment() & Qt::AlignHorizontal_Mask;
        if (horizontal & Qt::AlignRight)
            return Growth::Left;
        if (horizontal & Qt::AlignHCenter)
            return Growth::Centre;
        return Growth::Right;
    }
    return widget->layoutDirection() == Qt::RightToLeft ? Growth::Left : Growth::Right;
}

QSize textNeed(const QWidget* widget)
{
    if (const auto* label = qobject_cast<const QLabel*>(widget); label && label->wordWrap()) {
        // Lines may break at blanks only: Qt would also break "(Km/h)" after the slash.
        const QFontMetrics metrics = label->fontMetrics();
        int widestWord = 0;
        for (const QString& word : label->text().split(QLatin1Char(' '), Qt::SkipEmptyParts))
            widestWord = std::max(widestWord, metrics.horizontalAdvance(word));
        const QRect room = label->contentsRect();
        const QRect text = metrics.boundingRect(QRect(0, 0, room.width(), QWIDGETSIZE_MAX),
            int(label->alignment()) | Qt::TextWordWrap, label->text());
        return QSize(std::max(widestWord, text.width()), text.height())
            + (label->size() - room.size());
    }
    return widget->sizeHint();
}

bool isFree(const QWidget* widget, const QRect& candidate, const QRect& bounds)
{
    if (!bounds.contains(candidate))
        return false;
    const QRect current = widget->geometry();
    for (QObject* object : widget->parentWidget()->children()) {
        const auto* sibling = qobject_cast<const QWidget*>(object);
        if (!sibling || sibling == widget)
            continue;
        const QRect other = sibling->geometry();
        // A neighbour that already overlaps by design is not a limit.
        if (!other.intersects(current) && other.intersects(candidate))
            return false;
    }
    return true;
}

void fitText(QWidget* widget, const QRect& bounds)
{
    const Growth growth = growthOf(widget);
    while (textNeed(widget).width() > widget->width()) {
        QRect wider = widget->geometry();
        if (growth != Growth::Left)
            wider.setRight(wider.right() + 1);
        if (growth != Growth::Right)
            wider.setLeft(wider.left() - 1);
        if (!isFree(widget, wider, bounds))
            break;
        widget->setGeometry(wider);
    }
    while (textNeed(widget).height() > widget->height()) {
        QRect taller = widget->geometry();
        taller.setBottom(taller.bottom() + 1);
        if (!isFree(widget, taller, bounds))
            break;
        widget->setGeometry(taller);
    }
}

void fitTexts(QWidget* container, const QRect& bounds)
{
    for (QObject* object : container->children()) {
        auto* widget = qobject_cast<QWidget*>(object);
        if (!widget)
            continue;
        if (auto* frame = qobject_cast<QGroupBox*>(widget)) {
            const int inset
                = frame->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, frame) + 1;
            fitTexts(frame, frame->rect().marginsRemoved(QMargins(inset, inset, inset, inset)));
            continue;
        }
        const auto* label = qobject_cast<QLabel*>(widget);
        if ((label && label->pixmap().isNull()) || qobject_cast<QCheckBox*>(widget))
            fitText(widget, bounds);
    }
}

} // namespace

QIcon WindowLayout::programIcon()
{
    initUiResources();
    QIcon icon;
    icon.addFile(QStringLiteral(":/images/nubora-16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/images/nubora-32.png"), QSize(32, 32));
    return icon;
}

QPixmap WindowLayout::bannerPicture()
{
    initUiResources();
    return QPixmap(QStringLiteral(":/images/banner.png"));
}

QFont WindowLayout::windowFont()
{
    // The layout was drawn for a narrow bitmap face; the usual sans-serif faces are wider,
    // and the narrower face keeps the widest values inside their boxes. Without a condensed
    // face installed Qt narrows the regular one.
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSizeF(8.25);
    font.setStretch(QFont::SemiCondensed);
    font.setBold(false);
    font.setItalic(false);
    return font;
}

QRect WindowLayout::onPage(int left, int top, int width, int height) const
{
    return Twips::toRect(left, top, width, height).translated(-m_pageOrigin);
}

void WindowLayout::setupUi(QWidget* window)
{
    if (window->objectName().isEmpty())
        window->setObjectName(QStringLiteral("frmNubora"));
    window->setWindowTitle(QStringLiteral("Nubora"));
    window->setWindowIcon(programIcon());
    window->setFont(windowFont());
    window->setFixedSize(Twips::toPixels(5025), Twips::toPixels(6900));

    m_tabs = new TabbedDialog(window);
    SSTab1 = m_tabs;
    SSTab1->setObjectName(QStringLiteral("SSTab1"));
    SSTab1->setGeometry(Twips::toRect(45, 75, 4935, 6775));
    const auto addPage = [this](const char* name, const QString& caption) {
        auto* page = new QWidget;
        page->setObjectName(QLatin1String(name));
        SSTab1->addTab(page, caption);
        return page;
    };
    pageActual = addPage("pageActual", QStringLiteral("Actual"));
    pagePrevision = addPage("pagePrevision", QStringLiteral("Previsión"));
    pageConfig = addPage("pageConfig", QStringLiteral("Config."));
    pageAcerca = addPage("pageAcerca", QStringLiteral("Acerca de.."));
    // Known only now that the tabs have their captions and font.
    m_pageRect = m_tabs->pageArea();
    m_pageOrigin = m_pageRect.topLeft();

    setupActual();
    setupPrevision();
    setupConfig();
    setupAcerca();
    SSTab1->setCurrentIndex(0);

    const QRect pageBounds(QPoint(0, 0), m_pageRect.size());
    for (QWidget* page : { pageActual, pagePrevision, pageConfig, pageAcerca })
        fitTexts(page, pageBounds);

    setupTabOrder();
}

void WindowLayout::setupActual()
{
    QWidget* page = pageActual;
    Refrescar
        = makeButton(page, "Refrescar", QStringLiteral("Refrescar"), onPage(3600, 660, 975, 375));
    Estacion
        = makeLabel(page, "Estacion", QStringLiteral("Estación:"), onPage(360, 660, 2895, 255));
    Fecha_Hora
        = makeLabel(page, "Fecha_Hora", QStringLiteral("Fecha/Hora"), onPage(360, 900, 2895, 255));

    Temperatura = makeFrame(
        page, "Temperatura", QStringLiteral("Temperatura"), onPage(360, 1380, 1935, 1455));
    Label1 = makeLabel(Temperatura, "Label1", QStringLiteral("Temp.:"), rowCaption(0));
    T[0] = makeField(Temperatura, arrayName("T", 0), rowField(0), Qt::AlignRight);
    Label4 = makeLabel(Temperatura, "Label4", QStringLiteral("ºC"), rowUnit(0));
    Label2 = makeLabel(Temperatura, "Label2", QStringLiteral("Hum.:"), rowCaption(1));
    T[1] = makeField(Temperatura, arrayName("T", 1), rowField(1), Qt::AlignRight, true);
    Label5 = makeLabel(Temperatura, "Label5", QStringLiteral("%"), rowUnit(1));
    Label3 = makeLabel(Temperatura, "Label3", QStringLiteral("Rocío:"), rowCaption(2));
    T[2] = makeField(Temperatura, arrayName("T", 2), rowField(2), Qt::AlignRight);
    Label6 = makeLabel(Temperatura, "Label6", QStringLiteral("ºC"), rowUnit(2));

    Viento = makeFrame(page, "Viento", QStringLiteral("Viento"), onPage(2640, 1380, 1935, 1455));
    Label12 = makeLabel(Viento, "Label12", QStringLiteral("Veloc.:"), rowCaption(0));
    V[0] = makeField(Viento, arrayName("V", 0), rowField(0), Qt::AlignRight, true);
    Label9 = makeLabel(Viento, "Label9", QStringLiteral("Km/h"), rowUnit(0));
    Label11 = makeLabel(Viento, "Label11", QStringLiteral("Racha:"), rowCaption(1));
    V[1] = makeField(Viento, arrayName("V", 1), rowField(1), Qt::AlignRight, true);
    Label8 = makeLabel(Viento, "Label8", QStringLiteral("Km/h"), rowUnit(1));
    Label10 = makeLabel(Viento, "Label10", QStringLiteral("Direcc.:"), rowCaption(2));
    // This row has no unit, and a direction in words ("Variable", "Oeste") does not fit the
    // numeric width: the field takes the unit column too.
    V[2] = makeField(Viento, arrayName("V", 2), rowField(2, 1440 + 415 - 840), Qt::AlignRight);

    Presion = makeFrame(page, "Presion", QStringLiteral("Presión"), onPage(360, 2940, 1935, 1095));
    Label18 = makeLabel(Presion, "Label18", QStringLiteral("Presión:"), rowCaption(0));
    P[0] = makeField(Presion, arrayName("P", 0), rowField(0), Qt::AlignRight);
    Label15 = makeLabel(Presion, "Label15", QStringLiteral("mbar"), rowUnit(0));
    Label17 = makeLabel(Presion, "Label17", QStringLiteral("Tend.:"), rowCaption(1));
    P[1] = makeField(Presion, arrayName("P", 1), rowField(1), Qt::AlignHCenter);

    Precipitacion = makeFrame(
        page, "Precipitacion", QStringLiteral("Precipitación"), onPage(2640, 2940, 1935, 1095));
    Label24 = makeLabel(Precipitacion, "Label24", QStringLiteral("1 hora:"), rowCaption(0));
    LL[0] = makeField(Precipitacion, arrayName("LL", 0), rowField(0), Qt::AlignRight, true);
    Label21 = makeLabel(Precipitacion, "Label21", QStringLiteral("mm."), rowUnit(0));
    Label23 = makeLabel(Precipitacion, "Label23", QStringLiteral("Hoy:"), rowCaption(1));
    LL[1] = makeField(Precipitacion, arrayName("LL", 1), rowField(1), Qt::AlignRight);
    Label20 = makeLabel(Precipitacion, "Label20", QStringLiteral("mm."), rowUnit(1));

    Visibilidad = makeFrame(
        page, "Visibilidad", QStringLiteral("Visibilidad"), onPage(360, 4140, 4215, 1095));
    Label30 = makeLabel(Visibilidad, "Label30", QStringLiteral("Visib.:"), rowCaption(0));
    C[0] = makeField(Visibilidad, arrayName("C", 0), rowField(0), Qt::AlignRight);
    Label27 = makeLabel(Visibilidad, "Label27", QStringLiteral("Km"), rowUnit(0));
    Label29 = makeLabel(Visibilidad, "Label29", QStringLiteral("Cielo:"), rowCaption(1));
    C[1] = makeField(Visibilidad, arrayName("C", 1), rowField(1, 2895), Qt::AlignLeft, true);

    Image1 = makePicture(page, "Image1", bannerPicture(), onPage(360, 5460, 4215, 957));
}

void WindowLayout::setupPrevision()
{
    QWidget* page = pagePrevision;
    Refrescar_Fct = makeButton(
        page, "Refrescar_Fct", QStringLiteral("Refrescar"), onPage(3600, 660, 975, 375));
    Estacion_Fct
        = makeLabel(page, "Estacion_Fct", QStringLiteral("Estación:"), onPage(240, 660, 3015, 255));
    Fecha_Fct = makeLabel(page, "Fecha_Fct", QStringLiteral("Fecha"), onPage(240, 900, 3015, 255));
    Label19 = makeHeading(page, "Label19", QStringLiteral("Hora"), onPage(240, 1425, 615, 255));
    Label16
        = makeHeading(page, "Label16", QStringLiteral("Temp. (ºC)"), onPage(960, 1245, 510, 375));
    Label14
        = makeHeading(page, "Label14", QStringLiteral("Hum. (%)"), onPage(1560, 1245, 495, 375));
    Label13
        = makeHeading(page, "Label13", QStringLiteral("Vto. (Km/h)"), onPage(2115, 1245, 555, 375));
    Label7 = makeHeading(page, "Label7", QStringLiteral("Cielo"), onPage(2760, 1425, 1935, 255));

    for (int i = 0; i < 10; ++i) {
        const int top = ForecastFirstRowTop + RowPitch * i;
        Hr_Fct[i] = makeField(
            page, arrayName("Hr_Fct", i), onPage(240, top, 615, FieldHeight), Qt::AlignHCenter);
        T_Fct[i] = makeField(
            page, arrayName("T_Fct", i), onPage(960, top, 495, FieldHeight), Qt::AlignRight);
        H_Fct[i] = makeField(
            page, arrayName("H_Fct", i), onPage(1560, top, 495, FieldHeight), Qt::AlignRight);
        V_Fct[i] = makeField(
            page, arrayName("V_Fct", i), onPage(2160, top, 495, FieldHeight), Qt::AlignRight);
        C_Fct[i] = makeField(
            page, arrayName("C_Fct", i), onPage(2760, top, 1935, FieldHeight), Qt::AlignHCenter);
    }

    Image2 = makePicture(page, "Image2", bannerPicture(), onPage(360, 5460, 4215, 957));
}

void WindowLayout::setupConfig()
{
    QWidget* page = pageConfig;
    Label36 = makeLabel(page, "Label36", QStringLiteral("API key:"), onPage(840, 450, 705, 255));
    API_key = makeEdit(page, "API_key", QString(), onPage(1560, 420, 2535, 285));
    Label35 = makeLabel(page, "Label35", QStringLiteral("Estación:"), onPage(720, 810, 705, 255));
    Estacion_ID = new QComboBox(page);
    Estacion_ID->setObjectName(QStringLiteral("Estacion_ID"));
    Estacion_ID->setEditable(true);
    // Typed identifiers become entries through the window's own handler, exactly as typed: no
    // insertion or case-blind matching on Enter, no completion from the list while typing.
    Estacion_ID->setInsertPolicy(QComboBox::NoInsert);
    Estacion_ID->setDuplicatesEnabled(true);
    Estacion_ID->setCompleter(nullptr);
    Estacion_ID->setGeometry(onPage(1560, 765, 1695, 315));
    Buscar = makeButton(page, "Buscar", QStringLiteral("Buscar"), onPage(3360, 765, 735, 300));
    Label34 = makeLabel(
        page, "Label34", QStringLiteral("Refrescar cada:"), onPage(840, 1170, 1215, 255));
    T_Refresco = makeEdit(
        page, "T_Refresco", QStringLiteral("3"), onPage(2160, 1140, 440, 285), Qt::AlignRight);
    Label33 = makeLabel(page, "Label33", QStringLiteral("min."), onPage(2640, 1170, 375, 255));

    Frame1 = makeFrame(
        page, "Frame1", QStringLiteral("Condición Segura"), onPage(840, 1420, 3255, 1575));
    Label28 = makeLabel(Frame1, "Label28", QStringLiteral("Humedad <"),
        Twips::toRect(840, 270, 1215, 255), Qt::AlignRight);
    HumedadAlta = makeEdit(Frame1, "HumedadAlta", QStringLiteral("80"),
        Twips::toRect(2160, 240, 440, 285), Qt::AlignRight);
    Label31 = makeLabel(Frame1, "Label31", QStringLiteral("%"), Twips::toRect(2640, 270, 375, 255));
    Label25 = makeLabel(Frame1, "Label25", QStringLiteral("Vel. Viento <"),
        Twips::toRect(840, 630, 1215, 255), Qt::AlignRight);
    LimiteViento = makeEdit(Frame1, "LimiteViento", QStringLiteral("15"),
        Twips::toRect(2160, 600, 440, 285), Qt::AlignRight);
    Label26
        = makeLabel(Frame1, "Label26", QStringLiteral("Km/h"), Twips::toRect(2640, 630, 495, 255));
    Lluvia_1h = makeCheck(Frame1, QStringLiteral("Lluvia_1h"),
        QStringLiteral("Sin lluvia ult. hora"), Twips::toRect(1035, 960, 1560, 255));
    Label22 = makeLabel(Frame1, "Label22", QStringLiteral("Cielo:  \"Despejado\""),
        Twips::toRect(1185, 1270, 1455, 255));

    Label32 = makeLabel(page, "Label32", QStringLiteral("Guardar archivo Nubora.dat en:"),
        onPage(840, 3010, 2385, 255));
    Path_Dat = makeEdit(page, "Path_Dat", QString(), onPage(840, 3250, 2415, 285));
    Command1 = makeButton(page, "Command1", QStringLiteral("Path"), onPage(3360, 3250, 735, 300));

    Frame2 = makeFrame(
        page, "Frame2", QStringLiteral("Good Night System"), onPage(840, 3600, 3255, 1335));
    GNS = makeCheck(Frame2, QStringLiteral("GNS"), QStringLiteral("Alerta en condición no segura"),
        Twips::toRect(120, 240, 2775, 255));
    Label46 = makeLabel(
        Frame2, "Label46", QStringLiteral("y con Cielo..."), Twips::toRect(165, 480, 1935, 255));
    Cielo_Check[0] = makeCheck(Frame2, arrayName("Cielo_Check", 0),
        QStringLiteral("\"Parcialmente nublado\""), Twips::toRect(840, 690, 2055, 255));
    Label47 = makeLabel(Frame2, "Label47", QStringLiteral("o"), Twips::toRect(3000, 690, 135, 255));
    // Level with the check boxes' captions, which are centred in their height.
    Label47->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Cielo_Check[1] = makeCheck(Frame2, arrayName("Cielo_Check", 1),
        QStringLiteral("\"Nubes dispersas\""), Twips::toRect(840, 930, 2055, 255));

    Aceptar = makeButton(page, "Aceptar", QStringLiteral("Aceptar"), onPage(1200, 5050, 975, 375));
    Cancelar
        = makeButton(page, "Cancelar", QStringLiteral("Cancelar"), onPage(2760, 5050, 975, 375));
    Image3 = makePicture(page, "Image3", bannerPicture(), onPage(360, 5460, 4215, 957));
}

void WindowLayout::setupAcerca()
{
    QWidget* page = pageAcerca;
    Image4 = makePicture(page, "Image4", programIcon().pixmap(32, 32), onPage(360, 800, 480, 480));

    lblTitle = makeLabel(page, "lblTitle", QStringLiteral("Nubora"), onPage(1080, 840, 3600, 480));
    QFont title = windowFont();
    title.setStretch(QFont::Unstretched);
    title.setPointSizeF(13.5);
    title.setBold(true);
    title.setItalic(true);
    lblTitle->setFont(title);
    QPalette black = lblTitle->palette();
    black.setColor(QPalette::WindowText, Qt::black);
    lblTitle->setPalette(black);

    lblVersion
        = makeLabel(page, "lblVersion", QStringLiteral("Versión"), onPage(1200, 1440, 3045, 225));

    Line1_1 = new QFrame(page);
    Line1_1->setObjectName(QStringLiteral("Line1_1"));
    Line1_1->setFrameShape(QFrame::NoFrame);
    QPalette grey = Line1_1->palette();
    grey.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
    Line1_1->setPalette(grey);
    Line1_1->setAutoFillBackground(true);
    Line1_1->setGeometry(onPage(240, 3600, 4620 - 240, Twips::PerPixel));

    Label39 = makeLabel(
        page, "Label39", QStringLiteral("Para obtener un API key:"), onPage(360, 3720, 3375, 255));
    Label40 = makeLabel(page, "Label40",
        QStringLiteral("https://www.wunderground.com/weather/api/"), onPage(360, 3960, 4215, 255));
    Label43 = makeLabel(
        page, "Label43", QStringLiteral("Good Night System:"), onPage(360, 4920, 3375, 255));
    Label44 = makeLabel(page, "Label44", QStringLiteral("https://www.lunaticoastro.com/"),
        onPage(360, 5160, 4215, 255));
    for (QLabel* heading : { Label39, Label43 }) {
        QFont underlined = heading->font();
        underlined.setUnderline(true);
        heading->setFont(underlined);
    }
}

void WindowLayout::setupTabOrder()
{
    QWidget* const order[]
        = { Aceptar, Cancelar, API_key, Estacion_ID, Buscar, T_Refresco, HumedadAlta, LimiteViento,
              Lluvia_1h, Path_Dat, Command1, GNS, Cielo_Check[1], Cielo_Check[0] };
    for (std::size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}
