// The demo line: both modes start their simulator and a set-up on which the headless program
// goes online and shows decoded traffic; stopping leaves no simulator behind.

#include "runtime/Demo.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <filesystem>

#include "support/QtApp.h"
#include "support/TempDir.h"

namespace vadrix::testing {
namespace {

TEST(DemoTest, ModeWords) {
    EXPECT_EQ(ParseDemoMode(""), DemoMode::kDirect);
    EXPECT_EQ(ParseDemoMode("direct"), DemoMode::kDirect);
    EXPECT_EQ(ParseDemoMode("monitor"), DemoMode::kMonitor);
    EXPECT_EQ(ParseDemoMode("Monitor"), std::nullopt);
    EXPECT_EQ(ParseDemoMode("--help"), std::nullopt);
}

TEST(DemoTest, EachModeGoesOnlineWithLiveTrafficAndStopsItsSimulators) {
    EnsureQtApplication();
    for (const DemoMode mode : {DemoMode::kDirect, DemoMode::kMonitor}) {
        SCOPED_TRACE(mode == DemoMode::kDirect ? "direct" : "monitor");
        TempDir root;
        DemoLine demo;
        DemoLaunch launch;
        std::string error;
        ASSERT_TRUE(demo.Start(mode, VADRIX_BIN_DIR, root.path(), launch, error)) << error;
        EXPECT_TRUE(demo.Running());
        ASSERT_EQ(launch.words.size(), 2u);
        EXPECT_TRUE(std::filesystem::exists(launch.words[0]));
        EXPECT_EQ(launch.words[1], "online");
        ASSERT_EQ(launch.ports.size(), 1u);
        EXPECT_EQ(launch.ports[0].first, 1);
        EXPECT_TRUE(std::filesystem::exists(launch.ports[0].second));

        // The headless program on the demo's set-up and folders shows records.
        QProcess run;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", QString::fromStdString(launch.configHome.string()));
        env.insert("XDG_DATA_HOME", QString::fromStdString(launch.dataHome.string()));
        run.setProcessEnvironment(env);
        run.start(QString(VADRIX_BIN_DIR) + "/vadrix-cli",
                  {"run", QString::fromStdString(launch.words[0]), "--port",
                   QString("1=%1").arg(QString::fromStdString(launch.ports[0].second)),
                   "--duration", "4", "--json", "--lang", "usa"});
        ASSERT_TRUE(run.waitForFinished(30000));
        const QByteArray out = run.readAllStandardOutput();
        EXPECT_EQ(run.exitCode(), 0) << run.readAllStandardError().toStdString();
        EXPECT_GE(out.count('\n'), 3) << out.toStdString();

        demo.Stop();
        EXPECT_FALSE(demo.Running());
    }
}

TEST(DemoTest, AMissingSimulatorIsNamedInTheError) {
    EnsureQtApplication();
    TempDir root;
    DemoLine demo;
    DemoLaunch launch;
    std::string error;
    EXPECT_FALSE(demo.Start(DemoMode::kDirect, root.path(), root.path(), launch, error));
    EXPECT_NE(error.find("vadrix-sim"), std::string::npos) << error;
    EXPECT_FALSE(demo.Running());
}

}  // namespace
}  // namespace vadrix::testing
