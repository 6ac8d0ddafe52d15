#include "scope/ui/COscSlotButton.h"

#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

#include <cmath>

namespace {

struct SLook
{
    QString strWord;
    QColor colour;
};

SLook LookOf(int nBase)
{
    switch (nBase) {
    case COscSlotButton::kHoldBase: return {QStringLiteral("HOLD"), QColor(255, 200, 0)};
    case COscSlotButton::kRecBase: return {QStringLiteral("REC"), QColor(235, 70, 60)};
    case COscSlotButton::kFftBase: return {QStringLiteral("FFT"), QColor(0, 200, 225)};
    case COscSlotButton::kSingleBase: return {QStringLiteral("SINGLE"), QColor(90, 220, 120)};
    default: return {QStringLiteral("EMPTY"), QColor(135, 135, 135)};
    }
}

// The small waveform that says what the slot holds, in rc.
QPainterPath Glyph(int nBase, const QRectF& rc)
{
    QPainterPath path;
    const double dMid = rc.center().y(), dAmp = rc.height() / 2;
    switch (nBase) {
    case COscSlotButton::kFftBase: {
        static constexpr double kBars[] = {0.35, 1.0, 0.55, 0.8, 0.3, 0.6, 0.2};
        const double dStep = rc.width() / std::size(kBars);
        for (size_t i = 0; i < std::size(kBars); ++i)
            path.addRect(QRectF(rc.left() + i * dStep, rc.bottom() - kBars[i] * rc.height(), dStep * 0.6,
                                kBars[i] * rc.height()));
        break;
    }
    case COscSlotButton::kSingleBase:
        path.moveTo(rc.left(), rc.bottom());
        path.lineTo(rc.left() + rc.width() * 0.3, rc.bottom());
        path.lineTo(rc.left() + rc.width() * 0.3, rc.top());
        path.lineTo(rc.left() + rc.width() * 0.6, rc.top());
        path.lineTo(rc.left() + rc.width() * 0.6, rc.bottom());
        path.lineTo(rc.right(), rc.bottom());
        break;
    case COscSlotButton::kHoldBase:
    case COscSlotButton::kRecBase:
        path.moveTo(rc.left(), dMid);
        for (int i = 1; i <= 24; ++i)
            path.lineTo(rc.left() + rc.width() * i / 24, dMid - dAmp * std::sin(i * 2 * M_PI / 12));
        break;
    default: // nothing stored: a flat line
        path.moveTo(rc.left(), dMid);
        path.lineTo(rc.right(), dMid);
        break;
    }
    return path;
}

} // namespace

COscSlotButton::COscSlotButton(int nSlot, QWidget* pParent)
    : QAbstractButton(pParent)
    , m_nSlot(nSlot)
    , m_nPicture(nSlot + kEmptyBase)
{
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setToolTip(QStringLiteral("Stored waveform %1").arg(nSlot));
    setAccessibleName(QStringLiteral("Stored waveform %1").arg(nSlot));
    SetPicture(m_nPicture);
}

void COscSlotButton::SetPicture(int nPicture)
{
    m_nPicture = nPicture;
    setEnabled(nPicture - m_nSlot != kEmptyBase);
    setAccessibleDescription(LookOf(nPicture - m_nSlot).strWord);
    update();
}

QSize COscSlotButton::sizeHint() const
{
    return QSize(116, 50);
}

QSize COscSlotButton::minimumSizeHint() const
{
    return QSize(70, 32);
}

void COscSlotButton::DrawPicture(QPainter& painter, const QRectF& rc, int nSlot, int nPicture, bool bPressed)
{
    const int nBase = nPicture - nSlot;
    const SLook look = LookOf(nBase);
    const bool bEmpty = nBase == kEmptyBase;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);

    const QRectF rcFace = rc.adjusted(1.5, 1.5, -1.5, -1.5);
    const double dRadius = rc.height() / 8;
    painter.setPen(QPen(look.colour, bPressed ? 2.5 : 1.5));
    painter.setBrush(bPressed ? QColor(10, 12, 16) : QColor(28, 32, 40));
    painter.drawRoundedRect(rcFace, dRadius, dRadius);

    // The slot number on the left, the word and the glyph on the right.
    const double dPad = rc.height() / 8;
    const QRectF rcNumber(rcFace.left() + dPad, rcFace.top(), rcFace.width() * 0.36, rcFace.height());
    QFont number(QStringLiteral("Arial"));
    number.setBold(true);
    number.setPixelSize(std::max(8, int(rcFace.height() * 0.6)));
    painter.setFont(number);
    painter.setPen(bEmpty ? look.colour : QColor(Qt::white));
    painter.drawText(rcNumber, Qt::AlignVCenter | Qt::AlignLeft, QString::number(nSlot));

    const QRectF rcRight(rcNumber.right(), rcFace.top() + dPad / 2, rcFace.right() - rcNumber.right() - dPad,
                         rcFace.height() - dPad);
    QFont word(QStringLiteral("Arial"));
    word.setBold(true);
    word.setPixelSize(std::max(6, int(rcRight.height() * 0.36)));
    painter.setFont(word);
    painter.setPen(look.colour);
    painter.drawText(QRectF(rcRight.left(), rcRight.top(), rcRight.width(), rcRight.height() / 2),
                     Qt::AlignCenter, look.strWord);

    const QRectF rcGlyph(rcRight.left() + rcRight.width() * 0.1, rcRight.top() + rcRight.height() * 0.58,
                         rcRight.width() * 0.8, rcRight.height() * 0.36);
    if (nBase == kFftBase) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(look.colour);
    } else {
        painter.setPen(QPen(look.colour, 1.5, bEmpty ? Qt::DashLine : Qt::SolidLine));
        painter.setBrush(Qt::NoBrush);
    }
    painter.drawPath(Glyph(nBase, rcGlyph));
    if (nBase == kRecBase) {
        // The recording dot.
        const double d = rcRight.height() * 0.22;
        painter.setPen(Qt::NoPen);
        painter.setBrush(look.colour);
        painter.drawEllipse(QRectF(rcRight.left() - d * 0.2, rcRight.top() + rcRight.height() * 0.12, d, d));
    }
    painter.restore();
}

void COscSlotButton::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    DrawPicture(painter, QRectF(rect()), m_nSlot, m_nPicture, isDown());
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = rect().adjusted(4, 4, -4, -4);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
    }
}
