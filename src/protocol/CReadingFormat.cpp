#include "protocol/CReadingFormat.h"

#include <QList>

namespace {
// One field of a reading: its name, and its text in TSV and JSON (empty JSON: left out).
struct SField
{
    const char* pszKey;
    QByteArray tsv;
    QByteArray json;
};

// The TSV columns, the same for every layout; a layout without a field leaves it empty.
const char* const kColumns[] = {
    "received", "time", "function", "value", "unit", "decimals", "layout", "series", "kind",
    "sub1", "sub1Unit", "sub1Decimals", "sub1Time", "sub2", "sub2Unit", "sub2Decimals", "sub2Time",
    "sub3", "sub3Unit", "sub3Decimals", "sub3Time", "clock", "ref", "rel",
    "aux1", "aux2", "aux2Unit", "auxCode", "aux3", "aux3Unit", "aux4",
};
constexpr int kColumnCount = int(sizeof kColumns / sizeof kColumns[0]);

QList<SField> ReadingFields(const CDecodedReading& d, const QDateTime& received)
{
    const MeterReading& r = d.reading;
    QList<SField> f;
    auto text = [&f](const char* pszKey, const QString& str) {
        f.append({ pszKey, TextFormat::TsvField(str), TextFormat::JsonString(str) });
    };
    auto unit = [&text](const char* pszKey, const QString& str) { text(pszKey, str.trimmed()); };
    auto integer = [&f](const char* pszKey, int n) {
        f.append({ pszKey, QByteArray::number(n), QByteArray::number(n) });
    };
    // TSV with the meter's decimals, JSON the shortest text of the stored float.
    auto value = [&f](const char* pszKey, float v, int nDecimals) {
        f.append({ pszKey, TextFormat::Fixed(double(v), nDecimals), TextFormat::JsonNumber(v) });
    };
    auto number = [&f](const char* pszKey, float v) {
        const QByteArray t = TextFormat::JsonNumber(v);
        f.append({ pszKey, t, t });
    };
    text("received", TextFormat::IsoTime(received));
    text("time", d.strTime);
    text("function", r.m_strFunction);
    value("value", r.m_fValue, r.m_nDecimals);
    unit("unit", r.m_strUnit);
    integer("decimals", r.m_nDecimals);
    integer("layout", d.nLayout);
    integer("series", d.bSeries8Frame ? 8 : 9);
    integer("kind", d.nRecordKind);
    switch (d.nLayout) {
    case 2:
    case 4: {
        const float values[] = { r.m_fSub1, r.m_fSub2, r.m_fSub3 };
        const QString units[] = { r.m_strSub1Unit, r.m_strSub2Unit, r.m_strSub3Unit };
        const int decimals[] = { r.m_nSub1Decimals, r.m_nSub2Decimals, r.m_nSub3Decimals };
        const QString times[] = { r.m_strSub1Time, r.m_strSub2Time, r.m_strSub3Time };
        static const char* const keys[3][4] = {
            { "sub1", "sub1Unit", "sub1Decimals", "sub1Time" },
            { "sub2", "sub2Unit", "sub2Decimals", "sub2Time" },
            { "sub3", "sub3Unit", "sub3Decimals", "sub3Time" },
        };
        for (int i = 0; i < 3; ++i) {
            value(keys[i][0], values[i], decimals[i]);
            unit(keys[i][1], units[i]);
            integer(keys[i][2], decimals[i]);
            text(keys[i][3], times[i]);
        }
        if (d.nLayout == 4)
            text("clock", r.m_strClockText);
        break;
    }
    case 3:
        value("ref", r.m_fRef, r.m_nDecimals);
        value("rel", r.m_fRel, r.m_nDecimals);
        break;
    case 5:
        number("aux1", r.m_fAux1);
        number("aux2", r.m_fAux2);
        unit("aux2Unit", r.m_strAux2Unit);
        integer("auxCode", r.m_nAuxCode);
        break;
    case 6:
        number("aux3", r.m_fAux3);
        unit("aux3Unit", r.m_strAux3Unit);
        break;
    case 7:
        number("aux4", r.m_fAux4);
        break;
    default:
        break;
    }
    return f;
}
}

namespace ReadingFormat {

QByteArray TsvHeader()
{
    QByteArray line;
    for (int i = 0; i < kColumnCount; ++i)
        line += (i ? "\t" : "") + QByteArray(kColumns[i]);
    return line + '\n';
}

QByteArray TsvLine(const CDecodedReading& d, const QDateTime& received)
{
    const QList<SField> fields = ReadingFields(d, received);
    QByteArray cells[kColumnCount];
    for (const SField& field : fields) {
        for (int i = 0; i < kColumnCount; ++i) {
            if (qstrcmp(kColumns[i], field.pszKey) == 0)
                cells[i] = field.tsv;
        }
    }
    QByteArray line;
    for (int i = 0; i < kColumnCount; ++i)
        line += (i ? "\t" : "") + cells[i];
    return line + '\n';
}

CJsonObject Json(const CDecodedReading& d, const QDateTime& received)
{
    CJsonObject o;
    for (const SField& field : ReadingFields(d, received))
        o.Raw(field.pszKey, field.json);
    return o;
}

QByteArray JsonLine(const CDecodedReading& d, const QDateTime& received)
{
    return Json(d, received).ToJson() + '\n';
}

}
