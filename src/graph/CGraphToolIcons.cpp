#include "graph/CGraphToolIcons.h"

#include "graph/CGraphCommand.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

constexpr int kSize = 32;
const QColor kInk(40, 60, 110);
const QColor kAccent(200, 60, 40);

void Arrow(QPainter& painter, QPointF from, QPointF to)
{
    painter.drawLine(from, to);
    const QPointF d = (to - from) / std::max(1.0, std::hypot(to.x() - from.x(), to.y() - from.y()));
    const QPointF n(-d.y(), d.x());
    QPainterPath head;
    head.moveTo(to);
    head.lineTo(to - d * 6 + n * 4);
    head.lineTo(to - d * 6 - n * 4);
    head.closeSubpath();
    painter.fillPath(head, painter.pen().color());
}

void Magnifier(QPainter& painter)
{
    painter.setPen(QPen(kInk, 2.5));
    painter.drawEllipse(QPointF(19, 19), 5.5, 5.5);
    painter.drawLine(QPointF(23, 23), QPointF(29, 29));
}

void Draw(QPainter& painter, int nCommand)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(kInk, 2));
    switch (nCommand) {
    case GraphCommand::kMove:
        Arrow(painter, {16, 16}, {16, 3});
        Arrow(painter, {16, 16}, {16, 29});
        Arrow(painter, {16, 16}, {3, 16});
        Arrow(painter, {16, 16}, {29, 16});
        break;
    case GraphCommand::kRect:
        painter.setPen(QPen(kAccent, 1.5, Qt::DashLine));
        painter.drawRect(QRectF(3, 3, 16, 14));
        Magnifier(painter);
        break;
    case GraphCommand::kYBig:
        painter.setPen(QPen(kAccent, 2));
        Arrow(painter, {10, 15}, {10, 3});
        Arrow(painter, {10, 15}, {10, 28});
        Magnifier(painter);
        break;
    case GraphCommand::kXBig:
        painter.setPen(QPen(kAccent, 2));
        Arrow(painter, {12, 9}, {2, 9});
        Arrow(painter, {12, 9}, {27, 9});
        Magnifier(painter);
        break;
    case GraphCommand::kShowNumber:
        painter.setPen(QPen(kInk, 1.5));
        painter.drawLine(QPointF(16, 2), QPointF(16, 30));
        painter.drawLine(QPointF(2, 16), QPointF(30, 16));
        painter.setPen(QPen(kAccent, 2));
        painter.setBrush(Qt::white);
        painter.drawEllipse(QPointF(16, 16), 4.5, 4.5);
        break;
    case GraphCommand::kAll:
        painter.drawRect(QRectF(3, 3, 26, 26));
        painter.setPen(QPen(kAccent, 2));
        painter.drawPolyline(QPolygonF({{5, 24}, {11, 14}, {16, 19}, {22, 8}, {27, 12}}));
        break;
    case GraphCommand::kFFT:
        painter.setPen(Qt::NoPen);
        painter.setBrush(kInk);
        {
            const int arrHeights[] = {22, 12, 17, 7, 10, 4};
            for (int i = 0; i < 6; ++i)
                painter.drawRect(QRectF(3 + i * 4.5, 29 - arrHeights[i], 3, arrHeights[i]));
        }
        painter.setPen(QPen(kAccent, 1.5));
        painter.drawLine(QPointF(2, 29.5), QPointF(30, 29.5));
        break;
    case GraphCommand::kMeasure:
        // A shaded span over a trace, with its edges.
        painter.fillRect(QRectF(9, 3, 14, 26), QColor(kAccent.red(), kAccent.green(), kAccent.blue(), 60));
        painter.setPen(QPen(kAccent, 1.5));
        painter.drawLine(QPointF(9, 3), QPointF(9, 29));
        painter.drawLine(QPointF(23, 3), QPointF(23, 29));
        painter.setPen(QPen(kInk, 2));
        painter.drawPolyline(QPolygonF({{2, 22}, {8, 18}, {13, 21}, {18, 10}, {24, 14}, {30, 8}}));
        break;
    default:
        break;
    }
}

} // namespace

QIcon CGraphToolIcons::Icon(int nCommand)
{
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        Draw(painter, nCommand);
    }
    return QIcon(pixmap);
}
