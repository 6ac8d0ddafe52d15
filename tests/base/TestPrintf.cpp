#include "base/CPrintf.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <locale.h>
#include <thread>

TEST(Printf, ExactTiesRoundToTheEvenDigitAsCDoes)
{
    // Each value is exactly representable, so each is a true tie.
    EXPECT_EQ(CPrintf::Format("%.3f MHz", -0.3125), "-0.312 MHz");
    EXPECT_EQ(CPrintf::Format("%.3f", 0.3125), "0.312");
    EXPECT_EQ(CPrintf::Format("%.2f", 0.125), "0.12");
    EXPECT_EQ(CPrintf::Format("%.2f", 0.375), "0.38");
    EXPECT_EQ(CPrintf::Format("%.0f", 2.5), "2");
    EXPECT_EQ(CPrintf::Format("%.0f", 3.5), "4");
    EXPECT_EQ(CPrintf::Format("%.1f", -0.25), "-0.2");
    EXPECT_EQ(CPrintf::Format("%.4f", 1.00005), "1.0001"); // no tie: 1.00005 is stored a little above
    // Where Qt's own formatting differs: it rounds the tie away from zero.
    EXPECT_EQ(QString::asprintf("%.3f", -0.3125), "-0.313");
}

TEST(Printf, EveryConversionTheProgramUses)
{
    EXPECT_EQ(CPrintf::Format("%.2d/%.2d/%d %.2d:%.2d:%.2d", 3, 14, 2025, 9, 5, 0), "03/14/2025 09:05:00");
    EXPECT_EQ(CPrintf::Format("%.2x:%.2x", 0xab, 7), "ab:07");
    EXPECT_EQ(CPrintf::Format("%.*f", 2, 5.0), "5.00");
    EXPECT_EQ(CPrintf::Format("Page -%d-", 12), "Page -12-");
    EXPECT_EQ(CPrintf::Format("%e", 1234.5), "1.234500e+03");
    EXPECT_EQ(CPrintf::Format("%.0f mV", -0.4), "-0 mV");
    EXPECT_EQ(CPrintf::Format("%s|%d", "\xce\xa9", 1), QStringLiteral("\u03a9|1")); // UTF-8 in, UTF-8 out
    EXPECT_EQ(CPrintf::Format("%.2f Hz", std::numeric_limits<double>::infinity()), "inf Hz");
    EXPECT_EQ(CPrintf::Format("%.2f", -std::numeric_limits<double>::infinity()), "-inf");
    EXPECT_EQ(CPrintf::Format("%s", ""), QString());
}

TEST(Printf, TextsLongerThanTheBufferComeOutWhole)
{
    const QString str = CPrintf::Format("%.4f", 1e300);
    EXPECT_EQ(str.size(), 301 + 5);
    EXPECT_EQ(str, QStringLiteral("1000000000000000052504760255204420248704468581108159154915854115511802457988908195786371375080447864043704443832883878176942523235360430575644792184786706982848387200926575803737830233794788090059368953234970799945081119038967640880074652742780142494579258788820056842838115669472196386865459400540160.0000"));
    const QByteArray text(1000, 'x');
    EXPECT_EQ(CPrintf::Format("<%s>", text.constData()), QStringLiteral("<%1>").arg(QString::fromLatin1(text)));
}

TEST(Printf, LeavesTheCallersLocaleAsItWasOnAnyThread)
{
    const locale_t before = uselocale(locale_t(nullptr));
    EXPECT_EQ(CPrintf::Format("%.1f", 1.25), "1.2");
    EXPECT_EQ(uselocale(locale_t(nullptr)), before);

    QString strOther;
    // A std::thread: its join is the ordering ThreadSanitizer sees (QThread::wait it does not).
    std::thread other([&] { strOther = CPrintf::Format("%.3f", 2.0625); });
    other.join();
    EXPECT_EQ(strOther, "2.062");
}
