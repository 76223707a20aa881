// Draws the program's pictures: the icon in the sizes desktops use (the same shapes as
// data/quillnest.svg) and the About window's picture, which scripts/make-art.sh turns into a JPEG.
// Run it through that script; the results are kept in data/.

#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRandomGenerator>
#include <QString>

#include <cstdio>

namespace
{

void drawIcon(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor("#2f6f73"));
    p.drawRoundedRect(QRectF(16, 16, 224, 224), 40, 40);
    p.setPen(QPen(QColor("#d9c9a3"), 4));
    p.setBrush(QColor("#fbf4e2"));
    p.drawRoundedRect(QRectF(60, 44, 136, 168), 8, 8);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor("#c9503f"));
    p.drawRect(QRectF(60, 44, 18, 168));
    p.setPen(QPen(QColor("#9fb7c9"), 5, Qt::SolidLine, Qt::RoundCap));
    for (const int y : {84, 108, 132})
        p.drawLine(QPointF(92, y), QPointF(180, y));
    p.drawLine(QPointF(92, 156), QPointF(160, 156));
    p.setPen(QPen(QColor("#8a5a14"), 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor("#e8b04a"));
    p.drawPolygon(QPolygonF({{204, 26}, {222, 42}, {132, 188}, {116, 200}, {120, 182}}));
    p.drawLine(QPointF(112, 206), QPointF(210, 38));
}

bool saveIcon(const QString& folder, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.scale(size / 256.0, size / 256.0);
    drawIcon(p);
    p.end();
    return image.save(QStringLiteral("%1/quillnest-%2.png").arg(folder).arg(size));
}

// An open diary on a desk at evening light, with the quill beside it. A little grain makes it look
// like a photograph rather than a drawing.
QImage aboutPicture()
{
    QImage image(206, 134, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient desk(0, 0, 0, 134);
    desk.setColorAt(0, QColor("#3d2b1f"));
    desk.setColorAt(1, QColor("#8c5a33"));
    p.fillRect(image.rect(), desk);
    QRadialGradient lamp(150, 10, 140);
    lamp.setColorAt(0, QColor(255, 220, 150, 150));
    lamp.setColorAt(1, QColor(255, 220, 150, 0));
    p.fillRect(image.rect(), lamp);

    p.setPen(QPen(QColor("#6b4a2b"), 1.5));
    p.setBrush(QColor("#f6ecd2"));
    p.drawPolygon(QPolygonF({{22, 40}, {100, 30}, {103, 112}, {26, 120}}));
    p.setBrush(QColor("#fbf3df"));
    p.drawPolygon(QPolygonF({{100, 30}, {178, 38}, {174, 118}, {103, 112}}));
    p.setPen(QPen(QColor("#9fb7c9"), 1));
    for (int i = 0; i < 7; ++i) {
        p.drawLine(QPointF(32, 52 + i * 9.5), QPointF(94, 44 + i * 9.5));
        p.drawLine(QPointF(110, 46 + i * 9.5), QPointF(168, 52 + i * 9.5));
    }
    p.setPen(QPen(QColor("#3a3a6a"), 1.2));
    QPainterPath script;
    script.moveTo(112, 58);
    for (int x = 112; x < 160; x += 6)
        script.cubicTo(x + 2, 52, x + 4, 62, x + 6, 58);
    p.drawPath(script);
    p.translate(0, 19);
    p.drawPath(script);
    p.resetTransform();

    p.setPen(QPen(QColor("#8a5a14"), 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor("#f1c061"));
    p.drawPolygon(QPolygonF({{196, 8}, {204, 16}, {150, 100}, {142, 106}, {144, 96}}));
    p.drawLine(QPointF(140, 110), QPointF(200, 12));
    p.setBrush(QColor("#1d1d2b"));
    p.setPen(QPen(QColor("#555566"), 1));
    p.drawEllipse(QPointF(186, 112), 12, 8);
    p.end();

    QRandomGenerator grain(1899);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int d = int(grain.bounded(25)) - 12;
            const QRgb c = line[x];
            line[x] = qRgb(qBound(0, qRed(c) + d, 255), qBound(0, qGreen(c) + d, 255), qBound(0, qBlue(c) + d, 255));
        }
    }
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: makeart <icon folder> <picture.ppm>\n");
        return 2;
    }
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        if (!saveIcon(QString::fromLocal8Bit(argv[1]), size))
            return 1;
    }
    return aboutPicture().save(QString::fromLocal8Bit(argv[2]), "PPM") ? 0 : 1;
}
