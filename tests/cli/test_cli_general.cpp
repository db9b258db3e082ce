#include "CliRunner.h"

#include <gtest/gtest.h>

TEST(CliGeneral, VersionHelpAndUsageErrors)
{
    CliResult v = runCli({"--version"});
    EXPECT_EQ(v.exitCode, 0);
    EXPECT_EQ(v.out.rfind("zelmarctl ", 0), 0u);

    CliResult none = runCli({});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_EQ(none.err.rfind("zelmarctl: ", 0), 0u);

    CliResult unknown = runCli({"frobnicate"});
    EXPECT_EQ(unknown.exitCode, 1);
    CliResult badOpt = runCli({"--bogus"});
    EXPECT_EQ(badOpt.exitCode, 1);
}
