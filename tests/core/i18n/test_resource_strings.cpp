#include "i18n/ResourceStrings.h"

#include <gtest/gtest.h>

using namespace zelmar;

TEST(ResourceStrings, EveryBuiltInNumberHasItsText)
{
    // 65210, 65215 and 65232 are free for texts of our own.
    for (int id = 65200; id <= 65247; ++id) {
        if (id == 65210 || id == 65215 || id == 65232)
            continue;
        EXPECT_FALSE(builtinResource(id).empty()) << id;
    }
    EXPECT_EQ(rs(65233), "Zelmar 2.2 USB");
    EXPECT_TRUE(rs(1).empty());
}

TEST(ResourceStrings, TranslatorTakesPrecedenceOnlyWhereItHasText)
{
    setResourceTranslator([](int id, std::string& text) {
        if (id != 65243)
            return false;
        text = "Close";
        return true;
    });
    EXPECT_EQ(rs(65243), "Close");
    EXPECT_EQ(rs(65242), "Anuluj");
    setResourceTranslator({});
    EXPECT_EQ(rs(65243), "Zamknij");
}

TEST(FormatText, FillsPlaceholdersInOrder)
{
    EXPECT_EQ(formatText("Pozostały czas: %4.2f sek.", {103.554}), "Pozostały czas: 103.55 sek.");
    EXPECT_EQ(formatText("%4.2f|", {1.5}), "1.50|");
    EXPECT_EQ(formatText("Kod błędu: %d.", {7LL}), "Kod błędu: 7.");
    EXPECT_EQ(formatText("a %s b %s", {std::string("x"), std::string("y")}), "a x b y");
    EXPECT_EQ(formatText("100%% %d", {3LL}), "100% 3");
}

TEST(FormatText, AMismatchedOrDamagedPlaceholderStaysAsWritten)
{
    // A translation may ask for the wrong kind or for more values than there are; nothing may be
    // read that was not given.
    EXPECT_EQ(formatText("%s", {42LL}), "%s");
    EXPECT_EQ(formatText("%d", {std::string("x")}), "%d");
    EXPECT_EQ(formatText("%d and %d", {1LL}), "1 and %d");
    EXPECT_EQ(formatText("%n%p", {1LL}), "%n%p");
    EXPECT_EQ(formatText("end %", {1LL}), "end %");
    // Widths are kept small: a huge one is not a placeholder.
    EXPECT_EQ(formatText("%99999d", {5LL}), "%99999d");
}
