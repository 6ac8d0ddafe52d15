#pragma once

#include "scope/OscRecord.h"

#include <optional>

// The points a scope view shows of a record: its 300 samples, or the 120
// bars of the meter's spectrum. What the graph draws, the workbook and the
// CSV file list.
class COscPoints
{
public:
    COscPoints(const OscRecord& record, bool bSpectrum) : m_record(record), m_bSpectrum(bSpectrum) {}

    static int CountOf(bool bSpectrum) { return bSpectrum ? OscRecord::kBars : OscRecord::kSamples; }

    bool IsSpectrum() const { return m_bSpectrum; }
    int Count() const { return CountOf(m_bSpectrum); }
    // Point i (0 <= i < Count()): a sample in the vertical unit, or a raw bar.
    double Value(int i) const;
    // Where point i lies: seconds after the first sample, or the bar's frequency in
    // hertz. Nothing for a sample when the time base is unknown.
    std::optional<double> Position(int i) const;

private:
    OscRecord m_record;
    bool m_bSpectrum;
};
