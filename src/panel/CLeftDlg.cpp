#include "panel/CLeftDlg.h"

#include "panel/CPanelPainter.h"

#include <QPaintEvent>
#include <QPainter>

CLeftDlg::CLeftDlg(QWidget* pParent)
    : QWidget(pParent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
}

QSize CLeftDlg::sizeHint() const
{
    return QSize(int(CPanelPainter::kWidth), int(CPanelPainter::kHeight));
}

QSize CLeftDlg::minimumSizeHint() const
{
    return QSize(int(CPanelPainter::kWidth / 2), int(CPanelPainter::kHeight / 2));
}

void CLeftDlg::ShowReading(int nLayout, const MeterReading& panel)
{
    m_state.m_reading = panel;
    m_state.m_nLayout = nLayout;
    m_bStale = false;
    UpdateOscList();
    update(DisplayRect());
    emit ReadingShown(nLayout);
}

void CLeftDlg::SetDisplayMode(int nMode)
{
    if (nMode == m_state.m_nDisplayMode)
        return;
    m_state.m_nDisplayMode = nMode;
    update();
}

void CLeftDlg::SetLayout(int nLayout)
{
    if (nLayout == m_state.m_nLayout)
        return;
    m_state.m_nLayout = nLayout;
    UpdateOscList();
    update(DisplayRect());
}

void CLeftDlg::Blank()
{
    SetStale(false);
    SetDisplayMode(0);
    SetLayout(-1);
}

void CLeftDlg::SetStale(bool bStale)
{
    if (bStale == m_bStale)
        return;
    m_bStale = bStale;
    update(DisplayRect());
}

void CLeftDlg::SetOscList(QWidget* pList)
{
    m_pOscList = pList;
    if (pList)
        pList->setParent(this);
    UpdateOscList();
}

void CLeftDlg::UpdateOscList()
{
    if (!m_pOscList)
        return;
    m_pOscList->setGeometry(DisplayArea());
    m_pOscList->setVisible(m_state.m_nLayout == kOscilloscopeLayout);
}

void CLeftDlg::resizeEvent(QResizeEvent* pEvent)
{
    QWidget::resizeEvent(pEvent);
    UpdateOscList();
}

double CLeftDlg::Scale() const
{
    return qMin(width() / CPanelPainter::kWidth, height() / CPanelPainter::kHeight);
}

QPointF CLeftDlg::Origin() const
{
    return QPointF((width() - CPanelPainter::kWidth * Scale()) / 2, 0);
}

QRect CLeftDlg::DisplayArea() const
{
    const double dScale = Scale();
    const QRectF area = CPanelPainter::DisplayArea();
    return QRectF(Origin() + area.topLeft() * dScale, area.size() * dScale).toAlignedRect();
}

QRect CLeftDlg::DisplayRect() const
{
    return DisplayArea().adjusted(-1, -1, 1, 1);
}

void CLeftDlg::UpdateFace()
{
    const qreal dRatio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * dRatio).toSize();
    if (m_face.size() == pixels && m_face.devicePixelRatio() == dRatio && m_nFaceMode == m_state.m_nDisplayMode)
        return;
    // The face changes only with the size and the display mode: drawn once, copied on every reading.
    m_face = QPixmap(pixels);
    m_face.setDevicePixelRatio(dRatio);
    m_face.fill(CPanelPainter::BackgroundColor());
    QPainter painter(&m_face);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    painter.translate(Origin());
    painter.scale(Scale(), Scale());
    CPanelPainter(m_state).PaintFace(painter);
    m_nFaceMode = m_state.m_nDisplayMode;
}

void CLeftDlg::paintEvent(QPaintEvent* pEvent)
{
    UpdateFace();
    QPainter painter(this);
    const QRect dirty = pEvent->rect();
    painter.drawPixmap(dirty, m_face, QRectF(QPointF(dirty.topLeft()) * m_face.devicePixelRatio(),
                                             QSizeF(dirty.size()) * m_face.devicePixelRatio()));
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    painter.translate(Origin());
    painter.scale(Scale(), Scale());
    CPanelPainter(m_state).PaintDisplay(painter);
    if (m_bStale && m_state.m_nLayout >= 1 && m_state.m_nLayout <= 7) {
        // The reading stays readable under a grey veil; the mark says it is old.
        const QRectF area = CPanelPainter::DisplayArea();
        painter.fillRect(area, QColor(110, 110, 110, 150));
        QFont font = painter.font();
        font.setPixelSize(22);
        font.setBold(true);
        painter.setFont(font);
        // At the foot of the screen: the clock and date of the last reading stay in view.
        const QRectF mark(area.left(), area.bottom() - 36, area.width(), 30);
        painter.fillRect(mark.adjusted(40, 0, -40, 0), QColor(255, 255, 255, 220));
        painter.setPen(QColor(200, 0, 0));
        painter.drawText(mark, Qt::AlignCenter, StaleText());
    }
}
