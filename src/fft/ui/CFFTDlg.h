#pragma once

#include "fft/CFFTAnalysis.h"

#include <QDialog>

#include <memory>

class CFFTGraph;
class CMyTalvaDoc;
class CPrompt;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

// "FFT Analysis": spectra of the readings m_start .. m_finish of a document, opened modally by
// the trend graph's FFT range tool. When its buffers cannot be allocated it tells the user
// and closes at once; it never ends the program.
class CFFTDlg : public QDialog
{
    Q_OBJECT
public:
    // pDoc is not owned and is read on the GUI thread only. pAnalysis replaces the default
    // analysis (tests use it to make allocation fail).
    CFFTDlg(CMyTalvaDoc* pDoc, int nStart, int nFinish, CPrompt& prompt, QWidget* pParent = nullptr,
            std::unique_ptr<CFFTAnalysis> pAnalysis = nullptr);
    ~CFFTDlg() override;

    // Runs the dialog, or reports a failed allocation and returns Rejected without showing it.
    int exec() override;

    // "Run": analyses the readings with the chosen size, filter and spectrum, then repaints.
    // A transform that cannot get its memory is reported and closes the dialog.
    void OnRun();

    int Start() const { return m_start; }
    // The readings' interval in seconds, from their times (or the logger's sample interval);
    // NaN when unknown. The graph's frequency axis follows it.
    double SampleInterval() const;
    int Finish() const { return m_finish; }
    bool IsReady() const;
    const CFFTAnalysis& Analysis() const { return *m_pAnalysis; }
    QLineEdit* StartTimeEdit() const { return m_pStartTime; }
    QLineEdit* FinishTimeEdit() const { return m_pFinishTime; }
    QLineEdit* NumberEdit() const { return m_pNumber; }
    QComboBox* SizeBox() const { return m_pSize; }
    QComboBox* FilterBox() const { return m_pFilter; }
    QRadioButton* PowerButton() const { return m_pPower; }
    QRadioButton* FrequencyButton() const { return m_pFrequency; }
    QPushButton* RunButton() const { return m_pRun; }
    CFFTGraph* Graph() const { return m_pGraph; }

protected:
    void showEvent(QShowEvent* pEvent) override;

private:
    void CreateControls();
    void FillControls();
    void ReportNoMemory(const QString& strText);

    int m_start;
    int m_finish;
    CMyTalvaDoc* m_pDoc;
    CPrompt& m_prompt;
    bool m_powerSpectrum = true;
    std::unique_ptr<CFFTAnalysis> m_pAnalysis;
    bool m_bFailed = false; //!< the buffers could not be allocated

    QLineEdit* m_pStartTime = nullptr;
    QLineEdit* m_pFinishTime = nullptr;
    QLineEdit* m_pNumber = nullptr;
    QComboBox* m_pSize = nullptr;
    QComboBox* m_pFilter = nullptr;
    QRadioButton* m_pPower = nullptr;
    QRadioButton* m_pFrequency = nullptr;
    QPushButton* m_pRun = nullptr;
    QPushButton* m_pClose = nullptr;
    CFFTGraph* m_pGraph = nullptr;
};
