// The link verbs' session: its end always shuts the link down.
#include "CCliOutput.h"
#include "CCliSession.h"
#include "CliVerbs.h"

#include <gtest/gtest.h>

TEST(CliSession, ARunThatEndsBeforeItsLoopStillShutsTheLinkDown)
{
    const CCliVerb verb = ScanVerb();
    QCommandLineParser parser;
    parser.addOptions(verb.options);
    ASSERT_TRUE(parser.parse({ QStringLiteral("multimeter-cli"), QStringLiteral("--port"), QStringLiteral("/dev/null") }));
    CCliSession session(verb, parser);
    ASSERT_TRUE(session.Parse());
    session.Link().StartLinkThread();
    ASSERT_TRUE(session.Link().IsLinkThreadRunning());
    // Something ended the run before the event loop could (a port that failed, say).
    session.Finish(CliStatus::kNotFound);
    EXPECT_EQ(session.Exec(), CliStatus::kNotFound);
    EXPECT_FALSE(session.Link().IsLinkThreadRunning());
    EXPECT_FALSE(session.Link().IsPortOpen());
}
