#include "toolpictures.h"

#include <QPainter>
#include <QPixmap>

namespace
{

constexpr int Side = 16;

void drawSheet(QPainter& p)
{
    p.setPen(QColor(90, 90, 90));
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygon({{3, 1}, {10, 1}, {13, 4}, {13, 14}, {3, 14}}));
    p.drawPolyline(QPolygon({{10, 1}, {10, 4}, {13, 4}}));
}

void drawPlus(QPainter& p)
{
    p.setPen(QPen(QColor(20, 140, 40), 3));
    p.drawLine(8, 3, 8, 13);
    p.drawLine(3, 8, 13, 8);
}

void drawDisk(QPainter& p)
{
    p.setPen(QColor(20, 40, 110));
    p.setBrush(QColor(50, 80, 170));
    p.drawRect(2, 2, 12, 12);
    p.setBrush(Qt::white);
    p.drawRect(4, 2, 8, 5);
    p.setBrush(QColor(190, 190, 190));
    p.drawRect(5, 10, 6, 4);
}

void drawPencil(QPainter& p)
{
    p.setPen(QPen(QColor(120, 80, 10), 1));
    p.setBrush(QColor(240, 190, 40));
    p.drawPolygon(QPolygon({{11, 2}, {14, 5}, {6, 13}, {3, 10}}));
    p.setBrush(QColor(60, 60, 60));
    p.drawPolygon(QPolygon({{3, 10}, {6, 13}, {2, 14}}));
}

void drawCross(QPainter& p)
{
    p.setPen(QPen(QColor(200, 30, 30), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(4, 4, 12, 12);
    p.drawLine(12, 4, 4, 12);
}

void drawLens(QPainter& p)
{
    p.setPen(QPen(QColor(60, 60, 60), 2));
    p.setBrush(QColor(200, 230, 250));
    p.drawEllipse(QPoint(6, 6), 4, 4);
    p.setPen(QPen(QColor(90, 60, 30), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(10, 10, 14, 14);
}

void drawEraser(QPainter& p)
{
    p.setPen(QColor(120, 60, 80));
    p.setBrush(QColor(240, 150, 170));
    p.drawPolygon(QPolygon({{7, 3}, {14, 8}, {9, 14}, {2, 9}}));
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygon({{2, 9}, {5, 6}, {12, 11}, {9, 14}}));
}

void drawCalendar(QPainter& p)
{
    p.setPen(QColor(90, 90, 90));
    p.setBrush(Qt::white);
    p.drawRect(2, 3, 12, 11);
    p.setBrush(QColor(200, 40, 40));
    p.drawRect(2, 3, 12, 3);
    p.setPen(QColor(40, 40, 40));
    for (int y = 8; y <= 12; y += 2)
        for (int x = 4; x <= 12; x += 3)
            p.drawPoint(x, y);
}

void drawList(QPainter& p)
{
    for (int y = 3; y <= 13; y += 5) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 90, 170));
        p.drawRect(2, y - 1, 3, 3);
        p.setPen(QPen(QColor(60, 60, 60), 2));
        p.drawLine(7, y, 14, y);
    }
}

void draw(QPainter& p, ToolPicture which)
{
    switch (which) {
    case ToolPicture::Clear:
        drawSheet(p);
        break;
    case ToolPicture::Add:
        drawPlus(p);
        break;
    case ToolPicture::Save:
        drawDisk(p);
        break;
    case ToolPicture::Change:
        drawPencil(p);
        break;
    case ToolPicture::Delete:
        drawCross(p);
        break;
    case ToolPicture::Search:
        drawLens(p);
        break;
    case ToolPicture::ClearSearch:
        drawEraser(p);
        break;
    case ToolPicture::GoToDate:
        drawCalendar(p);
        break;
    case ToolPicture::AllEntries:
        drawList(p);
        break;
    }
}

} // namespace

QIcon toolPicture(ToolPicture which)
{
    QPixmap pixmap(Side, Side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter, which);
    painter.end();
    return QIcon(pixmap);
}
