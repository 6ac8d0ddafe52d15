#include "app/CProgramIcon.h"

#include "panel/CPanelPainter.h"

#include <QPainter>
#include <QPixmap>

QPixmap CProgramIcon::Pixmap(int nSize)
{
    QPixmap pixmap(nSize, nSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(nSize / 64.0, nSize / 64.0);

    painter.setPen(QPen(QColor(20, 21, 24), 2));
    painter.setBrush(QColor(255, 186, 40)); // the holster
    painter.drawRoundedRect(QRectF(10, 2, 44, 60), 9, 9);
    painter.setBrush(QColor(52, 55, 62));
    painter.drawRoundedRect(QRectF(14, 6, 36, 52), 6, 6);

    painter.setPen(Qt::NoPen);
    painter.setBrush(CPanelPainter::DisplayColor());
    painter.drawRect(QRectF(18, 10, 28, 16));
    painter.setBrush(QColor(18, 22, 18));
    painter.drawRect(QRectF(21, 20, 22, 3)); // the bar graph

    painter.setBrush(QColor(200, 204, 210));
    painter.drawEllipse(QPointF(32, 43), 9, 9);
    painter.setPen(QPen(QColor(30, 32, 37), 3, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(32, 43), QPointF(37, 37));
    return pixmap;
}

QIcon CProgramIcon::Icon()
{
    QIcon icon;
    for (int nSize : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(Pixmap(nSize));
    return icon;
}
