#include "document/ui/CDataListModel.h"

#include "base/CPrintf.h"
#include "document/CMyTalvaDoc.h"

#include <array>
#include <climits>

namespace {

struct CColumn
{
    const char* pszTitle;
    int nWidth;
};

constexpr std::array<CColumn, CDataListModel::kColumnCount> kColumns = {{
    {"ID", 70}, {"Data Time", 150}, {"Unit", 80}, {"Value", 80}, {"Type", 80}, {"Remark", 60},
}};

int ClampedRows(qsizetype nRows)
{
    return int(qMin<qsizetype>(nRows, INT_MAX));
}

} // namespace

CDataListModel::CDataListModel(QObject* pParent)
    : QAbstractTableModel(pParent)
{
}

void CDataListModel::SetDocument(CMyTalvaDoc* pDoc)
{
    if (m_pDoc)
        disconnect(m_pDoc, nullptr, this, nullptr);
    beginResetModel();
    m_pDoc = pDoc;
    m_remarks.clear();
    Rebuild();
    endResetModel();
    if (m_pDoc) {
        connect(m_pDoc, &CMyTalvaDoc::RecordAdded, this, &CDataListModel::Sync);
        connect(m_pDoc, &CMyTalvaDoc::Changed, this, &CDataListModel::Sync);
        connect(m_pDoc, &QObject::destroyed, this, [this] { SetDocument(nullptr); });
    }
}

void CDataListModel::SetOverloadRule(OverloadRule rule)
{
    if (rule == m_rule)
        return;
    m_rule = rule;
    if (rowCount() > 0)
        emit dataChanged(index(0, kValue), index(rowCount() - 1, kValue));
}

QString CDataListModel::ColumnTitle(int nColumn)
{
    return nColumn >= 0 && nColumn < kColumnCount ? QString::fromLatin1(kColumns[size_t(nColumn)].pszTitle)
                                                  : QString();
}

int CDataListModel::ColumnWidth(int nColumn)
{
    return nColumn >= 0 && nColumn < kColumnCount ? kColumns[size_t(nColumn)].nWidth : 0;
}

QString CDataListModel::ValueText(double dValue, OverloadRule rule)
{
    bool bOverload = false;
    switch (rule) {
    case OverloadRule::Live:
        bOverload = CObData::IsOverload(dValue);
        break;
    case OverloadRule::Imported:
        bOverload = dValue >= CObData::kOverload || dValue <= -CObData::kOverload;
        break;
    case OverloadRule::Loaded:
        bOverload = dValue == CObData::kOverload;
        break;
    case OverloadRule::None:
        break;
    }
    return bOverload ? QStringLiteral("OL") : CPrintf::Format("%.4f", dValue);
}

int CDataListModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return ClampedRows(m_bMapped ? qsizetype(m_rows.size()) : m_nListed);
}

int CDataListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

std::optional<CObData> CDataListModel::RecordAt(int nRow, int* pnArray) const
{
    if (!m_pDoc || nRow < 0 || nRow >= rowCount())
        return std::nullopt;
    int nArray = 0;
    qsizetype nPosition = nRow;
    if (m_bMapped) {
        nArray = m_rows[size_t(nRow)].nArray;
        nPosition = m_rows[size_t(nRow)].nPosition;
    }
    if (pnArray)
        *pnArray = nArray;
    const CRecordArray& arr = m_pDoc->m_arrData[nArray];
    return nPosition < arr.size() ? arr.Record(nPosition) : std::nullopt;
}

QString CDataListModel::Text(int nRow, int nColumn) const
{
    if (nColumn == kId)
        return QString::number(nRow + 1);
    int nArray = 0;
    const std::optional<CObData> pOb = RecordAt(nRow, &nArray);
    if (!pOb)
        return QString();
    switch (nColumn) {
    case kTime:
        return pOb->m_strTime;
    case kUnit:
        return pOb->m_strUnit;
    case kValue:
        return ValueText(pOb->m_dValue, m_rule);
    case kType:
        return pOb->m_strType;
    case kRemark: {
        const auto it = nArray == 0 ? m_remarks.find(m_bMapped ? m_rows[size_t(nRow)].nPosition : nRow) : m_remarks.end();
        return it == m_remarks.end() ? QString() : it->second;
    }
    default:
        return QString();
    }
}

QVariant CDataListModel::data(const QModelIndex& index, int nRole) const
{
    if (nRole != Qt::DisplayRole || !index.isValid())
        return QVariant();
    return Text(index.row(), index.column());
}

QVariant CDataListModel::headerData(int nSection, Qt::Orientation orientation, int nRole) const
{
    if (nRole != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Horizontal)
        return ColumnTitle(nSection);
    return nSection + 1;
}

void CDataListModel::ResetRows()
{
    beginResetModel();
    Rebuild();
    endResetModel();
}

void CDataListModel::Rebuild()
{
    m_rows.clear();
    m_secondaries.clear();
    m_primaries.clear();
    m_nPrimary = 0;
    m_nSecondary = 0;
    m_nListed = 0;
    m_bMapped = false;
    if (!m_pDoc)
        return;
    const CRecordArray& arrSecondary = m_pDoc->m_arrData[1];
    if (arrSecondary.isEmpty()) {
        m_nPrimary = m_nListed = m_pDoc->m_arrData[0].size();
        return;
    }
    m_bMapped = true;
    for (qsizetype j = 0; j < arrSecondary.size(); ++j) {
        if (!arrSecondary.IsNull(j))
            m_secondaries[arrSecondary.Index(j)].push_back(qint32(j));
    }
    m_nSecondary = arrSecondary.size();
    for (qsizetype k = 0; k < m_pDoc->m_arrData[0].size(); ++k)
        AppendPrimary(k, m_rows);
}

void CDataListModel::StartMapping()
{
    // The rows so far are the primaries alone; from here on they are listed one by one.
    m_bMapped = true;
    m_rows.reserve(size_t(m_nListed) + 16);
    const CRecordArray& arr = m_pDoc->m_arrData[0];
    for (qsizetype k = 0; k < m_nListed; ++k) {
        m_rows.push_back({qint32(k), 0});
        if (!arr.IsNull(k))
            ++m_primaries[arr.Index(k)];
    }
}

void CDataListModel::AppendPrimary(qsizetype nPosition, std::vector<CRowRef>& rows)
{
    const CRecordArray& arr = m_pDoc->m_arrData[0];
    rows.push_back({qint32(nPosition), 0});
    if (!arr.IsNull(nPosition)) {
        const qint32 nIndex = arr.Index(nPosition);
        ++m_primaries[nIndex];
        const auto it = m_secondaries.find(nIndex);
        if (it != m_secondaries.end()) {
            for (qint32 j : it->second)
                rows.push_back({j, 1});
        }
    }
    m_nPrimary = nPosition + 1;
}

bool CDataListModel::AppendSecondary(qsizetype nPosition, std::vector<CRowRef>& rows)
{
    const CRecordArray& arrSecondary = m_pDoc->m_arrData[1];
    m_nSecondary = nPosition + 1;
    if (arrSecondary.IsNull(nPosition))
        return true;
    const qint32 nIndex = arrSecondary.Index(nPosition);
    m_secondaries[nIndex].push_back(qint32(nPosition));
    const auto it = m_primaries.find(nIndex);
    if (it == m_primaries.end() || it->second == 0)
        return true; // no primary carries its number (yet): not listed
    const CRecordArray& arr = m_pDoc->m_arrData[0];
    const bool bLast = m_nPrimary > 0 && !arr.IsNull(m_nPrimary - 1);
    if (it->second != 1 || !bLast || arr.Index(m_nPrimary - 1) != nIndex)
        return false; // it belongs under an earlier row
    rows.push_back({qint32(nPosition), 1});
    return true;
}

void CDataListModel::Sync()
{
    if (!m_pDoc) {
        if (rowCount() > 0)
            ResetRows();
        return;
    }
    const qsizetype nPrimary = m_pDoc->m_arrData[0].size();
    const qsizetype nSecondary = m_pDoc->m_arrData[1].size();
    if (nPrimary < m_nPrimary || nSecondary < m_nSecondary) {
        ResetRows();
        return;
    }
    if (nPrimary == m_nPrimary && nSecondary == m_nSecondary)
        return;
    const int nOldRows = rowCount();
    if (!m_bMapped && nSecondary == 0) {
        beginInsertRows(QModelIndex(), nOldRows, ClampedRows(nPrimary) - 1);
        m_nPrimary = m_nListed = nPrimary;
        endInsertRows();
        return;
    }

    // The new rows are gathered aside: the list sees them only inside the notification.
    if (!m_bMapped)
        StartMapping();
    std::vector<CRowRef> added;
    for (qsizetype k = m_nPrimary; k < nPrimary; ++k)
        AppendPrimary(k, added);
    for (qsizetype j = m_nSecondary; j < nSecondary; ++j) {
        if (!AppendSecondary(j, added)) {
            ResetRows();
            return;
        }
    }
    if (added.empty())
        return;
    beginInsertRows(QModelIndex(), nOldRows, ClampedRows(qsizetype(m_rows.size() + added.size())) - 1);
    m_rows.insert(m_rows.end(), added.begin(), added.end());
    endInsertRows();
}

void CDataListModel::SetRemark(qsizetype nPosition, const QString& strRemark)
{
    m_remarks[nPosition] = strRemark;
    int nRow = !m_bMapped && nPosition < rowCount() ? int(nPosition) : -1;
    // Remarks go to recent readings: the row table is searched from its end.
    for (qsizetype i = m_bMapped ? qsizetype(m_rows.size()) - 1 : -1; i >= 0 && nRow < 0; --i) {
        if (m_rows[size_t(i)].nArray == 0 && m_rows[size_t(i)].nPosition == nPosition)
            nRow = int(i);
    }
    if (nRow >= 0)
        emit dataChanged(index(nRow, kRemark), index(nRow, kRemark));
}
