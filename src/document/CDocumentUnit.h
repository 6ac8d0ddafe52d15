#pragma once

#include "base/CMeterUnit.h"
#include "document/CObData.h"
#include "document/CRecordArray.h"

#include <QString>

#include <cmath>
#include <limits>
#include <vector>

// The unit a document computes and plots in: the unit of its first primary reading. Each
// primary reading is read in it: a value of the same quantity converted (nF, uF and mF
// alike), an overload kept as an overload, a reading of another quantity set apart. The
// parsed unit of each distinct unit text is kept, so reading millions of records parses a
// handful of texts; consecutive records usually share one unit string, which is found first.
//
// Not thread-safe: used on the thread that owns the document.
class CDocumentUnit
{
public:
    enum Kind {
        Plain,         //!< a value of the document's quantity
        TopLimit,      //!< an overload of +500000 or more: drawn on the top limit
        BottomLimit,   //!< exactly -500000, or no number (NaN): drawn on the bottom limit
        Missing,       //!< a null record: drawn on the bottom limit, no reading
        OtherQuantity, //!< another quantity: neither drawn nor in any figure
    };

    // Forgets the unit and the texts seen.
    void Clear();
    // Takes pOb's unit (or strUnit) when none is set yet.
    void Adopt(const CObData* pOb);
    void Adopt(const QString& strUnit);
    bool IsSet() const { return m_bSet; }
    // The document's unit (the empty unknown one until a reading set it).
    const CMeterUnit& Unit() const { return m_unit; }

    // What pOb is, and *pdValue its value in the document's unit when Plain.
    Kind Read(const CObData* pOb, double* pdValue) const;
    // A reading as the graph's series keeps it: its value in the document's unit, +infinity on
    // the top limit, -infinity on the bottom limit (overloads, NaN and missing records), NaN
    // for another quantity. Inline for the usual reading, in the unit text met last, which
    // needs no conversion: millions of them are read when a recording opens.
    double SeriesValue(const CObData* pOb) const
    {
        if (pOb && IsLastUnconverted(pOb->m_strUnit))
            return Unconverted(pOb->m_dValue);
        return SeriesValueOf(pOb);
    }
    // The same for record i of arr.
    double SeriesValue(const CRecordArray& arr, qsizetype i) const
    {
        if (!arr.IsNull(i) && IsLastUnconverted(arr.Unit(i)))
            return Unconverted(arr.Value(i));
        return SeriesValueOf(arr.Record(i));
    }
    // dValue, given in the unit text strUnit, in the document's unit; false (and *pdValue
    // unchanged) for another quantity.
    bool ToDocumentUnit(const QString& strUnit, double* pdValue) const;

    // Readings read so far included the quantity in another prefix (values were converted),
    // or another quantity.
    bool MetOtherPrefix() const;
    bool MetOtherQuantity() const;

private:
    struct CEntry
    {
        QString strText; //!< held, so a record's string that shares it is recognised by its data
        CMeterUnit unit;
        bool bSameQuantity = false;
        bool bNoConversion = false; //!< the document's own unit: values need no conversion
    };
    const CEntry& EntryFor(const QString& strUnit) const;
    double SeriesValueOf(const CObData* pOb) const;
    double SeriesValueOf(const std::optional<CObData>& ob) const { return SeriesValueOf(ob ? &*ob : nullptr); }
    // strUnit is the text met last, and it needs no conversion. The record strings of the array
    // share the entry's string, which is found by its data before comparing characters.
    bool IsLastUnconverted(const QString& strUnit) const
    {
        if (m_nLast >= m_entries.size())
            return false;
        const CEntry& last = m_entries[m_nLast];
        return last.bNoConversion && (last.strText.constData() == strUnit.constData() || last.strText == strUnit);
    }
    static double Unconverted(double dRaw)
    {
        if (std::isnan(dRaw) || dRaw == -CObData::kOverload)
            return -std::numeric_limits<double>::infinity();
        return dRaw >= CObData::kOverload ? std::numeric_limits<double>::infinity() : dRaw;
    }

    CMeterUnit m_unit;
    bool m_bSet = false;
    mutable std::vector<CEntry> m_entries; //!< one per distinct text seen
    mutable size_t m_nLast = 0;            //!< the entry found last
};
