#include "publish/ui/CAlarmFrame.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>

CAlarmFrame::CAlarmFrame(QWidget* pPanel)
    : QWidget(pPanel)
{
    setObjectName(QStringLiteral("alarmFrame"));
    setCursor(Qt::PointingHandCursor);
    setToolTip(tr("Click to acknowledge the alarm"));
    pPanel->installEventFilter(this);
    hide();
    FollowPanel();
}

void CAlarmFrame::ShowAlarm(const QString& strText)
{
    m_strText = strText;
    FollowPanel();
    show();
    raise();
    update();
}

QRect CAlarmFrame::Band() const
{
    const int nHeight = fontMetrics().height() * 2 + 2 * kBorder;
    return QRect(0, height() - nHeight, width(), nHeight);
}

void CAlarmFrame::FollowPanel()
{
    setGeometry(parentWidget()->rect());
    // The middle lets the mouse through to the panel.
    const QRegion inside = QRegion(rect().adjusted(kBorder, kBorder, -kBorder, -kBorder)).subtracted(Band());
    setMask(QRegion(rect()).subtracted(inside));
}

bool CAlarmFrame::eventFilter(QObject* pObject, QEvent* pEvent)
{
    if (pObject == parentWidget() && pEvent->type() == QEvent::Resize)
        FollowPanel();
    return QWidget::eventFilter(pObject, pEvent);
}

void CAlarmFrame::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QColor red = QColor::fromRgb(kRed);
    QPen pen(red, kBorder);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(rect()).adjusted(kBorder / 2.0, kBorder / 2.0, -kBorder / 2.0, -kBorder / 2.0));
    const QRect band = Band();
    painter.fillRect(band, red);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setBold(true);
    painter.setFont(font);
    const int nLine = fontMetrics().height();
    painter.drawText(QRect(band.left(), band.top() + kBorder, band.width(), nLine), Qt::AlignCenter, m_strText.toUpper());
    font.setBold(false);
    painter.setFont(font);
    painter.drawText(QRect(band.left(), band.top() + kBorder + nLine, band.width(), nLine), Qt::AlignCenter,
                     tr("click to acknowledge"));
}

void CAlarmFrame::mousePressEvent(QMouseEvent* pEvent)
{
    if (pEvent->button() == Qt::LeftButton)
        emit AcknowledgeRequested();
}
