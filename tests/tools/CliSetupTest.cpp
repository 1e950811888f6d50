// vadrix-cli setup: the set-up of a send telegram file as "key = value" lines, changed field
// by field; a bad key or value changes nothing, and the listing makes the same file again.

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "CliRun.h"
#include "log/SendFile.h"
#include "support/TestContext.h"

namespace vadrix::testing {
namespace {

std::map<std::string, std::string> Values(const std::string& listing) {
    std::map<std::string, std::string> v;
    std::istringstream in(listing);
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        const auto eq = line.find(" =");
        if (eq == std::string::npos) continue;
        v[line.substr(0, eq)] = eq + 3 <= line.size() ? line.substr(eq + 3) : "";
    }
    return v;
}

std::string WithoutTrailingZeros(std::string list) {
    while (list.ends_with(", 0")) list.resize(list.size() - 3);
    return list == "0" ? "" : list;
}

class CliSetupTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!HaveLanguageFiles()) GTEST_SKIP() << "no language files";
        PlaceCliWithTexts(dir);
    }
    CliRun Run(const std::string& args) { return RunCli(dir, "setup " + args, false); }

    TempDir dir;
};

// Random values within what each key accepts, as "setup --keys" describes it.
class RandomSetUp {
  public:
    explicit RandomSetUp(unsigned seed) : rng_(seed) {}

    // The value text and the text the listing must show for it.
    std::string For(const std::string& accepted) {
        if (accepted.rfind("a text", 0) == 0) return Text();
        if (accepted.rfind("a number", 0) == 0) return Real();
        if (accepted.rfind("up to ", 0) == 0)
            return Array(std::stoi(accepted.substr(6)),
                         accepted.substr(accepted.find("each ") + 5));
        return Number(accepted);
    }
    int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

    std::string Number(const std::string& accepted) {
        long long lo = 0, hi = 0;
        int used = 0;
        if (std::sscanf(accepted.c_str(), "%lld to %lld%n", &lo, &hi, &used) == 2 &&
            used == static_cast<int>(accepted.size()))
            return std::to_string(std::uniform_int_distribution<long long>(lo, hi)(rng_));
        const std::vector<std::string> set = NumbersIn(accepted);
        return set.empty() ? "0" : set[static_cast<std::size_t>(Pick(0, int(set.size()) - 1))];
    }
    static std::vector<std::string> NumbersIn(const std::string& text) {
        std::vector<std::string> set;
        std::string current;
        for (const char c : text + " ") {
            if (std::isdigit(static_cast<unsigned char>(c)) != 0) {
                current += c;
            } else if (!current.empty()) {
                set.push_back(current);
                current.clear();
            }
        }
        return set;
    }

  private:
    std::string Array(int count, const std::string& each) {
        std::vector<std::string> v;
        for (int i = 0; i < count; ++i) v.push_back(Number(each));
        while (!v.empty() && v.back() == "0") v.pop_back();
        std::string s;
        for (std::size_t i = 0; i < v.size(); ++i) s += (i ? ", " : "") + v[i];
        return s;
    }
    std::string Text() {
        static const std::vector<std::string> pieces = {
            "a", "Z", " ", "9", "\\\"", "\\\\", "\xC3\xBC", "\xE2\x82\xAC", "\\x81", "-"};
        std::string s = "\"";
        const int n = Pick(0, 27);
        for (int i = 0; i < n; ++i) s += pieces[static_cast<std::size_t>(Pick(0, 9))];
        return s + "\"";
    }
    std::string Real() {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.17g",
                      std::uniform_real_distribution<double>(-1e6, 1e6)(rng_));
        return buf;
    }

    std::mt19937 rng_;
};

// Every key gets a random value in its range (the rules between fields kept); the listing
// shows exactly these values, a new file made from the listing equals the file byte for byte,
// and the listing fed back to the file itself leaves it as it was.
TEST_F(CliSetupTest, RoundTripsEveryFieldOfARandomSetUp) {
    const CliRun keys = Run("--keys");
    ASSERT_EQ(keys.exitCode, 0) << keys.errors;
    std::map<std::string, std::string> assigned;
    std::string accepted;
    RandomSetUp random(7);
    std::istringstream in(keys.output);
    std::map<std::string, std::vector<std::string>> bauds;
    for (std::string line; std::getline(in, line);) {
        const auto gap = line.find("  ");
        ASSERT_NE(gap, std::string::npos) << line;
        const std::string key = line.substr(0, gap), range = line.substr(gap + 2);
        assigned[key] = random.For(range);
        if (key.ends_with(".Baud")) bauds[key] = RandomSetUp::NumbersIn(range);
    }
    ASSERT_GT(assigned.size(), 12u * 400u * 7u);
    // A baud rate is 0 or the rate of its list index; the first StationCount stations are set.
    for (const char* ch : {"emse1", "emse2"}) {
        const std::string c = ch;
        const int index = std::stoi(assigned[c + ".BaudIndex"]);
        assigned[c + ".Baud"] = bauds[c + ".Baud"][static_cast<std::size_t>(index + 1)];
        const int count = random.Pick(0, 15);
        assigned[c + ".StationCount"] = std::to_string(count);
        std::string stations;
        for (int i = 0; i < 16; ++i)
            stations += (i ? ", " : "") + std::to_string(i < count ? random.Pick(1, 127) : 0);
        assigned[c + ".StationAddr"] = stations;
    }
    std::string list;
    for (const auto& [key, value] : assigned) list += key + " = " + value + "\n";
    dir.Write("random.txt", list);
    const CliRun made = Run("a.vst --from random.txt");
    ASSERT_EQ(made.exitCode, 0) << made.errors;

    const CliRun listing = Run("a.vst");
    ASSERT_EQ(listing.exitCode, 0) << listing.errors;
    const auto shown = Values(listing.output);
    for (const auto& [key, value] : assigned) {
        ASSERT_TRUE(shown.count(key)) << key;
        if (value.find_first_of(".e") != std::string::npos && value[0] != '"')
            EXPECT_EQ(std::stod(shown.at(key)), std::stod(value)) << key;
        else if (key.ends_with("StationAddr"))
            EXPECT_EQ(shown.at(key), WithoutTrailingZeros(value)) << key;
        else
            EXPECT_EQ(shown.at(key), value) << key;
    }
    EXPECT_EQ(Run("a.vst").output, listing.output);  // stable

    const auto file = ReadFileBytes(dir / "a.vst");
    dir.Write("listing.txt", listing.output);
    ASSERT_EQ(Run("b.vst --from listing.txt").exitCode, 0);
    EXPECT_EQ(ReadFileBytes(dir / "b.vst"), file);
    ASSERT_EQ(Run("a.vst --from listing.txt").exitCode, 0);
    EXPECT_EQ(ReadFileBytes(dir / "a.vst"), file);

    // The keys name the fields the program itself reads.
    TestContext tc;
    const std::int32_t logSize = tc->general.LogSize;
    ASSERT_TRUE(LoadSendFile(*tc, dir / "a.vst"));
    EXPECT_EQ(tc->general.LogSize, logSize);  // the program keeps its own log size
    const auto number = [&](const std::string& key) { return std::stoll(assigned[key]); };
    EXPECT_EQ(tc->sendTelegrams.Items[2].Head.Anst, number("telegram3.Anst"));
    EXPECT_EQ(tc->sendTelegrams.Items[11].Head.Entry.Typ, number("telegram12.Entry.Typ"));
    EXPECT_EQ(tc->sendLists.Items[1].Row(17).TelNr, number("list2.row17.TelNr"));
    EXPECT_EQ(tc->sendLists.Items[11].Row(400).Sys, number("list12.row400.Sys"));
    EXPECT_EQ(tc->emse2.P.Line[2].Df, number("emse2.line3.Df"));
    EXPECT_EQ(tc->emse1.P.ModemWatch, number("emse1.ModemWatch"));
    EXPECT_EQ(tc->general.LogFilter.Rows[3].RowValue2, number("general.LogFilter.row4.RowValue2"));
    EXPECT_EQ(tc->general.ProtocolVariant, number("general.ProtocolVariant"));
    const std::string bytes3 = assigned["list5.row3.B"];
    EXPECT_EQ(tc->sendLists.Items[4].Row(3).B[0], bytes3.empty() ? 0 : std::stoll(bytes3));
}

TEST_F(CliSetupTest, ABadKeyOrValueChangesNothingAndSaysWhy) {
    ASSERT_EQ(Run("a.vst telegram3.Min=7").exitCode, 0);
    const auto before = ReadFileBytes(dir / "a.vst");
    struct Case {
        std::string assignment;
        std::string message;
    };
    const Case cases[] = {
        {"telegram13.Anst=1", "telegram13.Anst: no such key"},
        {"list2.row401.TelNr=5", "list2.row401.TelNr: no such key"},
        {"telegram3.Min=60", "telegram3.Min: '60' is not accepted; accepted: 0 to 59"},
        {"general.ProtocolVariant=3", "accepted: 0 to 2"},
        {"emse1.Parity=x", "emse1.Parity: 'x' is not accepted; accepted: 0 to 4"},
        {"emse1.ModemWatch=16", "accepted: 0, 32, 64, 96, 128, 160, 192 or 224"},
        {"list2.row17.Typ=77", "list2.row17.Typ: '77' is not accepted; accepted: 0 to 76"},
        {"emse1.StationAddr=1,2,300", "each 0 to 127"},
        {"telegram1.Bez=\"1234567890123456789012345678\"", "a text of at most 27 characters"},
        {"telegram1.Bez=\"open", "a text that begins with a double quote ends with one"},
        {"general.DisplayFilter.FromTime=soon", "is no number"},
        {"emse1.Baud=1200", "emse1.Baud: 1200 is not the rate of emse1.BaudIndex"},
    };
    for (const Case& c : cases) {
        // Together with a good assignment: the whole change is refused.
        const CliRun r = Run("a.vst telegram3.Min=5 '" + c.assignment + "'");
        EXPECT_EQ(r.exitCode, 2) << c.assignment;
        EXPECT_NE(r.errors.find(c.message), std::string::npos) << c.assignment << "\n" << r.errors;
        EXPECT_NE(r.errors.find("a.vst: nothing changed"), std::string::npos) << r.errors;
        EXPECT_EQ(ReadFileBytes(dir / "a.vst"), before) << c.assignment;
    }
    dir.Write("bad.txt", "telegram3.Min = 5\n# a comment\nthis line has no equals sign\n");
    CliRun r = Run("a.vst --from bad.txt");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.errors.find("bad.txt:3: not a line 'key = value'"), std::string::npos) << r.errors;
    EXPECT_EQ(ReadFileBytes(dir / "a.vst"), before);
    r = Run("new.vst telegram3.Min=99");
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_FALSE(std::filesystem::exists(dir / "new.vst"));
    dir.Write("short.vst", std::string(1000, '\0'));
    r = Run("short.vst telegram3.Min=5");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.errors.find("short.vst: not a send telegram file"), std::string::npos);
    EXPECT_EQ(Run("").exitCode, 2);
    EXPECT_EQ(Run("a.vst telegram3.Min").exitCode, 2);
}

TEST_F(CliSetupTest, AMissingFileListsTheProgramsDefaults) {
    const CliRun r = Run("new.vst --lang usa");
    ASSERT_EQ(r.exitCode, 0) << r.errors;
    EXPECT_FALSE(std::filesystem::exists(dir / "new.vst"));
    const auto v = Values(r.output);
    const std::map<std::string, std::string> expected = {
        {"general.ProtocolVariant", "1"},
        {"general.LogSize", "10"},
        {"general.DisplayFilter.SourceMask", "15"},
        {"emse1.Baud", "9600"},
        {"emse1.StationAddr", "1"},
        {"emse2.StationAddr", "2"},
        {"emse1.line2.SpZt", "34"},
        {"emse1.AddrBytes", "1, 1, 1, 1"},
        {"telegram3.Entry.Typ", "2"},
        {"telegram3.Entry.Lg", "2"},
        {"telegram3.AnstByte", "255"},
        {"telegram3.WZt", "100"},
        {"telegram3.Entry.B", "125, 250, 62, 0, 5"},
        {"telegram3.Data", ""},
        {"list5.Bez", "\"Send list 5\""},
        {"list5.Entry.Lg", "4"},
    };
    for (const auto& [key, value] : expected) EXPECT_EQ(v.at(key), value) << key;
    EXPECT_EQ(v.count("list1.row1.TelNr"), 0u);  // default rows are left out, and said so
    EXPECT_NE(r.output.find("# list1: ActiveCount 0 and LastActive 0 follow from the rows; rows "
                            "not listed hold the default entry"),
              std::string::npos);
    const CliRun all = Run("new.vst --lang usa --all");
    EXPECT_EQ(Values(all.output).at("list12.row400.TelNr"), "520");

    // The defaults written make the file the program itself saves from its defaults.
    dir.Write("defaults.txt", r.output);
    ASSERT_EQ(Run("new.vst --lang usa --from defaults.txt").exitCode, 0);
    TestContext tc;
    tc->texts.LoadFile(std::string(VADRIX_SOURCE_DIR) + "/lang/Q5Text.usa");
    ASSERT_TRUE(LoadSendFile(*tc, dir / "new.vst"));
    EXPECT_EQ(tc->sendLists.Items[4].Head.Bez.str(), "Send list 5");
    EXPECT_EQ(tc->emse2.P.StationAddr[0], 2);
}

}  // namespace
}  // namespace vadrix::testing
