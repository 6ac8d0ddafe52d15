#include "base/CPrintf.h"

#include <QByteArray>

#include <algorithm>

#include <clocale>
#include <cstdio>
#include <locale.h>

namespace {

// QCoreApplication sets the process locale from the environment, which may put a ","
// before decimals; this thread formats in the C locale for the length of one call.
class CCNumericScope
{
public:
    CCNumericScope()
        : m_previous(uselocale(CLocale()))
    {
    }
    ~CCNumericScope() { uselocale(m_previous); }
    CCNumericScope(const CCNumericScope&) = delete;
    CCNumericScope& operator=(const CCNumericScope&) = delete;

private:
    static locale_t CLocale()
    {
        // Made once and kept for the life of the process; newlocale is thread-safe.
        static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
        return c ? c : LC_GLOBAL_LOCALE;
    }

    locale_t m_previous;
};

} // namespace

QString CPrintf::Format(const char* pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    const QString str = FormatV(pszFormat, args);
    va_end(args);
    return str;
}

QString CPrintf::FormatV(const char* pszFormat, va_list args)
{
    const CCNumericScope cNumeric;
    char sz[256];
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(sz, sizeof sz, pszFormat, copy);
    va_end(copy);
    if (n < 0)
        return {};
    if (n < int(sizeof sz))
        return QString::fromUtf8(sz, n);
    // Longer than the buffer: the first call measured it.
    QByteArray text(n + 1, Qt::Uninitialized);
    va_copy(copy, args);
    const int nWritten = std::vsnprintf(text.data(), size_t(text.size()), pszFormat, copy);
    va_end(copy);
    if (nWritten < 0)
        return {};
    return QString::fromUtf8(text.constData(), std::min(nWritten, n));
}
