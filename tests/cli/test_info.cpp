#include "CliFiles.h"

#include <nlohmann/json.hpp>

using namespace zelmar;
using clitest::spit;

namespace {

class InfoCommand : public clitest::CliTest {
protected:
    std::string save(const SignalSet& set, const std::string& name) { return saved(set, name); }
    std::string saveBytes(const std::string& bytes, const std::string& name)
    {
        spit(path(name), bytes);
        return path(name);
    }
};

TDostepnyDzwiek soundOf(std::vector<int16_t> samples, uint8_t gain = 0)
{
    TDostepnyDzwiek s;
    s.SetSamples(std::move(samples));
    s.Gain = gain;
    return s;
}

// Samples whose little-endian bytes spell "foobar", a published FNV-1a test vector.
SignalSet exampleSet()
{
    SignalSet set;
    set.library.push_back({"gong", soundOf({0x6f66, 0x626f, 0x7261}, 30)});
    set.library.push_back({"cisza", soundOf({})});
    set.signals.push_back({"dzwonek", {TDzwiek{1, 0, 1, 3, 0}, TDzwiek::pause(50)}});
    set.signals.push_back({"ż\"\\\t", {TDzwiek::pause(20)}});
    return set;
}

} // namespace

using Json = nlohmann::ordered_json;

TEST_F(InfoCommand, JsonFieldsInTheirOrder)
{
    CliResult r = runCli({"info", save(exampleSet(), "a.zmr"), "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    auto element = [](int sound, int volume, int start, int end, int pause) {
        return Json{{"sound", sound}, {"volume", volume}, {"start", start}, {"end", end}, {"pause", pause}};
    };
    const Json expected = {
        {"signals",
         {{{"name", "dzwonek"}, {"elements", {element(1, 0, 1, 3, 0), element(0, 0, 0, 0, 50)}}},
          {{"name", "ż\"\\\t"}, {"elements", {element(0, 0, 0, 0, 20)}}}}},
        {"backdoor", nullptr},
        {"sounds",
         {{{"name", "gong"}, {"gain", 30}, {"samples", 3}, {"stored_size", 4}, {"fnv1a64", "85944171f73967e8"}},
          {{"name", "cisza"}, {"gain", 0}, {"samples", 0}, {"stored_size", 0}, {"fnv1a64", "cbf29ce484222325"}}}},
        // 16 + (11 + 8) + (0 + 5) + 11 for the first signal again + 1 + (4 + 4) + (5 + 4)
        {"table_size", 69},
        {"free_bytes", 2097079},
        {"sent_signals", 1},
    };
    // One document, and its keys in the order scripts have seen them in.
    EXPECT_EQ(Json::parse(r.out).dump(), expected.dump()) << r.out;
}

TEST_F(InfoCommand, JsonBackdoorEmptyListsAndOddNames)
{
    SignalSet set;
    set.signals.push_back({"pusty", {}});
    set.backdoor = Signal{TDzwiek{0, 0, 0, 0, 7}, TDzwiek{0, 0, 0, 0, 8}};
    std::string bytes = serializeSetFile(set);
    // Give the signal a name with a control character and a byte Windows-1250 leaves undefined.
    bytes.replace(20, 6, std::string("\x05" "a\x01" "b\x81" "c", 6));
    CliResult r = runCli({"info", saveBytes(bytes, "b.zmr"), "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("\"a\\u0001b\xC2\x81" "c\""), std::string::npos) << r.out;
    const Json doc = Json::parse(r.out);
    EXPECT_EQ(doc["signals"][0]["elements"], Json::array());
    EXPECT_EQ(doc["backdoor"]["elements"].size(), 2u);
    EXPECT_EQ(doc["backdoor"]["elements"][1]["pause"], 8);
    EXPECT_EQ(doc["sounds"], Json::array());
    EXPECT_EQ(doc["sent_signals"], 0);
}

TEST_F(InfoCommand, ReadableText)
{
    SignalSet set = exampleSet();
    set.backdoor = Signal{TDzwiek{1, 5, 2, 90, 0}};
    CliResult r = runCli({"info", save(set, "c.zmr")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (const char* line : {"Signals: 2 (1 with sounds)", "\"dzwonek\": 2 elements", "Back-door signal: 1 element",
                             "sound 1 \"gong\", volume 5/16, samples 2..90 (plays 2..3)", "pause 0.50 s",
                             "Sounds: 2", "\"gong\": 3 samples", "gain 3.0 dB", "Table size: 69 bytes",
                             "Free: 2097079 bytes"})
        EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;
}

TEST_F(InfoCommand, BadInputAndUsage)
{
    std::string bytes = serializeSetFile(exampleSet());
    std::string badVolume = bytes;
    badVolume[20 + 8 + 4 + 1] = 16;   // Volume of the first element
    std::string path = saveBytes(badVolume, "bad.zmr");
    CliResult bad = runCli({"info", path});
    EXPECT_EQ(bad.exitCode, 3);
    EXPECT_EQ(bad.err.rfind("zelmarctl: ", 0), 0u) << bad.err;
    EXPECT_NE(bad.err.find(path), std::string::npos) << bad.err;
    EXPECT_NE(bad.err.find("code 4"), std::string::npos) << bad.err;
    EXPECT_TRUE(bad.out.empty());

    CliResult cut = runCli({"info", saveBytes(bytes.substr(0, bytes.size() - 1), "cut.zmr"), "--json"});
    EXPECT_EQ(cut.exitCode, 3);
    EXPECT_NE(cut.err.find("code 8"), std::string::npos) << cut.err;
    EXPECT_TRUE(cut.out.empty());

    CliResult missing = runCli({"info", CliTest::path("missing.zmr")});
    EXPECT_EQ(missing.exitCode, 5);
    EXPECT_NE(missing.err.find("missing.zmr"), std::string::npos) << missing.err;

    EXPECT_EQ(runCli({"info"}).exitCode, 1);
    EXPECT_EQ(runCli({"info", path, "--xml"}).exitCode, 1);
    EXPECT_EQ(runCli({"info", path, path}).exitCode, 1);
}
