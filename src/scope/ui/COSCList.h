#pragma once

#include <QWidget>

#include <array>

class COscSlotButton;

// The stored-waveform list: ten picture buttons, one for each waveform slot
// of the meter (1..10), each showing what its slot holds. A click on a slot
// that holds something asks for it to be shown. Shown in the meter panel while
// the meter is in oscilloscope mode. GUI thread only.
class COSCList : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kSlots = 10;
    static constexpr int kFirstButtonId = 1053; // the button of slot 1; slot n is 1052 + n

    // The picture of slot nSlot's button for a status: slot + 270 for nothing
    // stored, + 260 HOLD, + 280 REC, + 250 FFT, + 292 SINGLE, + 270 for any other.
    static int PictureFor(int nStatus, int nSlot);

    explicit COSCList(QWidget* pParent = nullptr);

    // The button of nSlot (1..10) shows nStatus; other slots are ignored.
    void UpdateSlotButton(int nStatus, int nSlot);

    // The picture and the button of slot nSlot (1..10); 0 and null for others.
    int Picture(int nSlot) const;
    COscSlotButton* Button(int nSlot) const;

signals:
    void SlotClicked(int nSlot);

private:
    std::array<COscSlotButton*, kSlots> m_buttons{};
};
