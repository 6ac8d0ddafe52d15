#include "graph/CMeasurePanel.h"

#include "base/CPrintf.h"
#include "document/CSpanStatistics.h"

#include <QGridLayout>
#include <QLabel>

#include <cmath>

namespace {

constexpr int kRows = 8;
const QString kUnknown = QStringLiteral("-");

QString ValueText(double dValue, const QString& strUnit)
{
    const QString strNumber = CPrintf::Format("%.4f", dValue);
    return strUnit.isEmpty() ? strNumber : strNumber + QLatin1Char(' ') + strUnit;
}

} // namespace

CMeasurePanel::CMeasurePanel(QWidget* pParent)
    : QFrame(pParent)
{
    setObjectName(QStringLiteral("MeasurePanel"));
    setFrameShape(QFrame::Box);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(255, 255, 235));
    pal.setColor(QPalette::WindowText, Qt::black);
    setPalette(pal);
    auto* pGrid = new QGridLayout(this);
    pGrid->setContentsMargins(6, 4, 6, 4);
    pGrid->setHorizontalSpacing(10);
    pGrid->setVerticalSpacing(1);
    m_pTitle = new QLabel(this);
    QFont bold = m_pTitle->font();
    bold.setBold(true);
    m_pTitle->setFont(bold);
    pGrid->addWidget(m_pTitle, 0, 0, 1, 2);
    for (int i = 0; i < kRows; ++i) {
        auto* pLabel = new QLabel(this);
        auto* pValue = new QLabel(this);
        pValue->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        pValue->setTextInteractionFlags(Qt::TextSelectableByMouse);
        pGrid->addWidget(pLabel, i + 1, 0);
        pGrid->addWidget(pValue, i + 1, 1);
        m_rows.append(qMakePair(pLabel, pValue));
    }
}

QString CMeasurePanel::DurationText(double dSeconds)
{
    if (!std::isfinite(dSeconds) || dSeconds < 0)
        return kUnknown;
    if (dSeconds < 60.0)
        return CPrintf::Format("%.1f s", dSeconds);
    const qint64 nSeconds = qint64(std::llround(dSeconds));
    if (nSeconds < 3600)
        return CPrintf::Format("%d min %02d s", int(nSeconds / 60), int(nSeconds % 60));
    return CPrintf::Format("%lld h %02d min", nSeconds / 3600, int(nSeconds / 60 % 60));
}

void CMeasurePanel::SetFigures(const CSpanStatistics& st)
{
    const QString strUnit = st.unit.Display();
    const bool bFigures = st.nCount > 0;
    auto value = [&](double d) { return bFigures ? ValueText(d, strUnit) : kUnknown; };
    QString strSlope = kUnknown;
    if (std::isfinite(st.dSlope))
        strSlope = QString::number(st.dSlope, 'g', 4) + QLatin1Char(' ') + (strUnit.isEmpty() ? QString() : strUnit)
            + QStringLiteral("/s");
    QString strTitle = tr("Measure: readings %1 to %2").arg(st.nFirst + 1).arg(st.nLast + 1);
    if (st.nSkipped > 0 || st.nOverloads > 0)
        strTitle += QLatin1Char('\n') + tr("%1 overloads, %2 of another quantity left out").arg(st.nOverloads).arg(st.nSkipped);
    Show(strTitle, {{tr("Count"), QString::number(st.nCount)},
                    {tr("Minimum"), value(st.dMin)},
                    {tr("Maximum"), value(st.dMax)},
                    {tr("Average"), value(st.dAverage)},
                    {tr("Std. deviation"), value(st.dStdDev)},
                    {tr("Peak-to-peak"), value(st.dPeakToPeak)},
                    {tr("Duration"), DurationText(st.dDuration)},
                    {tr("Slope"), strSlope}});
}

void CMeasurePanel::SetPending(qint64 nFirst, qint64 nLast)
{
    Show(tr("Measure: readings %1 to %2").arg(nFirst + 1).arg(nLast + 1),
         {{tr("Count"), QString::number(nLast - nFirst + 1)}, {tr("Figures"), tr("when the button is released")}});
}

void CMeasurePanel::Show(const QString& strTitle, const QList<QPair<QString, QString>>& rows)
{
    m_pTitle->setText(strTitle);
    for (int i = 0; i < m_rows.size(); ++i) {
        const bool bUsed = i < rows.size();
        m_rows[i].first->setText(bUsed ? rows[i].first : QString());
        m_rows[i].second->setText(bUsed ? rows[i].second : QString());
        m_rows[i].first->setVisible(bUsed);
        m_rows[i].second->setVisible(bUsed);
    }
    adjustSize();
}

QStringList CMeasurePanel::Lines() const
{
    QStringList lines{m_pTitle->text()};
    for (const auto& [pLabel, pValue] : m_rows) {
        if (!pLabel->text().isEmpty())
            lines << pLabel->text() + QLatin1Char('\t') + pValue->text();
    }
    return lines;
}
