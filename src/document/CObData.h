#pragma once

#include <QString>

class CArchive;

// One kept reading: a live sample, a statistics value or a logger sample.
// Its seven fields are stored in this order in a recording file.
class CObData
{
public:
    //! +-this value stands for an overload ("OL") in every stored or shown reading.
    static constexpr double kOverload = 500000.0;
    static bool IsOverload(double dValue) { return dValue == kOverload || dValue == -kOverload; }

    CObData() = default;
    CObData(double dValue, const QString& strUnit, double dSampleRate, qint32 nIndex,
            const QString& strTime, const QString& strType, float fRange);
    CObData(const CObData& other) = default;
    CObData& operator=(const CObData& other) = default;

    // Stores or loads the seven fields, depending on the archive's direction.
    void Serialize(CArchive& ar);
    void Store(CArchive& ar) const;
    void Load(CArchive& ar);

    double m_dValue = 0.0;      //!< in m_strUnit; +-500000.0 marks an overload ("OL")
    QString m_strUnit;          //!< e.g. "mVDC"
    double m_dSampleRate = 0.0; //!< sampling step in seconds (0 live, 1 statistics)
    qint32 m_nIndex = 0;        //!< primary records the document held when taken
    QString m_strTime;          //!< shown and exported verbatim
    QString m_strType;          //!< measurement type, e.g. "VDC" or "Max"
    float m_fRange = 0.0f;      //!< range limit (full-scale magnitude) in force
};
