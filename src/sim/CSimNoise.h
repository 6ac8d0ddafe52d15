#pragma once

#include <QByteArray>
#include <QRandomGenerator>

// Garbage bytes for the gaps between frames. The program finds its markers by
// searching the hexadecimal text, at any character position, so keeping the
// byte a0 out is not enough: "1a 08" reads as "1a08" and holds "a08". Every
// digit is therefore drawn from 0-9, b, c, d: no a0, a1, a2a2, e0e0 or f8f8
// can appear inside the noise or where it meets a frame.
class CSimNoise
{
public:
    explicit CSimNoise(quint32 nSeed);
    // nCount bytes (none for nCount <= 0).
    QByteArray Make(int nCount);

private:
    QRandomGenerator m_rng;
};
