// The scenario text of vadrix-sim monitor: what it sets, and the first fault of a text
// named with its line.

#include <gtest/gtest.h>

#include "MonitorScenario.h"

namespace vadrix::sim {
namespace {

TEST(SimMonitorScenario, ReadsLinesStationsAndTheirTelegrams) {
    MonitorScenario s;
    std::string error;
    ASSERT_TRUE(
        ParseScenario("# a comment\n"
                      "line s rate 1200 check 2 address 0   # the send line\n"
                      "\n"
                      "station 9 on E2\n"
                      "  measured 700 every 0.25 values 2 kind spo\n"
                      "  counter 12 every 3 bcd kind 3\n"
                      "station 3 E1\n"
                      "  time 511 every 60\n",
                      s, error))
        << error;
    EXPECT_EQ(s.Line(kLineS).bitRate, 1200);
    EXPECT_EQ(s.Line(kLineS).checkCode, 2);
    EXPECT_EQ(s.Line(kLineS).addressBytes, 0);
    EXPECT_EQ(s.Line(kLineE1).bitRate, 200);  // untouched lines keep the defaults
    ASSERT_EQ(s.stations.size(), 2u);
    EXPECT_EQ(s.stations[0].address, 9);
    EXPECT_EQ(s.stations[0].line, kLineE2);
    ASSERT_EQ(s.stations[0].items.size(), 2u);
    const ScenarioItem& m = s.stations[0].items[0];
    EXPECT_EQ(m.what, ItemKind::kMeasured);
    EXPECT_EQ(m.object, 700);
    EXPECT_EQ(m.periodMs, 250u);
    EXPECT_EQ(m.values, 2);
    EXPECT_EQ(m.dataKind, 1);
    const ScenarioItem& c = s.stations[0].items[1];
    EXPECT_TRUE(c.bcd);
    EXPECT_EQ(c.dataKind, 3);
    const ScenarioItem& t = s.stations[1].items[0];
    EXPECT_EQ(t.what, ItemKind::kTime);
    EXPECT_EQ(t.dataKind, 0);
    EXPECT_EQ(t.periodMs, 60000u);

    MonitorScenario builtIn;
    ASSERT_TRUE(ParseScenario(kDefaultScenario, builtIn, error)) << error;
    EXPECT_EQ(builtIn.stations.size(), 3u);
}

TEST(SimMonitorScenario, NamesTheFirstFaultWithItsLineAndKeepsNothing) {
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"indications 781 every 1", "line 1: a telegram needs a 'station' before it"},
        {"station 5 on E1\nindications 781", "line 2: a telegram needs 'every SECONDS'"},
        {"station 0 on E1", "line 1: a station address is 1 to 127, not '0'"},
        {"station 5 on E4", "line 1: the station's line is E1, S or E2"},
        {"station 5", "line 1: the station's line is E1, S or E2"},
        {"line E1 rate 9600", "line 1: a bit rate is 25 to 2400, not '9600'"},
        {"line E1 check 3", "line 1: a check code is 0, 1 or 2, not '3'"},
        {"line E1 rate", "line 1: 'rate' needs a value"},
        {"line E1 speed 300", "line 1: unknown line setting 'speed'"},
        {"station 5 on S\ntime 512 every 1", "line 2: the telegram number is 0 to 511, not '512'"},
        {"station 5 on S\ntime 5 every 1 kind spo", "line 2: unknown setting 'kind'"},
        {"station 5 on S\nmeasured 1024 every 1", "line 2: the telegram number is 0 to 1023"},
        {"station 5 on S\nmeasured 600 every 0.01",
         "line 2: 'every' takes 0.05 to 86400 seconds, not '0.01'"},
        {"station 5 on S\nmeasured 600 every 1e9", "line 2: 'every' takes 0.05 to 86400"},
        {"station 5 on S\nmeasured 600 every nan", "line 2: 'every' takes 0.05 to 86400"},
        {"station 5 on S\nmeasured 600 every 1 values 3", "line 2: 'values' is 2 or 4"},
        {"station 5 on S\ncounter 600 every 1 kind xyz", "line 2: a kind is org, spo, zyk"},
        {"station 5 on S\nindications 7 every 1 bcd", "line 2: 'bcd' needs a value"},
        {"sation 5 on S", "line 1: unknown statement 'sation'"},
    };
    for (const Case& c : cases) {
        MonitorScenario s;
        s.Line(kLineE1).bitRate = 1234;
        std::string error;
        EXPECT_FALSE(ParseScenario(c.text, s, error)) << c.text;
        EXPECT_EQ(error.rfind(c.message, 0), 0u) << c.text << " gave: " << error;
        EXPECT_EQ(s.Line(kLineE1).bitRate, 1234) << "a refused text changed the scenario";
    }
}

}  // namespace
}  // namespace vadrix::sim
