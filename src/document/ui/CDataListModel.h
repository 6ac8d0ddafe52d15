#pragma once

#include "document/CMyTalvaDoc.h"

#include <QAbstractTableModel>
#include <QPointer>

#include <unordered_map>
#include <vector>

// The data list of a view: one row per primary record, each directly followed by the
// secondary records that carry its record number (m_nIndex). The rows are computed from the
// document's arrays, nothing is kept per row unless the document has secondary records, so a
// document of millions of readings lists at once.
//
// It follows the document: records appended by AddReading become rows at the end; anything
// else (a load, an import, records removed) lists the document again. GUI thread only.
class CDataListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { kId, kTime, kUnit, kValue, kType, kRemark, kColumnCount };

    // Which values read "OL" depends on how the rows came in.
    enum class OverloadRule {
        Live,     //!< recorded live: exactly +-500000
        Imported, //!< imported logger records: at or beyond +-500000
        Loaded,   //!< filled from a loaded file: exactly +500000 only
        None,     //!< statistics recording: every value as a number
    };

    explicit CDataListModel(QObject* pParent = nullptr);

    void SetDocument(CMyTalvaDoc* pDoc);
    CMyTalvaDoc* Document() const { return m_pDoc; }
    void SetOverloadRule(OverloadRule rule);
    OverloadRule Rule() const { return m_rule; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int nRole = Qt::DisplayRole) const override;
    QVariant headerData(int nSection, Qt::Orientation orientation, int nRole = Qt::DisplayRole) const override;

    // The record listed in row nRow (nullptr for a missing record); *pnArray gets its array.
    std::optional<CObData> RecordAt(int nRow, int* pnArray = nullptr) const;
    // The text of one cell, as the list shows it (export and printing use the same).
    QString Text(int nRow, int nColumn) const;

    static QString ColumnTitle(int nColumn);
    static int ColumnWidth(int nColumn);
    // "%.4f" of the value, or "OL" as the rule says.
    static QString ValueText(double dValue, OverloadRule rule);

    // Brings the rows up to the document's arrays (the document's signals call it).
    void Sync();

    // The Remark of primary record nPosition (an alarm's, for one); shown, not saved.
    void SetRemark(qsizetype nPosition, const QString& strRemark);

private:
    struct CRowRef
    {
        qint32 nPosition; //!< in its array
        qint32 nArray;    //!< 0 or 1
    };

    void Rebuild();
    void ResetRows();
    void AppendPrimary(qsizetype nPosition, std::vector<CRowRef>& rows);
    bool AppendSecondary(qsizetype nPosition, std::vector<CRowRef>& rows);
    void StartMapping();

    QPointer<CMyTalvaDoc> m_pDoc;
    OverloadRule m_rule = OverloadRule::Live;
    qsizetype m_nPrimary = 0;   //!< primary records listed so far
    qsizetype m_nSecondary = 0; //!< secondary records taken into account so far
    qsizetype m_nListed = 0;    //!< rows while unmapped (each the primary of its number)
    // Only once the document has secondary records: the rows, which array and position each
    // shows, the secondary records by record number, and how many primaries carry each number.
    bool m_bMapped = false;
    std::vector<CRowRef> m_rows;
    std::unordered_map<qint32, std::vector<qint32>> m_secondaries;
    std::unordered_map<qint32, int> m_primaries;
    std::unordered_map<qsizetype, QString> m_remarks; //!< by primary position, for this document
};
