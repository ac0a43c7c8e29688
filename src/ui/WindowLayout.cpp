#include "WindowLayout.h"

#include "DisplayFieldEdit.h"
#include "LayoutControlFactory.h"
#include "LayoutTable.h"
#include "TabbedDialog.h"
#include "Twips.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFrame>
#include <QGroupBox>
#include <QHash>
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

void WindowLayout::setupUi(QWidget* window)
{
    if (window->objectName().isEmpty())
        window->setObjectName(QStringLiteral("frmNubora"));
    window->setWindowTitle(QStringLiteral("Nubora"));
    window->setWindowIcon(programIcon());
    window->setFont(windowFont());
    window->setFixedSize(Twips::toPixels(LayoutTable::WindowSize.width()),
        Twips::toPixels(LayoutTable::WindowSize.height()));

    m_tabs = new TabbedDialog(window);
    SSTab1 = m_tabs;
    SSTab1->setObjectName(QStringLiteral("SSTab1"));
    const QRect tabs = LayoutTable::TabsRect;
    SSTab1->setGeometry(Twips::toRect(tabs.x(), tabs.y(), tabs.width(), tabs.height()));
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

    build();
    SSTab1->setCurrentIndex(0);

    const QRect pageBounds(QPoint(0, 0), m_pageRect.size());
    for (QWidget* page : { pageActual, pagePrevision, pageConfig, pageAcerca })
        fitTexts(page, pageBounds);
}

void WindowLayout::build()
{
    const ControlsByName made = makeControls();
    takeActualPage(made);
    takeCaptions(made);
    takePrevisionPage(made);
    takeConfigPage(made);
    takeAcercaPage(made);
    lblCredito->hide();
}

WindowLayout::ControlsByName WindowLayout::makeControls() const
{
    const LayoutControlFactory factory(
        m_pageOrigin, bannerPicture(), programIcon().pixmap(32, 32), windowFont());
    QWidget* const pages[] = { pageActual, pagePrevision, pageConfig, pageAcerca };
    ControlsByName made;
    QList<std::pair<int, QWidget*>> keyboard;
    for (const LayoutControl& control : LayoutTable::controls()) {
        QWidget* parent = control.frame.isEmpty() ? pages[control.page] : made.value(control.frame);
        Q_ASSERT(parent);
        QWidget* widget = factory.make(control, parent);
        made.insert(control.name, widget);
        if (control.tabOrder > 0)
            keyboard.append({ control.tabOrder, widget });
    }
    std::sort(keyboard.begin(), keyboard.end(),
        [](const auto& a, const auto& b) { return a.first < b.first; });
    for (qsizetype i = 1; i < keyboard.size(); ++i)
        QWidget::setTabOrder(keyboard.at(i - 1).second, keyboard.at(i).second);
    return made;
}

namespace
{

template <typename Widget>
void take(const QHash<QString, QWidget*>& made, Widget*& member, const QString& name)
{
    member = qobject_cast<Widget*>(made.value(name));
    Q_ASSERT_X(member, "WindowLayout", qPrintable(name));
}

template <typename Widget, std::size_t Size>
void takeArray(
    const QHash<QString, QWidget*>& made, std::array<Widget*, Size>& members, const char* name)
{
    for (std::size_t i = 0; i < members.size(); ++i)
        take(made, members[i], LayoutTable::arrayName(name, int(i)));
}

} // namespace

#define NUBORA_TAKE(member) take(made, member, QStringLiteral(#member))

void WindowLayout::takeActualPage(const ControlsByName& made)
{
    NUBORA_TAKE(Refrescar);
    NUBORA_TAKE(Estacion);
    NUBORA_TAKE(Fecha_Hora);
    NUBORA_TAKE(Temperatura);
    NUBORA_TAKE(Viento);
    NUBORA_TAKE(Presion);
    NUBORA_TAKE(Precipitacion);
    NUBORA_TAKE(Visibilidad);
    takeArray(made, T, "T");
    takeArray(made, V, "V");
    takeArray(made, P, "P");
    takeArray(made, LL, "LL");
    takeArray(made, C, "C");
    NUBORA_TAKE(Image1);
}

void WindowLayout::takeCaptions(const ControlsByName& made)
{
    // Named Label<n> as designed, in no order a reader could infer.
    const std::pair<QLabel**, const char*> labels[] = {
        { &Label1, "Label1" },
        { &Label2, "Label2" },
        { &Label3, "Label3" },
        { &Label4, "Label4" },
        { &Label5, "Label5" },
        { &Label6, "Label6" },
        { &Label12, "Label12" },
        { &Label11, "Label11" },
        { &Label10, "Label10" },
        { &Label9, "Label9" },
        { &Label8, "Label8" },
        { &Label18, "Label18" },
        { &Label17, "Label17" },
        { &Label15, "Label15" },
        { &Label24, "Label24" },
        { &Label23, "Label23" },
        { &Label21, "Label21" },
        { &Label20, "Label20" },
        { &Label30, "Label30" },
        { &Label29, "Label29" },
        { &Label27, "Label27" },
        { &Label19, "Label19" },
        { &Label16, "Label16" },
        { &Label14, "Label14" },
        { &Label13, "Label13" },
        { &Label7, "Label7" },
        { &Label36, "Label36" },
        { &Label35, "Label35" },
        { &Label34, "Label34" },
        { &Label33, "Label33" },
        { &Label28, "Label28" },
        { &Label31, "Label31" },
        { &Label25, "Label25" },
        { &Label26, "Label26" },
        { &Label22, "Label22" },
        { &Label32, "Label32" },
        { &Label46, "Label46" },
        { &Label47, "Label47" },
        { &Label39, "Label39" },
        { &Label40, "Label40" },
        { &Label43, "Label43" },
        { &Label44, "Label44" },
    };
    for (const auto& [member, name] : labels)
        take(made, *member, QLatin1String(name));
}

void WindowLayout::takePrevisionPage(const ControlsByName& made)
{
    NUBORA_TAKE(Refrescar_Fct);
    NUBORA_TAKE(Estacion_Fct);
    NUBORA_TAKE(Fecha_Fct);
    takeArray(made, Hr_Fct, "Hr_Fct");
    takeArray(made, T_Fct, "T_Fct");
    takeArray(made, H_Fct, "H_Fct");
    takeArray(made, V_Fct, "V_Fct");
    takeArray(made, C_Fct, "C_Fct");
    NUBORA_TAKE(Image2);
}

void WindowLayout::takeConfigPage(const ControlsByName& made)
{
    NUBORA_TAKE(API_key);
    NUBORA_TAKE(Estacion_ID);
    NUBORA_TAKE(Buscar);
    NUBORA_TAKE(T_Refresco);
    NUBORA_TAKE(lblFuente);
    NUBORA_TAKE(Fuente);
    NUBORA_TAKE(Frame1);
    NUBORA_TAKE(HumedadAlta);
    NUBORA_TAKE(LimiteViento);
    NUBORA_TAKE(Lluvia_1h);
    NUBORA_TAKE(Path_Dat);
    NUBORA_TAKE(Command1);
    NUBORA_TAKE(Frame2);
    NUBORA_TAKE(GNS);
    takeArray(made, Cielo_Check, "Cielo_Check");
    NUBORA_TAKE(Aceptar);
    NUBORA_TAKE(Cancelar);
    NUBORA_TAKE(Image3);
}

void WindowLayout::takeAcercaPage(const ControlsByName& made)
{
    NUBORA_TAKE(Image4);
    NUBORA_TAKE(lblTitle);
    NUBORA_TAKE(lblVersion);
    NUBORA_TAKE(Line1_1);
    NUBORA_TAKE(lblCredito);
}

#undef NUBORA_TAKE
