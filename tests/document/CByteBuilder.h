#pragma once

#include <QByteArray>
#include <QString>
#include <QtEndian>

#include <bit>

// Recording-file bytes spelled out field by field, so tests need not trust the writer.
// Strings use the short forms only (under 255 units).
class CByteBuilder
{
public:
    CByteBuilder& U8(quint8 n) { m_bytes.append(char(n)); return *this; }
    CByteBuilder& U16(quint16 n) { return Le(n); }
    CByteBuilder& U32(quint32 n) { return Le(n); }
    CByteBuilder& F64(double d) { return Le(std::bit_cast<quint64>(d)); }
    CByteBuilder& F32(float f) { return Le(std::bit_cast<quint32>(f)); }
    CByteBuilder& Raw(const QByteArray& bytes) { m_bytes.append(bytes); return *this; }
    CByteBuilder& Str8(const QByteArray& bytes) { return U8(quint8(bytes.size())).Raw(bytes); }
    CByteBuilder& Str16(const QString& str)
    {
        U8(0xFF).U16(0xFFFE).U8(quint8(str.size()));
        for (const QChar c : str)
            U16(c.unicode());
        return *this;
    }
    CByteBuilder& NewClass(quint16 nSchema = 1, const QByteArray& name = "CObData")
    {
        return U16(0xFFFF).U16(nSchema).U16(quint16(name.size())).Raw(name);
    }
    CByteBuilder& Fields(double dValue, const QString& strUnit, double dRate, qint32 nIndex,
                         const QString& strTime, const QString& strType, float fRange)
    {
        return F64(dValue).Str16(strUnit).F64(dRate).U32(quint32(nIndex)).Str16(strTime)
            .Str16(strType).F32(fRange);
    }
    // The fourteen fields after the arrays, as a new document has them.
    CByteBuilder& FreshStatistics()
    {
        return F64(0).F64(-60000.0).Str16({}).F64(60000.0).Str16({}).F64(1.0).F64(0).U32(0)
            .Str16({}).Str16({}).Str16({});
    }
    const QByteArray& Bytes() const { return m_bytes; }

private:
    template<typename T>
    CByteBuilder& Le(T v)
    {
        const T le = qToLittleEndian(v);
        m_bytes.append(reinterpret_cast<const char*>(&le), sizeof le);
        return *this;
    }

    QByteArray m_bytes;
};
