#pragma once

#include "draw/CGraphColors.h"

#include <QDialog>

#include <functional>

class CGraphDlg;
class CMyTalvaDoc;
class CPrompt;
class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;

// "Settings": the graph's five colours, its point marks, the y scaling (manual limits, or
// automatic limits from the recorded data) and the x axis (reading numbers or the meter's
// time, remembered for the graphs that open next), with a live preview of the document's graph.
// The fields are plain: the caller fills them (TakeFrom) before the dialog runs and reads
// them (ApplyTo) after OK.
class CColorSetting : public QDialog
{
    Q_OBJECT
public:
    static constexpr int kEditLimit = 5000; //!< the edits take -5000 .. 5000
    enum ColorSlot { kBackground, kBorder, kGrid, kLine, kPoint, kSlotCount };

    // pDoc (not owned) is what the preview draws.
    CColorSetting(CPrompt& prompt, CMyTalvaDoc* pDoc, QWidget* pParent = nullptr);
    ~CColorSetting() override;

    // Copies the graph's colours, marks, scaling choice and y limits in.
    void TakeFrom(const CGraphDlg& graph);
    // After OK: the graph takes the colours and marks, and the y limits of the chosen scaling.
    void ApplyTo(CGraphDlg& graph) const;

    // OK: accepted only when Minimum < Maximum (in both scaling modes).
    void accept() override;
    // A colour button: the colour dialog, and on OK the swatch and the preview follow.
    void PickColor(int nSlot);

    // The x axis last chosen (in multimeter.ini beside the recent files): new graphs start with it.
    static bool RememberedTimeAxis();
    static void RememberTimeAxis(bool bTime);

    // Asks the user for a colour (initial colour, dialog title); an invalid colour is Cancel.
    // The colour dialog by default; tests replace it.
    std::function<QColor(const QColor&, const QString&)> m_pickColor;

    CGraphColors m_colors;
    bool m_autoScale = true;
    bool m_markPoints = true;
    bool m_timeAxis = false; //!< x as the meter's time instead of reading numbers
    double m_maxValue = 0.0; //!< the limits accepted by OK
    double m_minValue = 0.0;
    int m_maxEdit = 0;
    int m_minEdit = 0;

    CGraphDlg* Preview() const { return m_preview; }
    QPushButton* ColorButton(int nSlot) const { return m_pButtons[nSlot]; }
    QLabel* Swatch(int nSlot) const { return m_pSwatches[nSlot]; }
    QRadioButton* ManualButton() const { return m_pManual; }
    QRadioButton* AutoButton() const { return m_pAuto; }
    QSpinBox* MaxEdit() const { return m_pMax; }
    QSpinBox* MinEdit() const { return m_pMin; }
    QCheckBox* MarkPointsBox() const { return m_pMarkPoints; }
    QRadioButton* ReadingAxisButton() const { return m_pReadingAxis; }
    QRadioButton* TimeAxisButton() const { return m_pTimeAxis; }

protected:
    void showEvent(QShowEvent* pEvent) override;

private:
    void CreateControls();
    void InitControls();
    void ShowSwatch(int nSlot);
    QColor& ColorOf(int nSlot);
    void OnScaleMode();

    CPrompt& m_prompt;
    CGraphDlg* m_preview = nullptr;
    QPushButton* m_pButtons[kSlotCount] = {};
    QLabel* m_pSwatches[kSlotCount] = {};
    QRadioButton* m_pManual = nullptr;
    QRadioButton* m_pAuto = nullptr;
    QSpinBox* m_pMax = nullptr;
    QSpinBox* m_pMin = nullptr;
    QCheckBox* m_pMarkPoints = nullptr;
    QRadioButton* m_pReadingAxis = nullptr;
    QRadioButton* m_pTimeAxis = nullptr;
    bool m_bInitialised = false;
};
