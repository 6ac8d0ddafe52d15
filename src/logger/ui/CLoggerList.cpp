#include "logger/ui/CLoggerList.h"

#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

CLoggerList::CLoggerList(QWidget* pParent)
    : QWidget(pParent)
    , m_pList(new QTableWidget(0, kColumnCount, this))
{
    auto* pLayout = new QVBoxLayout(this);
    pLayout->setContentsMargins(0, 0, 0, 0);
    pLayout->addWidget(m_pList);

    m_pList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pList->setShowGrid(true);
    m_pList->setWordWrap(false);
    m_pList->setCornerButtonEnabled(false);
    m_pList->verticalHeader()->hide();
    m_pList->verticalHeader()->setDefaultSectionSize(m_pList->fontMetrics().height() + 6);
    QHeaderView* pHeader = m_pList->horizontalHeader();
    pHeader->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    pHeader->setHighlightSections(false);
    pHeader->setStretchLastSection(true);
    for (int nColumn = 0; nColumn < kColumnCount; ++nColumn) {
        m_pList->setHorizontalHeaderItem(nColumn, new QTableWidgetItem(ColumnTitle(nColumn)));
        pHeader->resizeSection(nColumn, ColumnWidth(nColumn));
    }
    // Double-click or Enter.
    connect(m_pList, &QAbstractItemView::activated, this,
            [this](const QModelIndex& index) { OnRowActivated(index.row()); });
}

QString CLoggerList::ColumnTitle(int nColumn)
{
    switch (nColumn) {
    case kFunction: return QStringLiteral("Funtion");
    case kStart: return QStringLiteral("Record Time");
    case kDataPoints: return QStringLiteral("Data Points");
    case kInterval: return QStringLiteral("SampleRate(sec.)");
    case kAddress: return QStringLiteral("Record Address");
    default: return {};
    }
}

int CLoggerList::ColumnWidth(int nColumn)
{
    static constexpr int kWidths[kColumnCount] = {53, 130, 70, 105, 95};
    return nColumn >= 0 && nColumn < kColumnCount ? kWidths[nColumn] : 0;
}

int CLoggerList::RowCount() const
{
    return m_pList->rowCount();
}

void CLoggerList::Clear()
{
    m_pList->setRowCount(0);
}

void CLoggerList::AddRow(const LoggerListData& entry, bool bComplete)
{
    const int nRow = m_pList->rowCount();
    m_pList->insertRow(nRow);
    const QString texts[kColumnCount] = {entry.m_strFunction, entry.m_strStart, QString::number(entry.m_nDataPoints),
                                         QString::number(entry.m_nInterval), QString::number(entry.m_nAddress)};
    for (int nColumn = 0; nColumn < kColumnCount; ++nColumn) {
        auto* pItem = new QTableWidgetItem(texts[nColumn]);
        pItem->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        if (!bComplete)
            pItem->setToolTip(tr("The download ended during this recording: %1 samples were kept.")
                                  .arg(entry.m_nDataPoints));
        m_pList->setItem(nRow, nColumn, pItem);
    }
}

int CLoggerList::AddressOfRow(int nRow) const
{
    const QTableWidgetItem* pItem = nRow >= 0 && nRow < m_pList->rowCount() ? m_pList->item(nRow, kAddress) : nullptr;
    if (!pItem)
        return -1;
    bool bOk = false;
    const int nAddress = pItem->text().trimmed().toInt(&bOk);
    return bOk && nAddress >= 0 ? nAddress : -1;
}

void CLoggerList::OnRowActivated(int nRow)
{
    const int nAddress = AddressOfRow(nRow);
    if (nAddress >= 0)
        emit ShowRecording(nAddress);
}
