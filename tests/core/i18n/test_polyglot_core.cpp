#include "i18n/CorePolyglot.h"
#include "i18n/IniFile.h"
#include "i18n/Literals.h"
#include "i18n/ResourceStrings.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>

using namespace zelmar;
using namespace zelmar::i18n;
namespace fs = std::filesystem;

TEST(Literals, QuotedPartsCodesAndDoubledQuotes)
{
    EXPECT_EQ(decodeLiteral("'Next >'"), "Next >");
    EXPECT_EQ(decodeLiteral("'Line one'#13#10'line two'"), "Line one\r\nline two");
    EXPECT_EQ(decodeLiteral("'it''s'"), "it's");
    EXPECT_EQ(decodeLiteral("''''"), "'");
    // Unquoted text is taken as it stands; two quotes outside a quoted part give nothing.
    EXPECT_EQ(decodeLiteral("Next"), "Next");
    EXPECT_EQ(decodeLiteral("ab''cd"), "abcd");
    EXPECT_EQ(decodeLiteral("#65#66"), "AB");
    EXPECT_EQ(decodeLiteral("'Zażółć'"), "Zażółć");
    EXPECT_EQ(decodeLiteral("#261#380"), "ąż");
}

TEST(Literals, ValuesThatGiveTheEmptyText)
{
    EXPECT_EQ(decodeLiteral(""), "");
    EXPECT_EQ(decodeLiteral("X"), "");
    EXPECT_EQ(decodeLiteral("ą"), "");   // one character, two bytes
    EXPECT_EQ(decodeLiteral("'X'"), "X");
    EXPECT_EQ(decodeLiteral("'abc'x"), "");
    EXPECT_EQ(decodeLiteral("'abc"), "");
    EXPECT_EQ(decodeLiteral("'a'#10'b"), "");
}

TEST(Literals, CodesOutOfRangeStayBounded)
{
    EXPECT_EQ(decodeLiteral("'a'#"), "a\xC3\xBF");   // "#" alone: character 255
    EXPECT_EQ(decodeLiteral("#x"), "\xC3\xBFx");
    EXPECT_EQ(decodeLiteral("#99999999"), "\xEF\xBF\xBD");
    EXPECT_EQ(decodeLiteral("#55296#1"), "\xEF\xBF\xBD\x01");   // a lone surrogate
    EXPECT_EQ(decodeLiteral("#" + std::string(5000, '9')), "\xEF\xBF\xBD");
}

TEST(Literals, NumbersAndItems)
{
    EXPECT_EQ(parseInteger("120"), 120);
    EXPECT_EQ(parseInteger("-8"), -8);
    EXPECT_EQ(parseInteger("0x1F"), 31);
    EXPECT_EQ(parseInteger("$ff"), 255);
    EXPECT_EQ(parseInteger("12px"), std::nullopt);
    EXPECT_EQ(parseInteger("99999999999"), std::nullopt);
    EXPECT_EQ(parseInteger("$"), std::nullopt);
    EXPECT_EQ(integerValue("wide"), 0);
    EXPECT_DOUBLE_EQ(floatValue("2.5"), 2.5);
    EXPECT_DOUBLE_EQ(floatValue("-1e3"), -1000);
    EXPECT_DOUBLE_EQ(floatValue("2,5"), 0);
    EXPECT_DOUBLE_EQ(floatValue(""), 0);

    using V = std::vector<std::string>;
    EXPECT_EQ(splitItems("one,two three"), (V{"one", "two", "three"}));
    EXPECT_EQ(splitItems("'a, b','it''s' , c"), (V{"a, b", "it's", "c"}));
    EXPECT_EQ(splitItems("a,,b,"), (V{"a", "", "b", ""}));
    EXPECT_EQ(splitItems("  "), V{});
    EXPECT_EQ(splitItems("'open"), (V{"open"}));
}

TEST(Literals, ResourceKeys)
{
    EXPECT_EQ(resourceKeyNumber("65237"), 65237);
    EXPECT_EQ(resourceKeyNumber("65237_Close"), 65237);
    EXPECT_EQ(resourceKeyNumber(" 65237 _Close_again"), 65237);
    EXPECT_EQ(resourceKeyNumber("Close_65237"), std::nullopt);
    EXPECT_EQ(resourceKeyNumber("_65237"), std::nullopt);
    EXPECT_EQ(resourceKeyNumber("6523x"), std::nullopt);
    EXPECT_EQ(resourceKeyNumber("99999999999999999999"), std::nullopt);
}

TEST(IniFile, SectionsKeysCommentsAndCase)
{
    const TbsINIFile ini = TbsINIFile::parse(
        "key=before any section\n"
        "  [ TMainForm ]  \r\n"
        "; a comment\n"
        "\n"
        "  Dalej.Caption  =  'a=b'  \r\n"
        "no equals sign here\n"
        "Wstecz.Caption='x'\n"
        "[Other]\n"
        "k=1\n"
        "[tmainform]\n"
        "Anuluj.Caption=\n");
    const auto* keys = ini.section("TMAINFORM");
    ASSERT_NE(keys, nullptr);
    ASSERT_EQ(keys->size(), 3u);   // the repeated section adds its keys, in file order
    EXPECT_EQ((*keys)[0].name, "Dalej.Caption");
    EXPECT_EQ((*keys)[0].value, "'a=b'");
    EXPECT_EQ((*keys)[1].name, "Wstecz.Caption");
    EXPECT_EQ((*keys)[2].value, "");
    EXPECT_EQ(ini.section("Other")->size(), 1u);
    EXPECT_EQ(ini.section("Missing"), nullptr);
}

TEST(IniFile, EncodingsAndBadBytes)
{
    // UTF-8 with and without the byte-order mark, and Windows-1250 for what is not UTF-8.
    EXPECT_EQ((*TbsINIFile::parse("\xEF\xBB\xBF[S]\nk='Zażółć'").section("S"))[0].value, "'Zażółć'");
    EXPECT_EQ((*TbsINIFile::parse("[S]\nk='Za\xbf\xf3\xb3\xe6'").section("S"))[0].value, "'Zażółć'");
    // Binary bytes, a NUL, a lone "[" and a "]" line neither crash nor make sections.
    static const char raw[] = "[S]\n\0\x01\xff=\xfe\n[\n]\n[]\n";
    const std::string junk(raw, sizeof raw - 1);
    const TbsINIFile ini = TbsINIFile::parse(junk);
    ASSERT_NE(ini.section("S"), nullptr);
    EXPECT_NE(ini.section(""), nullptr);
}

TEST(IniFile, LongLinesAndRandomBytesAreReadWholeAndQuickly)
{
    std::string big = "[ResourceStrings]\n65237='" + std::string(1 << 20, 'a') + "'\n65238='" + std::string(1 << 20, '\'') + "'";
    const auto start = std::chrono::steady_clock::now();
    const TbsINIFile ini = TbsINIFile::parse(big);
    const auto* keys = ini.section("ResourceStrings");
    ASSERT_NE(keys, nullptr);
    EXPECT_EQ(decodeLiteral((*keys)[0].value).size(), size_t(1) << 20);
    EXPECT_EQ(decodeLiteral((*keys)[1].value), std::string(size_t(1) << 19, '\''));   // quotes in pairs
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));

    static const char alphabet[] = "[]=';#0123456789_\n\r TMainFormResourceStrings\xC4\x85\xff";
    std::mt19937 rng(7);
    for (int round = 0; round < 200; ++round) {
        std::string bytes(size_t(rng() % 400), '\0');
        for (char& c : bytes)
            c = alphabet[rng() % (sizeof alphabet - 1)];
        exerciseTranslationFile(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }
}

namespace {

// A language directory of its own, and a core that starts fresh for each test.
class CoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TbsCorePolyglot::releaseCorePolyglot();
        dir_ = fs::temp_directory_path() / ("zelmar-lng-" + std::to_string(::getpid()) + "-"
                                            + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override
    {
        TbsCorePolyglot::releaseCorePolyglot();
        fs::remove_all(dir_);
    }
    void write(const std::string& name, const std::string& content)
    {
        std::ofstream(dir_ / name, std::ios::binary) << content;
    }
    std::string dir() const { return dir_.string(); }

    fs::path dir_;
};

struct CountingManager : PolyglotListener {
    int translations = 0;
    void translateAllWindows() override { ++translations; }
};

} // namespace

TEST_F(CoreTest, OneCorePerProcess)
{
    TbsCorePolyglot& core = TbsCorePolyglot::GetCorePolyglot();
    EXPECT_EQ(&TbsCorePolyglot::GetCorePolyglot(), &core);
    try {
        TbsCorePolyglot second;
        FAIL() << "a second core was made";
    } catch (const std::logic_error& e) {
        EXPECT_STREQ(e.what(), "Core Multi Lang is single instance class. Please use GetCorePolyglot class function "
                               "to obtain an instance.");
    }
    EXPECT_EQ(TbsCorePolyglot::assigned(), &core);
    EXPECT_EQ(core.langsDir(), "./Language/");
    EXPECT_TRUE(core.translateResourceStrings());
}

TEST_F(CoreTest, DirectoryWithoutFilesTakesNoLanguage)
{
    write("notes.txt", "");
    TbsCorePolyglot& core = TbsCorePolyglot::GetCorePolyglot();
    core.setLangsDir(dir());
    EXPECT_TRUE(core.availableLanguages().empty());
    EXPECT_FALSE(core.setCurrentLang("Polish"));
    EXPECT_FALSE(core.setCurrentLang("German"));
    EXPECT_EQ(core.currentLang(), "");
    EXPECT_EQ(rs(65237), builtinResource(65237));
}

TEST_F(CoreTest, FirstLanguageBySortedNameThenRequestsAsStartUpMakesThem)
{
    write("Polish.lng", "[ResourceStrings]\n65237='pl'\n");
    write("German.lng", "[ResourceStrings]\n65237='de'\n");
    write("English.lng", "[ResourceStrings]\n65237='en'\n");
    write("Readme.LNG.txt", "");
    TbsCorePolyglot& core = TbsCorePolyglot::GetCorePolyglot();
    CountingManager m;
    core.registerManager(&m);
    core.registerManager(&m);
    core.setLangsDir(dir());   // the separator is appended
    EXPECT_EQ(core.langsDir(), dir() + "/");
    EXPECT_EQ(core.availableLanguages(), (std::vector<std::string>{"English", "German", "Polish"}));
    EXPECT_EQ(core.currentLang(), "English");
    EXPECT_EQ(m.translations, 1);   // registered once, translated once
    EXPECT_EQ(rs(65237), "en");
    EXPECT_TRUE(core.setCurrentLang("Polish"));
    EXPECT_FALSE(core.setCurrentLang("Polish"));   // the current language again translates nothing
    EXPECT_FALSE(core.setCurrentLang("Klingon"));
    EXPECT_EQ(m.translations, 2);
    EXPECT_EQ(rs(65237), "pl");
    core.setTranslateResourceStrings(false);
    EXPECT_EQ(rs(65237), builtinResource(65237));
    core.setTranslateResourceStrings(true);
    // The empty language is always taken and closes the file.
    EXPECT_TRUE(core.setCurrentLang(""));
    EXPECT_FALSE(core.hasTranslationFile());
    EXPECT_EQ(rs(65237), builtinResource(65237));
    core.unregisterManager(&m);
}

TEST_F(CoreTest, LanguageMatchIgnoresCaseAndKeepsTheNameAsWritten)
{
    write("English.lng", "[ResourceStrings]\n65237='en'\n");
    write("German.lng", "[ResourceStrings]\n65237='de'\n");
    TbsCorePolyglot& core = TbsCorePolyglot::GetCorePolyglot();
    core.setLangsDir(dir());
    EXPECT_TRUE(core.setCurrentLang("german"));
    EXPECT_EQ(core.currentLang(), "german");
    EXPECT_TRUE(core.hasTranslationFile());
    EXPECT_EQ(rs(65237), "de");
    // Letter case counts when comparing with the current language.
    EXPECT_TRUE(core.setCurrentLang("German"));
}

TEST_F(CoreTest, DirectoryChangeKeepsTheOpenFile)
{
    write("German.lng", "[ResourceStrings]\n65237='de'\n");
    TbsCorePolyglot& core = TbsCorePolyglot::GetCorePolyglot();
    CountingManager m;
    core.registerManager(&m);
    core.setLangsDir(dir());
    ASSERT_EQ(core.currentLang(), "German");
    const fs::path empty = dir_ / "empty";
    fs::create_directories(empty);
    core.setLangsDir(empty.string());
    EXPECT_EQ(core.currentLang(), "German");
    EXPECT_EQ(rs(65237), "de");
    EXPECT_EQ(m.translations, 1);
    // The same directory written in other letter case is no change at all.
    core.setLangsDir((dir_ / "EMPTY").string());
    EXPECT_EQ(core.langsDir(), empty.string() + "/");
    core.unregisterManager(&m);
}

TEST_F(CoreTest, ResourceStringLookup)
{
    write("English.lng",
          "[ResourceStrings]\n"
          "65237_Close='first'\n"
          "65237='second'\n"
          "65243=X\n"
          "abc_65242='not a number'\n"
          "65242_=\n"
          "65200='#99999999'\n"
          "[ResourceStrings]\n"
          "65241='later'\n");
    TbsCorePolyglot& core = TbsCorePolyglot::GetCorePolyglot();
    core.setLangsDir(dir());
    EXPECT_EQ(rs(65237), "first");
    EXPECT_EQ(rs(65243), "");   // one character gives the empty text
    EXPECT_EQ(rs(65242), "");
    EXPECT_EQ(rs(65241), "later");
    EXPECT_EQ(rs(65200), "#99999999");
    EXPECT_EQ(rs(65233), builtinResource(65233));
}

TEST_F(CoreTest, UnreadableAndEmptyFilesLeaveNoTranslation)
{
    write("Empty.lng", "");
    fs::create_directories(dir_ / "Folder.lng");
    TbsCorePolyglot& core = TbsCorePolyglot::GetCorePolyglot();
    core.setLangsDir(dir());
    EXPECT_EQ(core.availableLanguages(), (std::vector<std::string>{"Empty", "Folder"}));
    EXPECT_EQ(core.currentLang(), "Empty");
    EXPECT_TRUE(core.hasTranslationFile());
    EXPECT_EQ(rs(65237), builtinResource(65237));
    EXPECT_TRUE(core.setCurrentLang("Folder"));
    EXPECT_FALSE(core.hasTranslationFile());
    EXPECT_EQ(rs(65237), builtinResource(65237));
}

TEST(ResourceStrings, BuiltInTextsStayWithinTheLookupLimit)
{
    for (int id : builtinResourceIds())
        EXPECT_LE(builtinResource(id).size(), 1023u) << id;
}
