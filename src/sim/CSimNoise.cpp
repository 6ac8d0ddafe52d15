#include "sim/CSimNoise.h"

namespace {
constexpr char kDigits[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0xb, 0xc, 0xd};
constexpr int kDigitCount = int(sizeof kDigits);
}

CSimNoise::CSimNoise(quint32 nSeed)
    : m_rng(nSeed)
{
}

QByteArray CSimNoise::Make(int nCount)
{
    QByteArray noise;
    if (nCount <= 0)
        return noise;
    noise.resize(nCount);
    for (char& c : noise) {
        const int nHigh = kDigits[m_rng.bounded(kDigitCount)];
        const int nLow = kDigits[m_rng.bounded(kDigitCount)];
        c = char(nHigh << 4 | nLow);
    }
    return noise;
}
