#include "CliRunner.h"

#include <gtest/gtest.h>

TEST(CliGeneral, VersionHelpAndUsageErrors)
{
    CliResult v = runCli({"--version"});
    EXPECT_EQ(v.exitCode, 0);
    EXPECT_EQ(v.out.rfind("zelmarctl ", 0), 0u);

    CliResult help = runCli({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const char* command : {"info", "build-image", "read-image", "render", "export-wav", "import", "signal add",
                                "signal set", "signal remove", "signal move", "backdoor", "devices", "upload",
                                "upload-image", "download"})
        EXPECT_NE(help.out.find(std::string("\n  ") + command + " "), std::string::npos) << command << "\n" << help.out;
    CliResult commandHelp = runCli({"render", "--help"});
    EXPECT_EQ(commandHelp.exitCode, 0);
    EXPECT_EQ(commandHelp.out.rfind("usage: zelmarctl render SOURCE -o OUT.wav", 0), 0u) << commandHelp.out;
    CliResult groupHelp = runCli({"signal", "move", "--help"});
    EXPECT_EQ(groupHelp.out.rfind("usage: zelmarctl signal move SET.zmr FROM TO", 0), 0u) << groupHelp.out;

    CliResult none = runCli({});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_EQ(none.err.rfind("zelmarctl: ", 0), 0u);

    CliResult unknown = runCli({"frobnicate"});
    EXPECT_EQ(unknown.exitCode, 1);
    CliResult badOpt = runCli({"--bogus"});
    EXPECT_EQ(badOpt.exitCode, 1);
}

TEST(CliGeneral, AMessageNamingAnOddFileStaysOnePrintableLine)
{
    // A missing file whose name holds a line break, an escape and a byte that is not UTF-8.
    CliResult r = runCli({"info", std::string("/nonexistent/a\nb\x1b[31m\xff\xc3\xa9.zmr")});
    EXPECT_EQ(r.exitCode, 5);
    ASSERT_FALSE(r.err.empty());
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    EXPECT_EQ(r.err.find('\x1b'), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("a\\x0ab\\x1b[31m\\xff\xc3\xa9.zmr"), std::string::npos) << r.err;
}
