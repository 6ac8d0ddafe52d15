#include "base/CMeterUnit.h"

#include <QRegularExpression>

#include <array>

namespace {

struct CSymbol
{
    const char16_t* pszText; // as it may end a unit text
    const char16_t* pszSymbol;
    bool bPrefixed;          // takes an SI prefix
    bool bAnyCase;
};

// Longer texts first, so "°F" is not read as a prefixed "F".
constexpr CSymbol kSymbols[] = {
    {u"ohm", u"Ω", true, true}, {u"°C", u"°C", false, false}, {u"°F", u"°F", false, false},
    {u"Hz", u"Hz", true, true},  {u"℃", u"°C", false, false},  {u"℉", u"°F", false, false},
    {u"Ω", u"Ω", true, false},   {u"V", u"V", true, false},     {u"A", u"A", true, false},
    {u"F", u"F", true, false},   {u"s", u"s", true, false},     {u"%", u"%", false, false},
};

constexpr std::array<double, 16> kPowersOfTen = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// The prefix as a power of ten, or false when the text is none.
bool PrefixExponent(QStringView strPrefix, int* pnExponent)
{
    if (strPrefix.isEmpty())
        *pnExponent = 0;
    else if (strPrefix.size() != 1)
        return false;
    else {
        switch (strPrefix.front().unicode()) {
        case u'n': *pnExponent = -9; break;
        case u'u':
        case u'µ': // micro sign
        case u'μ': // Greek mu
            *pnExponent = -6;
            break;
        case u'm': *pnExponent = -3; break;
        case u'k':
        case u'K': *pnExponent = 3; break;
        case u'M': *pnExponent = 6; break;
        default: return false;
        }
    }
    return true;
}

QString PrefixText(int nExponent)
{
    switch (nExponent) {
    case -9: return QStringLiteral("n");
    case -6: return QStringLiteral("µ");
    case -3: return QStringLiteral("m");
    case 3: return QStringLiteral("k");
    case 6: return QStringLiteral("M");
    default: return {};
    }
}

} // namespace

CMeterUnit CMeterUnit::Parse(QStringView strText)
{
    CMeterUnit unit;
    strText = strText.trimmed();
    unit.m_strText = strText.toString();

    // The diode and the continuity/voltage-alarm texts show volts.
    QStringView rest = strText;
    if (rest == u"VD" || rest == u"VE")
        rest = u"V";
    QString strCoupling;
    if (rest.endsWith(u"dc+ac", Qt::CaseInsensitive)) {
        strCoupling = QStringLiteral("DC+AC");
        rest.chop(5);
    } else if (rest.endsWith(u"DC", Qt::CaseInsensitive) || rest.endsWith(u"AC", Qt::CaseInsensitive)) {
        strCoupling = rest.right(2).toString().toUpper();
        rest.chop(2);
    }

    for (const CSymbol& symbol : kSymbols) {
        const QStringView symbolText(symbol.pszText);
        if (!rest.endsWith(symbolText, symbol.bAnyCase ? Qt::CaseInsensitive : Qt::CaseSensitive))
            continue;
        const QStringView prefix = rest.first(rest.size() - symbolText.size());
        int nExponent = 0;
        if ((!symbol.bPrefixed && !prefix.isEmpty()) || !PrefixExponent(prefix, &nExponent))
            return unit;
        unit.m_strSymbol = QString::fromUtf16(symbol.pszSymbol);
        unit.m_strCoupling = strCoupling;
        unit.m_nExponent = nExponent;
        return unit;
    }
    return unit;
}

bool CMeterUnit::ParseValue(QStringView strText, double* pdValue, CMeterUnit* pUnit)
{
    static const QRegularExpression number(QStringLiteral(R"(^\s*([+-]?(?:\d+(?:\.\d*)?|\.\d+)(?:[eE][+-]?\d+)?))"));
    const QString strCopy = strText.toString();
    const QRegularExpressionMatch match = number.match(strCopy);
    if (!match.hasMatch())
        return false;
    bool bOk = false;
    const double dValue = match.capturedView(1).toDouble(&bOk);
    if (!bOk)
        return false;
    const CMeterUnit unit = Parse(QStringView(strCopy).sliced(match.capturedEnd(0)));
    if (!unit.IsKnown() && !unit.Text().isEmpty())
        return false;
    *pdValue = dValue;
    *pUnit = unit;
    return true;
}

bool CMeterUnit::SameQuantity(const CMeterUnit& other) const
{
    if (IsKnown() != other.IsKnown())
        return false;
    if (!IsKnown())
        return m_strText == other.m_strText;
    return m_strSymbol == other.m_strSymbol && m_strCoupling == other.m_strCoupling;
}

bool CMeterUnit::SameSymbol(const CMeterUnit& other) const
{
    return IsKnown() ? m_strSymbol == other.m_strSymbol : SameQuantity(other);
}

double CMeterUnit::Convert(double dValue, const CMeterUnit& to) const
{
    const int nShift = m_nExponent - to.m_nExponent;
    // Dividing by an exact power rounds once; multiplying by an inexact 1e-3 would round twice.
    if (nShift >= 0)
        return dValue * kPowersOfTen[std::size_t(nShift)];
    return dValue / kPowersOfTen[std::size_t(-nShift)];
}

QString CMeterUnit::Display() const
{
    if (!IsKnown())
        return m_strText;
    QString strText = PrefixText(m_nExponent) + m_strSymbol;
    if (!m_strCoupling.isEmpty())
        strText += QLatin1Char(' ') + m_strCoupling;
    return strText;
}

CMeterUnit CMeterUnit::WithExponent(int nExponent) const
{
    const bool bPrefix = nExponent == 0 || !PrefixText(nExponent).isEmpty();
    if (!IsKnown() || !bPrefix)
        return *this;
    CMeterUnit unit = *this;
    unit.m_nExponent = nExponent;
    unit.m_strText = unit.Display();
    return unit;
}
