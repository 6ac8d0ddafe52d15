#include "document/CDocumentUnit.h"

void CDocumentUnit::Clear()
{
    m_unit = CMeterUnit();
    m_bSet = false;
    m_entries.clear();
    m_nLast = 0;
}

void CDocumentUnit::Adopt(const CObData* pOb)
{
    if (pOb)
        Adopt(pOb->m_strUnit);
}

void CDocumentUnit::Adopt(const QString& strUnit)
{
    if (m_bSet)
        return;
    m_unit = CMeterUnit::Parse(strUnit);
    m_bSet = true;
    // Entries compare with the unit: those made before it was known are made again.
    m_entries.clear();
    m_nLast = 0;
}

const CDocumentUnit::CEntry& CDocumentUnit::EntryFor(const QString& strUnit) const
{
    if (m_nLast < m_entries.size()) {
        const CEntry& last = m_entries[m_nLast];
        if (last.strText.constData() == strUnit.constData() || last.strText == strUnit)
            return last;
    }
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].strText == strUnit) {
            m_nLast = i;
            return m_entries[i];
        }
    }
    CEntry entry;
    entry.strText = strUnit;
    entry.unit = CMeterUnit::Parse(strUnit);
    entry.bSameQuantity = entry.unit.SameQuantity(m_unit);
    entry.bNoConversion = m_bSet && entry.bSameQuantity && entry.unit.Exponent() == m_unit.Exponent();
    m_entries.push_back(std::move(entry));
    m_nLast = m_entries.size() - 1;
    return m_entries.back();
}

CDocumentUnit::Kind CDocumentUnit::Read(const CObData* pOb, double* pdValue) const
{
    if (!pOb)
        return Missing;
    const CEntry& entry = EntryFor(pOb->m_strUnit);
    if (!entry.bSameQuantity)
        return OtherQuantity;
    // Overloads are judged as the meter sent them, before any conversion: a converted value
    // may well pass 500000 (0.5011 mF is 501100 nF).
    const double dRaw = pOb->m_dValue;
    if (std::isnan(dRaw) || dRaw == -CObData::kOverload)
        return BottomLimit;
    if (dRaw >= CObData::kOverload)
        return TopLimit;
    const double dValue = entry.unit.Convert(dRaw, m_unit);
    if (!std::isfinite(dValue))
        return dValue > 0 ? TopLimit : BottomLimit;
    *pdValue = dValue;
    return Plain;
}

double CDocumentUnit::SeriesValueOf(const CObData* pOb) const
{
    double dValue = 0.0;
    switch (Read(pOb, &dValue)) {
    case Plain:
        return dValue;
    case TopLimit:
        return std::numeric_limits<double>::infinity();
    case BottomLimit:
    case Missing:
        return -std::numeric_limits<double>::infinity();
    case OtherQuantity:
        break;
    }
    return std::numeric_limits<double>::quiet_NaN();
}

bool CDocumentUnit::ToDocumentUnit(const QString& strUnit, double* pdValue) const
{
    const CEntry& entry = EntryFor(strUnit);
    if (!entry.bSameQuantity)
        return false;
    *pdValue = entry.unit.Convert(*pdValue, m_unit);
    return true;
}

bool CDocumentUnit::MetOtherPrefix() const
{
    for (const CEntry& entry : m_entries) {
        if (entry.bSameQuantity && entry.unit.Exponent() != m_unit.Exponent())
            return true;
    }
    return false;
}

bool CDocumentUnit::MetOtherQuantity() const
{
    for (const CEntry& entry : m_entries) {
        if (!entry.bSameQuantity)
            return true;
    }
    return false;
}
