// Draws the banner (770 x 180) and the program icon: a small observatory dome under a
// starry sky. Deterministic: the stars come from a fixed seed.

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRandomGenerator>
#include <QTextStream>
#include <cmath>

namespace
{

const QColor SkyTop(0x07, 0x0b, 0x24);
const QColor SkyHorizon(0x2a, 0x3a, 0x78);
const QColor Glow(0x6a, 0x4f, 0x8c);
const QColor Ground(0x06, 0x08, 0x12);
const QColor DomeLight(0xe8, 0xee, 0xf6);
const QColor DomeShade(0x8d, 0x9b, 0xb3);
const QColor Wall(0xb9, 0xc3, 0xd4);
const QColor Slit(0x0a, 0x0e, 0x1e);

void drawStar(QPainter& p, QPointF at, qreal radius, int alpha, bool spikes)
{
    QRadialGradient halo(at, radius * 2.2);
    halo.setColorAt(0, QColor(255, 255, 255, alpha));
    halo.setColorAt(0.45, QColor(220, 230, 255, alpha / 2));
    halo.setColorAt(1, QColor(200, 215, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(halo);
    p.drawEllipse(at, radius * 2.2, radius * 2.2);
    if (spikes) {
        p.setPen(QPen(QColor(230, 238, 255, alpha / 2), radius * 0.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(at - QPointF(radius * 4, 0), at + QPointF(radius * 4, 0));
        p.drawLine(at - QPointF(0, radius * 4), at + QPointF(0, radius * 4));
    }
}

// The observatory: a drum with a door, a dome with its slit open and the telescope's tube.
// (cx, base) is the middle of the drum's foot; r the dome's radius.
void drawObservatory(QPainter& p, qreal cx, qreal base, qreal r, bool detailed, bool telescope)
{
    const qreal wallHeight = r * 0.95;
    const QRectF wall(cx - r, base - wallHeight, 2 * r, wallHeight);
    QLinearGradient wallShade(wall.topLeft(), wall.topRight());
    wallShade.setColorAt(0, Wall);
    wallShade.setColorAt(1, Wall.darker(170));
    p.setPen(Qt::NoPen);
    p.setBrush(wallShade);
    p.drawRect(wall);

    const qreal domeBase = wall.top();
    const QRectF domeBox(cx - r * 1.06, domeBase - r * 1.06, 2 * r * 1.06, 2 * r * 1.06);
    QRadialGradient domeShade(QPointF(cx - r * 0.45, domeBase - r * 0.7), r * 1.7);
    domeShade.setColorAt(0, DomeLight);
    domeShade.setColorAt(1, DomeShade);
    p.setBrush(domeShade);
    p.drawPie(domeBox, 0, 180 * 16);

    // The slit, slightly left of the top, with the tube reaching out of it.
    const qreal slitWidth = r * (detailed ? 0.32 : 0.42);
    QPainterPath dome;
    dome.addEllipse(domeBox);
    QPainterPath slit;
    slit.addRect(QRectF(cx - r * 0.12 - slitWidth / 2, domeBox.top() - 1, slitWidth, r * 1.06 + 1));
    p.save();
    p.setClipRect(QRectF(domeBox.left(), domeBox.top(), domeBox.width(), r * 1.06));
    p.setBrush(Slit);
    p.drawPath(dome.intersected(slit));
    p.restore();

    if (telescope) {
        p.save();
        p.translate(cx - r * 0.12, domeBase - r * 0.35);
        p.rotate(-62);
        p.setBrush(QColor(0xd8, 0xdf, 0xea));
        p.drawRoundedRect(QRectF(0, -r * 0.11, r * 0.95, r * 0.22), r * 0.04, r * 0.04);
        p.setBrush(QColor(0x30, 0x38, 0x55));
        p.drawRect(QRectF(r * 0.88, -r * 0.13, r * 0.12, r * 0.26));
        p.restore();
    }
    if (detailed) {
        p.setBrush(QColor(0x2b, 0x33, 0x4a));
        p.drawRect(QRectF(cx - r * 0.2, base - wallHeight * 0.62, r * 0.4, wallHeight * 0.62));
        p.setBrush(QColor(0xff, 0xd2, 0x7a));
        p.drawRect(QRectF(cx + r * 0.45, base - wallHeight * 0.7, r * 0.22, r * 0.18));
    }
}

QImage banner()
{
    const int width = 770;
    const int height = 180;
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, height);
    sky.setColorAt(0, SkyTop);
    sky.setColorAt(0.72, SkyHorizon);
    sky.setColorAt(1, Glow);
    p.fillRect(image.rect(), sky);

    // A faint band of the Milky Way across the sky.
    QRandomGenerator dust(20170314);
    for (int i = 0; i < 900; ++i) {
        const qreal t = dust.generateDouble();
        const qreal x = t * width;
        const qreal y
            = 150 - t * 140 + (dust.generateDouble() - 0.5) * 60 * (1 - std::abs(t - 0.5));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(190, 200, 255, 10 + dust.bounded(22)));
        p.drawEllipse(
            QPointF(x, y), 0.6 + dust.generateDouble() * 1.6, 0.6 + dust.generateDouble() * 1.6);
    }

    QRandomGenerator stars(1054);
    for (int i = 0; i < 170; ++i) {
        const QPointF at(stars.generateDouble() * width, stars.generateDouble() * (height - 30));
        const qreal bright = stars.generateDouble();
        drawStar(p, at, 0.7 + bright * bright * 1.6, 110 + int(bright * 145), bright > 0.93);
    }

    // Hills, the observatory on the higher one.
    QPainterPath hills;
    hills.moveTo(0, 168);
    hills.cubicTo(140, 150, 260, 172, 380, 160);
    hills.cubicTo(470, 150, 540, 128, 640, 132);
    hills.cubicTo(700, 134, 740, 146, 770, 150);
    hills.lineTo(770, 180);
    hills.lineTo(0, 180);
    hills.closeSubpath();
    drawObservatory(p, 622, 136, 26, true, true);
    p.setPen(Qt::NoPen);
    p.setBrush(Ground);
    p.drawPath(hills);

    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(78);
    font.setBold(true);
    font.setItalic(true);
    QPainterPath word;
    word.addText(QPointF(44, 112), font, QStringLiteral("Nubora"));
    for (int spread = 9; spread > 0; spread -= 3) {
        p.setPen(
            QPen(QColor(150, 170, 255, 26), spread, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(word);
    }
    QLinearGradient letters(0, 50, 0, 115);
    letters.setColorAt(0, QColor(0xff, 0xff, 0xff));
    letters.setColorAt(1, QColor(0xc9, 0xd6, 0xff));
    p.setPen(Qt::NoPen);
    p.setBrush(letters);
    p.drawPath(word);
    return image;
}

QImage icon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    const bool detailed = size >= 24;

    QLinearGradient sky(0, 0, 0, 32);
    sky.setColorAt(0, SkyTop);
    sky.setColorAt(1, SkyHorizon);
    QPainterPath tile;
    tile.addRoundedRect(QRectF(0.5, 0.5, 31, 31), detailed ? 5 : 3, detailed ? 5 : 3);
    p.setPen(Qt::NoPen);
    p.setBrush(sky);
    p.drawPath(tile);
    p.setClipPath(tile);

    // Few, crisp stars: a halo would only blur into the sky at this size.
    const QPointF stars[] = { { 6.5, 6.5 }, { 25, 6 }, { 15.5, 3.5 }, { 28, 14 }, { 4, 15.5 } };
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    for (std::size_t i = 0; i < std::size(stars); ++i) {
        if (!detailed && i > 2)
            break;
        p.drawEllipse(stars[i], detailed ? 0.9 : 1.5, detailed ? 0.9 : 1.5);
    }
    if (detailed) {
        p.setPen(QPen(QColor(255, 255, 255, 150), 0.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(25, 3.2), QPointF(25, 8.8));
        p.drawLine(QPointF(22.2, 6), QPointF(27.8, 6));
        p.setPen(Qt::NoPen);
    }

    drawObservatory(p, 16, 27.5, 9.5, detailed, false);
    p.setBrush(Ground);
    p.drawRect(QRectF(0, 27, 32, 5));
    return image;
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        QTextStream(stderr) << "usage: nubora-art RESOURCE_DIR [ICON_THEME_DIR]\n";
        return 2;
    }
    const QDir resources(QString::fromLocal8Bit(argv[1]));
    bool ok = banner().save(resources.filePath(QStringLiteral("banner.png")));
    for (int size : { 16, 32 })
        ok = icon(size).save(resources.filePath(QStringLiteral("nubora-%1.png").arg(size))) && ok;
    if (argc > 2) {
        const QDir theme(QString::fromLocal8Bit(argv[2]));
        for (int size : { 16, 32, 48, 64, 128 }) {
            const QString dir = QStringLiteral("%1x%1/apps").arg(size);
            ok = theme.mkpath(dir) && ok;
            ok = icon(size).save(theme.filePath(dir + QStringLiteral("/nubora.png"))) && ok;
        }
    }
    return ok ? 0 : 1;
}
