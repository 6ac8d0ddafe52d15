#include "scope/COscPoints.h"

#include "scope/COscTables.h"
#include "scope/COscText.h"

double COscPoints::Value(int i) const
{
    return m_bSpectrum ? double(m_record.m_bars[size_t(i)]) : double(m_record.m_samples[size_t(i)]);
}

std::optional<double> COscPoints::Position(int i) const
{
    if (m_bSpectrum)
        return COscText::BarFrequency(m_record.m_rateCode, i).Hertz();
    const qint64 nSampleNs = COscTables::TimeBase(m_record.m_rateCode).nSampleNs;
    if (nSampleNs == 0)
        return std::nullopt;
    return double(i * nSampleNs) / 1e9;
}
