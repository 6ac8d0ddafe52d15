#pragma once

#include "panel/CPanelState.h"

#include <QPixmap>
#include <QWidget>

// The "Display" page: the meter panel. Draws the panel copy of the latest
// reading in its layout, the function picture of the display mode, or the
// no-data picture. Scales the 300 x 700 panel to the page, keeping its shape.
// GUI thread only: the protocol's signals reach it queued, by value.
class CLeftDlg : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kOscilloscopeLayout = 10;

    explicit CLeftDlg(QWidget* pParent = nullptr);

    // The decoder's show operation: a reading in layout 1..7.
    void ShowReading(int nLayout, const MeterReading& panel);
    void SetDisplayMode(int nMode);
    // Any other layout: 10 while the meter is in oscilloscope mode, -1 for no data.
    void SetLayout(int nLayout);
    // No data: display mode 0, layout -1.
    void Blank();
    // The link is gone: the last reading stays, veiled and marked "LINK LOST",
    // until the next reading or Blank().
    void SetStale(bool bStale);
    bool IsStale() const { return m_bStale; }
    static QString StaleText() { return QStringLiteral("LINK LOST"); }
    // The stored-waveform list: the panel takes it as a child and shows it over
    // the display area while the meter is in oscilloscope mode (layout 10).
    void SetOscList(QWidget* pList);

    const CPanelState& State() const { return m_state; }
    int DisplayMode() const { return m_state.m_nDisplayMode; }
    int Layout() const { return m_state.m_nLayout; }
    // The display area (the instrument's screen) in widget pixels.
    QRect DisplayArea() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // A reading has been taken in and its repaint scheduled.
    void ReadingShown(int nLayout);

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;

private:
    // Widget pixels per panel pixel, and where the panel's origin lies.
    double Scale() const;
    QPointF Origin() const;
    QRect DisplayRect() const;
    void UpdateFace();
    void UpdateOscList();

    CPanelState m_state;
    QPixmap m_face;          // body and dial for m_nFaceMode at the current size
    int m_nFaceMode = -1;
    QWidget* m_pOscList = nullptr;
    bool m_bStale = false;
};
