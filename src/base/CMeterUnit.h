#pragma once

#include <QString>
#include <QStringView>

// A unit text as the meter sends it ("mVDC", "KΩ", "uF", "MHZ", "Vdc+ac") read as an SI prefix,
// a quantity symbol and a coupling. The meter ranges automatically, so one recording holds
// readings in nF, uF and mF: values of one quantity convert into each other's unit. A text the
// table does not know is a quantity of its own, equal only to the same text, never converted.
//
// A plain value, usable from any thread. Parse() costs a few string comparisons: on a hot path,
// keep the parsed unit per distinct text. Overload values (+-500000) mean "OL" in any unit and
// must not be converted: that is the caller's rule.
class CMeterUnit
{
public:
    CMeterUnit() = default; //!< the empty text: unknown

    static CMeterUnit Parse(QStringView strText);

    // A number with an optional unit, as a person types a limit: "4.5V", "100nF", "-2 kHz",
    // "1e3", "20 %". A bare number gives the empty (unknown) unit. False when the text does not
    // start with a number, or what follows it is not a known unit.
    static bool ParseValue(QStringView strText, double* pdValue, CMeterUnit* pUnit);

    bool IsKnown() const { return !m_strSymbol.isEmpty(); }
    //! The text as given, without surrounding spaces.
    const QString& Text() const { return m_strText; }
    //! "V", "A", "Ω", "F", "Hz", "s", "°C", "°F" or "%"; empty when unknown.
    const QString& Symbol() const { return m_strSymbol; }
    //! "DC", "AC", "DC+AC" or empty.
    const QString& Coupling() const { return m_strCoupling; }
    //! The prefix as a power of ten: -9 (n), -6 (u), -3 (m), 0, 3 (k), 6 (M).
    int Exponent() const { return m_nExponent; }

    // Symbol and coupling agree (known units), or the texts agree (unknown ones): values convert.
    bool SameQuantity(const CMeterUnit& other) const;
    // The symbols agree whatever the coupling: a limit typed as "4.5V" holds for VDC and VAC.
    bool SameSymbol(const CMeterUnit& other) const;

    // dValue, given in this unit, in the unit `to` of the same symbol (exact powers of ten, so a
    // value converted there and back is unchanged in all but the last bit).
    double Convert(double dValue, const CMeterUnit& to) const;

    // As a reader expects it on an axis or in a summary: "mV DC", "µF", "kΩ", "MHz", "°C";
    // an unknown unit as its text.
    QString Display() const;

    // The same unit with another prefix ("uF" with exponent -9 is nF); unknown units are returned
    // as they are. For a label that picks the readable prefix of a value.
    CMeterUnit WithExponent(int nExponent) const;

    friend bool operator==(const CMeterUnit& a, const CMeterUnit& b)
    {
        return a.m_strText == b.m_strText && a.m_strSymbol == b.m_strSymbol && a.m_strCoupling == b.m_strCoupling
               && a.m_nExponent == b.m_nExponent;
    }

private:
    QString m_strText;
    QString m_strSymbol;
    QString m_strCoupling;
    int m_nExponent = 0;
};
