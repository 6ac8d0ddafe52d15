#include "fft/ui/CFFTDlg.h"

#include "base/CPrintf.h"
#include "document/CMyTalvaDoc.h"
#include "document/CReadingTimes.h"
#include "fft/CFFTAnalysis.h"
#include "fft/ui/CFFTGraph.h"
#include "link/CPrompt.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>
#include <limits>

CFFTDlg::CFFTDlg(CMyTalvaDoc* pDoc, int nStart, int nFinish, CPrompt& prompt, QWidget* pParent,
                 std::unique_ptr<CFFTAnalysis> pAnalysis)
    : QDialog(pParent)
    , m_start(nStart)
    , m_finish(nFinish)
    , m_pDoc(pDoc)
    , m_prompt(prompt)
    , m_pAnalysis(pAnalysis ? std::move(pAnalysis) : std::make_unique<CFFTAnalysis>())
{
    setWindowTitle(tr("FFT Analysis"));
    m_bFailed = !m_pAnalysis->Allocate();
    CreateControls();
    FillControls();
    resize(820, 560);
}

CFFTDlg::~CFFTDlg() = default;

bool CFFTDlg::IsReady() const
{
    return !m_bFailed;
}

void CFFTDlg::CreateControls()
{
    auto readOnly = [this] {
        auto* pEdit = new QLineEdit(this);
        pEdit->setReadOnly(true);
        return pEdit;
    };
    m_pStartTime = readOnly();
    m_pFinishTime = readOnly();
    m_pNumber = readOnly();
    m_pSize = new QComboBox(this);
    m_pFilter = new QComboBox(this);
    m_pPower = new QRadioButton(tr("Power Spectrum"), this);
    m_pFrequency = new QRadioButton(tr("Frequency Spectrum"), this);
    m_pRun = new QPushButton(tr("Run"), this);
    m_pClose = new QPushButton(tr("Close"), this);
    m_pGraph = new CFFTGraph(this);
    m_pGraph->SetAnalysis(m_pAnalysis.get());

    auto* pGrid = new QGridLayout;
    pGrid->addWidget(new QLabel(tr("Start Time"), this), 0, 0);
    pGrid->addWidget(m_pStartTime, 0, 1);
    pGrid->addWidget(new QLabel(tr("Finish Time"), this), 0, 2);
    pGrid->addWidget(m_pFinishTime, 0, 3);
    pGrid->addWidget(new QLabel(tr("Number"), this), 0, 4);
    pGrid->addWidget(m_pNumber, 0, 5);
    pGrid->addWidget(new QLabel(tr("FFT size"), this), 1, 0);
    pGrid->addWidget(m_pSize, 1, 1);
    pGrid->addWidget(new QLabel(tr("Filter"), this), 1, 2);
    pGrid->addWidget(m_pFilter, 1, 3);
    auto* pKind = new QHBoxLayout;
    pKind->addWidget(m_pPower);
    pKind->addWidget(m_pFrequency);
    pGrid->addLayout(pKind, 1, 4, 1, 2);
    pGrid->setColumnStretch(1, 2);
    pGrid->setColumnStretch(3, 2);
    pGrid->setColumnStretch(5, 1);

    auto* pButtons = new QVBoxLayout;
    pButtons->addWidget(m_pRun);
    pButtons->addWidget(m_pClose);
    pButtons->addStretch();
    auto* pTop = new QHBoxLayout;
    pTop->addLayout(pGrid, 1);
    pTop->addLayout(pButtons);

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pTop);
    pLayout->addWidget(m_pGraph, 1);

    m_pRun->setDefault(true);
    connect(m_pRun, &QPushButton::clicked, this, &CFFTDlg::OnRun);
    connect(m_pClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_pPower, &QRadioButton::toggled, this, [this](bool bOn) { m_powerSpectrum = bOn; });
}

void CFFTDlg::FillControls()
{
    m_pPower->setChecked(m_powerSpectrum);
    m_pFrequency->setChecked(!m_powerSpectrum);
    for (int nSize : CFFTAnalysis::Sizes())
        m_pSize->addItem(QString::number(nSize), nSize);
    m_pFilter->addItems({tr("None"), tr("Hamming"), tr("Hanning"), tr("Triangle"), tr("Blackman"),
                         tr("4 term Blackman-Harris")});
    m_pSize->setCurrentIndex(0);
    m_pFilter->setCurrentIndex(0);

    const CRecordArray* pReadings = m_pDoc ? &m_pDoc->m_arrData[0] : nullptr;
    auto timeOf = [pReadings](int nIndex) {
        if (!pReadings || nIndex < 0 || nIndex >= pReadings->size())
            return QString();
        return pReadings->Time(nIndex);
    };
    m_pStartTime->setText(timeOf(m_start));
    m_pFinishTime->setText(timeOf(m_finish));
    m_pNumber->setText(CPrintf::Format("%d", m_finish - m_start + 1));
    m_pGraph->SetSampleInterval(SampleInterval());
}

double CFFTDlg::SampleInterval() const
{
    // The readings' own times, else the logger's sample interval.
    if (!m_pDoc || m_finish <= m_start)
        return std::numeric_limits<double>::quiet_NaN();
    const CReadingTimes& times = m_pDoc->Times();
    const double dSpan = times.At(m_finish) - times.At(m_start);
    if (std::isfinite(dSpan) && dSpan > 0.0)
        return dSpan / (m_finish - m_start);
    const CRecordArray& arr = m_pDoc->m_arrData[0];
    const bool bFirst = m_start >= 0 && m_start < arr.size() && !arr.IsNull(m_start);
    return bFirst && arr.SampleRate(m_start) > 0.0 ? arr.SampleRate(m_start) : std::numeric_limits<double>::quiet_NaN();
}

void CFFTDlg::ReportNoMemory(const QString& strText)
{
    m_prompt.Message(strText, windowTitle(), CPrompt::Critical);
}

int CFFTDlg::exec()
{
    if (m_bFailed) {
        ReportNoMemory(CFFTAnalysis::NoMemoryText());
        setResult(Rejected);
        return Rejected;
    }
    return QDialog::exec();
}

void CFFTDlg::showEvent(QShowEvent* pEvent)
{
    QDialog::showEvent(pEvent);
    // Shown without exec(): still never offer a dialog that cannot work.
    if (m_bFailed) {
        QTimer::singleShot(0, this, [this] {
            ReportNoMemory(CFFTAnalysis::NoMemoryText());
            reject();
        });
    }
}

void CFFTDlg::OnRun()
{
    if (m_bFailed)
        return;
    static const QList<CObData*> kNoReadings;
    QString strError;
    const int nSize = m_pSize->currentData().toInt();
    const int nWindow = m_pFilter->currentIndex() - 1;
    // The readings in the document's unit.
    const CFFTAnalysis::Outcome outcome =
        m_pDoc ? m_pAnalysis->Run(m_pDoc->Summary(), m_start, m_finish, nSize, nWindow, m_powerSpectrum, &strError)
               : m_pAnalysis->Run(kNoReadings, m_start, m_finish, nSize, nWindow, m_powerSpectrum, &strError);
    m_pGraph->update();
    switch (outcome) {
    case CFFTAnalysis::Done:
        break;
    case CFFTAnalysis::Refused:
        m_prompt.Message(strError, windowTitle(), CPrompt::Warning);
        break;
    case CFFTAnalysis::NoMemory:
        ReportNoMemory(strError);
        reject();
        break;
    }
}
