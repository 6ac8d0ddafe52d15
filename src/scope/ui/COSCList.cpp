#include "scope/ui/COSCList.h"

#include "scope/ui/COscSlotButton.h"

#include <QGridLayout>

int COSCList::PictureFor(int nStatus, int nSlot)
{
    switch (nStatus) {
    case 1: return nSlot + COscSlotButton::kHoldBase;
    case 2: return nSlot + COscSlotButton::kRecBase;
    case 3: return nSlot + COscSlotButton::kFftBase;
    case 4: return nSlot + COscSlotButton::kSingleBase;
    default: return nSlot + COscSlotButton::kEmptyBase;
    }
}

COSCList::COSCList(QWidget* pParent)
    : QWidget(pParent)
{
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(100, 100, 100));
    setPalette(palette);
    setAutoFillBackground(true);
    setAccessibleName(QStringLiteral("Stored waveforms"));

    // Two columns of five, slots 1..5 on the left as the meter counts them.
    auto* pGrid = new QGridLayout(this);
    pGrid->setContentsMargins(6, 6, 6, 6);
    pGrid->setSpacing(6);
    for (int nSlot = 1; nSlot <= kSlots; ++nSlot) {
        auto* pButton = new COscSlotButton(nSlot, this);
        pButton->setObjectName(QStringLiteral("slot%1").arg(kFirstButtonId + nSlot - 1));
        pGrid->addWidget(pButton, (nSlot - 1) % 5, (nSlot - 1) / 5);
        connect(pButton, &QAbstractButton::clicked, this, [this, nSlot] { emit SlotClicked(nSlot); });
        m_buttons[size_t(nSlot - 1)] = pButton;
        UpdateSlotButton(0, nSlot);
    }
}

void COSCList::UpdateSlotButton(int nStatus, int nSlot)
{
    if (COscSlotButton* pButton = Button(nSlot))
        pButton->SetPicture(PictureFor(nStatus, nSlot));
}

int COSCList::Picture(int nSlot) const
{
    const COscSlotButton* pButton = Button(nSlot);
    return pButton ? pButton->Picture() : 0;
}

COscSlotButton* COSCList::Button(int nSlot) const
{
    return nSlot >= 1 && nSlot <= kSlots ? m_buttons[size_t(nSlot - 1)] : nullptr;
}
