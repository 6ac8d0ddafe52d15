#include "link/CSerialException.h"

#include <cerrno>
#include <cstring>

namespace {
int ResolveError(int nError)
{
    return nError != 0 ? nError : errno;
}
}

CSerialException::CSerialException(int nError)
    : std::runtime_error(std::strerror(ResolveError(nError)))
    , m_nError(ResolveError(nError))
{
}

QString CSerialException::ErrorMessage() const
{
    return m_nError != 0 ? QString::fromLocal8Bit(std::strerror(m_nError)) : QString();
}
