#pragma once

#include <QAbstractButton>

// One button of the stored-waveform list: a picture of its slot number and of
// what the slot holds, drawn rather than loaded. Its picture number follows the
// meter's scheme, base + slot: 270 nothing stored, 260 HOLD, 280 REC, 250 FFT,
// 292 SINGLE.
class COscSlotButton : public QAbstractButton
{
    Q_OBJECT
public:
    static constexpr int kEmptyBase = 270;
    static constexpr int kHoldBase = 260;
    static constexpr int kRecBase = 280;
    static constexpr int kFftBase = 250;
    static constexpr int kSingleBase = 292;

    COscSlotButton(int nSlot, QWidget* pParent = nullptr);

    int Slot() const { return m_nSlot; }
    int Picture() const { return m_nPicture; }
    // A button with nothing stored behind it cannot be clicked.
    void SetPicture(int nPicture);

    // Draws picture nPicture of slot nSlot into rc (also for a pressed button).
    static void DrawPicture(QPainter& painter, const QRectF& rc, int nSlot, int nPicture, bool bPressed);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* pEvent) override;

private:
    int m_nSlot;
    int m_nPicture;
};
