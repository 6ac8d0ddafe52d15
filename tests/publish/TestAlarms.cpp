#include "publish/CAlarmCommand.h"
#include "CTestReading.h"
#include "publish/CAlarmWatch.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <gtest/gtest.h>

namespace {


const QDateTime kTime(QDate(2025, 3, 14), QTime(9, 30, 0, 125), QTimeZone(3600));

// The remarks of the alarms a series of readings gives, one string per reading ("" for none).
QStringList Alarms(CAlarmWatch& watch, const QList<CDecodedReading>& readings)
{
    QStringList out;
    for (const CDecodedReading& d : readings) {
        QStringList texts;
        for (const CAlarmEvent& event : watch.Check(d, kTime))
            texts << event.Line().section(QLatin1Char(' '), 1);
        out << texts.join(QLatin1Char(';'));
    }
    return out;
}

} // namespace

TEST(AlarmWatch, OneAlarmPerCrossingWithOnePercentToRearm)
{
    CAlarmWatch watch;
    QString strError;
    ASSERT_TRUE(watch.SetAbove(QStringLiteral("4.5V"), &strError));
    ASSERT_TRUE(watch.SetBelow(QStringLiteral("1 V"), &strError));
    const QStringList got = Alarms(watch, {
        TestReading(4.0f), TestReading(4.6f), TestReading(4.7f), TestReading(4.46f), TestReading(4.6f), // 4.46 is not 1 % inside 4.5
        TestReading(4.45f), TestReading(4.51f),                                              // 4.45 is: re-armed
        TestReading(0.99f), TestReading(1.005f), TestReading(0.5f), TestReading(1.02f), TestReading(0.98f),
    });
    EXPECT_EQ(got, QStringList({ "", "alarm above 4.600 V", "", "", "", "", "alarm above 4.510 V",
                                 "alarm below 0.990 V", "", "", "", "alarm below 0.980 V" }));
}

TEST(AlarmWatch, TypedUnitsConvertAndHoldForTheirQuantityOnly)
{
    CAlarmWatch watch;
    QString strError;
    ASSERT_TRUE(watch.SetAbove(QStringLiteral("100nF"), &strError));
    const QStringList got = Alarms(watch, {
        TestReading(99.0f, "nF", 1000.0f, 1), TestReading(0.2f, "uF", 10.0f, 3),   // 200 nF
        TestReading(0.05f, "uF", 10.0f, 3),                                    // back inside: re-armed
        TestReading(5.0f, "V"), TestReading(500.0f, "KΩ", 4000.0f, 1),            // other quantities
        TestReading(0.0002f, "mF", 1.0f, 4),                                   // 200 nF again
    });
    EXPECT_EQ(got, QStringList({ "", "alarm above 0.200 uF", "", "", "", "alarm above 0.0002 mF" }));

    // A typed limit holds for every coupling of its symbol; the remark names the limit as typed.
    CAlarmWatch volts;
    ASSERT_TRUE(volts.SetAbove(QStringLiteral("4.5V"), &strError));
    const QList<CAlarmEvent> events = volts.Check(TestReading(4600.0f, "mVAC", 6000.0f, 1), kTime, QStringLiteral("c8:fd:19:0a:bc:de"));
    ASSERT_EQ(events.size(), 1);
    EXPECT_EQ(events[0].Remark(), QStringLiteral("alarm above 4.5 V"));
    EXPECT_EQ(events[0].Line(), QStringLiteral("2025-03-14T09:30:00.125+01:00 alarm above 4600.0 mVAC"));
    EXPECT_EQ(events[0].Json(), QByteArray("{\"received\":\"2025-03-14T09:30:00.125+01:00\",\"alarm\":\"above\",\"value\":4600,"
                                           "\"valueText\":\"4600.0\",\"unit\":\"mVAC\",\"function\":\"VDC\",\"limit\":4.5,"
                                           "\"limitUnit\":\"V\",\"meter\":\"c8:fd:19:0a:bc:de\"}"));
    EXPECT_TRUE(events[0].Environment().contains(QStringLiteral("MULTIMETER_METER=c8:fd:19:0a:bc:de")));

    // A bare number is in the reading's own unit, whatever it is.
    CAlarmWatch bare;
    ASSERT_TRUE(bare.SetBelow(QStringLiteral("10"), &strError));
    const QList<CAlarmEvent> low = bare.Check(TestReading(9.5f, "mVDC", 600.0f, 1), kTime);
    ASSERT_EQ(low.size(), 1);
    EXPECT_EQ(low[0].Remark(), QStringLiteral("alarm below 10 mV"));
    EXPECT_TRUE(bare.Check(TestReading(5.0f, "V"), kTime).isEmpty()); // not re-armed: 5 < 10.1
}

TEST(AlarmWatch, OverloadsAreBeyondEveryLimitOfTheirSignAndBadLimitsAreRefused)
{
    CAlarmWatch watch;
    QString strError;
    ASSERT_TRUE(watch.SetAbove(QStringLiteral("5V"), &strError));
    ASSERT_TRUE(watch.SetBelow(QStringLiteral("-5V"), &strError));
    const QStringList got = Alarms(watch, { TestReading(7.0f), TestReading(0.0f), TestReading(-7.0f), TestReading(0.0f), TestReading(-7.0f) });
    EXPECT_EQ(got, QStringList({ "alarm above OL V", "", "alarm below -OL V", "", "alarm below -OL V" }));

    for (const char* pszBad : { "", "volts", "4.5 volts", "1.2.3V", "nan", "1e999" }) {
        EXPECT_FALSE(watch.SetAbove(QString::fromUtf8(pszBad), &strError)) << pszBad;
        EXPECT_TRUE(strError.contains(QStringLiteral("4.5V"))) << qPrintable(strError);
    }
    // The limits set before are kept.
    EXPECT_FALSE(watch.IsEmpty());
}

TEST(AlarmCommand, WordsAreSplitAsAShellWouldAndNothingMore)
{
    QStringList words;
    QString strError;
    ASSERT_TRUE(CAlarmCommand::SplitWords(QStringLiteral(R"(notify-send  'Meter alarm' "it's \"$HOME\"" a\ b $X)"), &words, &strError));
    EXPECT_EQ(words, QStringList({ "notify-send", "Meter alarm", "it's \"$HOME\"", "a b", "$X" }));
    for (const char* pszBad : { "'open", "say \"open", "" }) {
        CAlarmCommand command;
        EXPECT_FALSE(CAlarmCommand::Parse(QString::fromUtf8(pszBad), &command, &strError)) << pszBad;
        EXPECT_FALSE(command.IsSet());
    }
}

TEST(AlarmCommand, TheFactsArriveAsEnvironmentNeverAsCommandText)
{
    QTemporaryDir dir;
    const QString strOut = dir.filePath(QStringLiteral("facts"));
    const QString strTrap = dir.filePath(QStringLiteral("trap"));
    CAlarmCommand command;
    QString strError;
    ASSERT_TRUE(CAlarmCommand::Parse(QStringLiteral("/bin/sh -c 'printf \"%s|%s\" \"$MULTIMETER_UNIT\" \"$MULTIMETER_ALARM\" > ") + strOut + QLatin1Char('\''),
                                     &command, &strError)) << qPrintable(strError);
    CAlarmEvent event;
    event.time = kTime;
    event.strUnit = QStringLiteral("$(touch %1)").arg(strTrap); // text a shell would run
    ASSERT_TRUE(command.Run(event, &strError)) << qPrintable(strError);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile(strOut).size() > 0; }, 5000));
    QFile file(strOut);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()), event.strUnit + QStringLiteral("|above"));
    EXPECT_FALSE(QFile::exists(strTrap));

    CAlarmCommand missing;
    ASSERT_TRUE(CAlarmCommand::Parse(QStringLiteral("/nonexistent/alarm-program"), &missing, &strError));
    EXPECT_FALSE(missing.Run(event, &strError));
    EXPECT_TRUE(strError.contains(QStringLiteral("/nonexistent/alarm-program"))) << qPrintable(strError);
}
