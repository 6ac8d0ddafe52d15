#include "graph/CColorSetting.h"

#include "app/CDocManager.h"
#include "document/CMyTalvaDoc.h"
#include "graph/CGraphDlg.h"
#include "link/CPrompt.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

const QSize kSwatchSize(48, 18);
const QString kTimeAxisKey = QStringLiteral("Graph/TimeAxis");

} // namespace

CColorSetting::CColorSetting(CPrompt& prompt, CMyTalvaDoc* pDoc, QWidget* pParent)
    : QDialog(pParent)
    , m_pickColor([this](const QColor& initial, const QString& strTitle) {
        return QColorDialog::getColor(initial, this, strTitle);
    })
    , m_prompt(prompt)
{
    setWindowTitle(tr("Settings"));
    CreateControls();
    // The preview shows the document with the chosen colours and takes no mouse input.
    m_preview->SetDocument(pDoc);
    m_preview->setEnabled(false);
}

CColorSetting::~CColorSetting() = default;

void CColorSetting::CreateControls()
{
    const QString arrTitles[kSlotCount] = {tr("Background Color"), tr("Border Color"), tr("Grid Color"),
                                           tr("Line Color"), tr("Point Color")};
    auto* pColors = new QGroupBox(tr("Color"), this);
    auto* pColorGrid = new QGridLayout(pColors);
    for (int nSlot = 0; nSlot < kSlotCount; ++nSlot) {
        m_pSwatches[nSlot] = new QLabel(this);
        m_pSwatches[nSlot]->setFixedSize(kSwatchSize);
        m_pSwatches[nSlot]->setFrameShape(QFrame::Box);
        m_pSwatches[nSlot]->setAutoFillBackground(true);
        m_pButtons[nSlot] = new QPushButton(QStringLiteral("..."), this);
        m_pButtons[nSlot]->setFixedWidth(32);
        m_pButtons[nSlot]->setToolTip(arrTitles[nSlot]);
        pColorGrid->addWidget(new QLabel(arrTitles[nSlot], this), nSlot, 0);
        pColorGrid->addWidget(m_pSwatches[nSlot], nSlot, 1);
        pColorGrid->addWidget(m_pButtons[nSlot], nSlot, 2);
        connect(m_pButtons[nSlot], &QPushButton::clicked, this, [this, nSlot] { PickColor(nSlot); });
    }

    auto* pPreviewFrame = new QFrame(this);
    pPreviewFrame->setFrameShape(QFrame::StyledPanel);
    auto* pPreviewLayout = new QVBoxLayout(pPreviewFrame);
    pPreviewLayout->setContentsMargins(1, 1, 1, 1);
    m_preview = new CGraphDlg(m_prompt, pPreviewFrame);
    m_preview->setMinimumSize(380, 240);
    pPreviewLayout->addWidget(m_preview);

    auto* pScale = new QGroupBox(tr("Y Scale"), this);
    m_pManual = new QRadioButton(tr("Manual"), pScale);
    m_pAuto = new QRadioButton(tr("Auto"), pScale);
    m_pMax = new QSpinBox(pScale);
    m_pMin = new QSpinBox(pScale);
    for (QSpinBox* pEdit : {m_pMax, m_pMin})
        pEdit->setRange(-kEditLimit, kEditLimit);
    auto* pScaleGrid = new QGridLayout(pScale);
    pScaleGrid->addWidget(m_pManual, 0, 0);
    pScaleGrid->addWidget(m_pAuto, 0, 1);
    pScaleGrid->addWidget(new QLabel(tr("Maximum"), pScale), 1, 0);
    pScaleGrid->addWidget(m_pMax, 1, 1);
    pScaleGrid->addWidget(new QLabel(tr("Minimum"), pScale), 2, 0);
    pScaleGrid->addWidget(m_pMin, 2, 1);
    connect(m_pManual, &QRadioButton::toggled, this, &CColorSetting::OnScaleMode);
    connect(m_pAuto, &QRadioButton::toggled, this, &CColorSetting::OnScaleMode);

    auto* pXAxis = new QGroupBox(tr("X Axis"), this);
    m_pReadingAxis = new QRadioButton(tr("Reading number"), pXAxis);
    m_pTimeAxis = new QRadioButton(tr("Meter time"), pXAxis);
    m_pTimeAxis->setToolTip(tr("The meter's clock; readings within one second spread across it"));
    auto* pXAxisLayout = new QHBoxLayout(pXAxis);
    pXAxisLayout->addWidget(m_pReadingAxis);
    pXAxisLayout->addWidget(m_pTimeAxis);
    connect(m_pTimeAxis, &QRadioButton::toggled, this, [this](bool bOn) {
        m_timeAxis = bOn;
        m_preview->SetTimeAxis(bOn);
    });

    m_pMarkPoints = new QCheckBox(tr("Mark Points"), this);
    connect(m_pMarkPoints, &QCheckBox::toggled, this, [this](bool bOn) {
        m_markPoints = bOn;
        m_preview->SetMarkPoints(bOn);
    });

    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(pButtons, &QDialogButtonBox::accepted, this, &CColorSetting::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &CColorSetting::reject);

    auto* pLeft = new QVBoxLayout;
    pLeft->addWidget(pColors);
    pLeft->addWidget(pScale);
    pLeft->addWidget(m_pMarkPoints);
    pLeft->addStretch();
    auto* pRight = new QVBoxLayout;
    pRight->addWidget(pPreviewFrame, 1);
    pRight->addWidget(pXAxis);
    auto* pTop = new QHBoxLayout;
    pTop->addLayout(pLeft);
    pTop->addLayout(pRight, 1);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pTop, 1);
    pLayout->addWidget(pButtons);
}

void CColorSetting::TakeFrom(const CGraphDlg& graph)
{
    m_colors = graph.Colors();
    m_markPoints = graph.MarkPoints();
    m_timeAxis = graph.IsTimeAxis();
    const CGraphScaleChoice& choice = graph.ScaleChoice();
    m_autoScale = choice.m_autoScale;
    m_maxEdit = choice.m_maxEdit;
    m_minEdit = choice.m_minEdit;
    m_preview->SetTimeAxis(m_timeAxis);
    m_preview->SetYRange(graph.YMax(), graph.YMin());
    InitControls();
}

void CColorSetting::InitControls()
{
    m_preview->SetColors(m_colors);
    m_preview->SetMarkPoints(m_markPoints);
    for (int nSlot = 0; nSlot < kSlotCount; ++nSlot)
        ShowSwatch(nSlot);
    m_pMarkPoints->setChecked(m_markPoints);
    (m_timeAxis ? m_pTimeAxis : m_pReadingAxis)->setChecked(true);
    m_pMax->setValue(m_maxEdit);
    m_pMin->setValue(m_minEdit);
    (m_autoScale ? m_pAuto : m_pManual)->setChecked(true);
    OnScaleMode();
}

bool CColorSetting::RememberedTimeAxis()
{
    return QSettings(CDocManager::SettingsPath(), QSettings::IniFormat).value(kTimeAxisKey, false).toBool();
}

void CColorSetting::RememberTimeAxis(bool bTime)
{
    QSettings(CDocManager::SettingsPath(), QSettings::IniFormat).setValue(kTimeAxisKey, bTime);
}

void CColorSetting::showEvent(QShowEvent* pEvent)
{
    // The dialog's initialisation: whatever the caller put into the fields shows.
    if (!m_bInitialised) {
        m_bInitialised = true;
        InitControls();
    }
    QDialog::showEvent(pEvent);
}

void CColorSetting::OnScaleMode()
{
    const bool bManual = m_pManual->isChecked();
    m_pMax->setEnabled(bManual);
    m_pMin->setEnabled(bManual);
    m_autoScale = !bManual;
}

QColor& CColorSetting::ColorOf(int nSlot)
{
    switch (nSlot) {
    case kBorder:
        return m_colors.m_borderColor;
    case kGrid:
        return m_colors.m_gridColor;
    case kLine:
        return m_colors.m_lineColor;
    case kPoint:
        return m_colors.m_pointColor;
    default:
        return m_colors.m_bkColor;
    }
}

void CColorSetting::ShowSwatch(int nSlot)
{
    QLabel* pSwatch = m_pSwatches[nSlot];
    const QColor color = ColorOf(nSlot);
    if (nSlot == kLine) {
        // The line colour shows as a 2-pixel line across the middle of its sample.
        QPixmap sample(pSwatch->contentsRect().size());
        sample.fill(palette().color(QPalette::Window));
        QPainter painter(&sample);
        painter.fillRect(QRect(0, sample.height() / 2 - 1, sample.width(), 2), color);
        painter.end();
        pSwatch->setPixmap(sample);
        return;
    }
    QPalette pal = pSwatch->palette();
    pal.setColor(QPalette::Window, color);
    pSwatch->setPalette(pal);
}

void CColorSetting::PickColor(int nSlot)
{
    if (nSlot < 0 || nSlot >= kSlotCount)
        return;
    const QColor color = m_pickColor(QColor(Qt::black), m_pButtons[nSlot]->toolTip());
    if (!color.isValid())
        return;
    ColorOf(nSlot) = color;
    ShowSwatch(nSlot);
    m_preview->SetColors(m_colors);
}

void CColorSetting::accept()
{
    m_maxEdit = m_pMax->value();
    m_minEdit = m_pMin->value();
    m_markPoints = m_pMarkPoints->isChecked();
    m_timeAxis = m_pTimeAxis->isChecked();
    m_autoScale = !m_pManual->isChecked();
    if (m_minEdit < m_maxEdit) {
        m_maxValue = m_maxEdit;
        m_minValue = m_minEdit;
        QDialog::accept();
        return;
    }
    m_prompt.Message(tr("The Maxinum should large than the Mininum"), tr("Tip"), CPrompt::Warning);
}

void CColorSetting::ApplyTo(CGraphDlg& graph) const
{
    graph.SetColors(m_colors);
    graph.SetMarkPoints(m_markPoints);
    if (graph.IsTimeAxis() != m_timeAxis) {
        graph.SetTimeAxis(m_timeAxis);
        RememberTimeAxis(m_timeAxis);
    }
    if (m_minValue > m_maxValue)
        return;
    CGraphScaleChoice& choice = graph.ScaleChoice();
    choice.m_autoScale = m_autoScale;
    if (m_autoScale) {
        const CMyTalvaDoc* pDoc = graph.Document();
        // Without a reading in the statistics there is nothing to scale to.
        if (!pDoc || pDoc->m_dMax < pDoc->m_dMin)
            return;
        double d = (pDoc->m_dMax - pDoc->m_dMin) / 10;
        if (d == 0.0)
            d = 0.01;
        graph.SetYRange(pDoc->m_dMax + d, pDoc->m_dMin - d);
    } else {
        choice.m_maxEdit = m_maxEdit;
        choice.m_minEdit = m_minEdit;
        graph.SetYRange(m_maxEdit, m_minEdit);
    }
}
