// Every file the program writes whole goes through one replacement: a symbolic link stays a
// link, the file keeps its permissions, no temporary file stays behind, and a write that
// fails leaves the old file as it was.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <string>
#include <vector>

#include "app/DataFiles.h"
#include "app/SendDefaults.h"
#include "channel/PortTable.h"
#include "common/Settings.h"
#include "editors/SendTextFile.h"
#include "filters/Filter.h"
#include "log/SendFile.h"
#include "log/TelLog.h"
#include "output/Output.h"
#include "support/FileSizeLimit.h"
#include "support/TempDir.h"
#include "support/TestContext.h"

namespace vadrix {
namespace {

using testing::ReadFileText;

struct Writer {
    const char* name;
    std::function<bool(Context&, const std::filesystem::path&)> write;
};

bool Text(Context& ctx, const std::filesystem::path& file, OutputKind kind) {
    OutputOptions o;
    o.interpret.format = DisplayFormat::afLog;
    return WriteLog(ctx, file, kind, o) == OutputResult::kDone;
}

const std::vector<Writer>& Writers() {
    static const std::vector<Writer> writers = {
        {"settings", [](Context&, const auto& f) { return WriteSettingsFile(f, TSettings{}); }},
        {"send telegram file", [](Context& c, const auto& f) { return SaveSendFile(c, f); }},
        {"filter file",
         [](Context&, const auto& f) {
             TFilterRecord r;
             return SaveFilterFile(f, r);
         }},
        {"send telegram text file",
         [](Context&, const auto& f) { return WriteTextFile(f, std::string(500, 'x') + "\r\n"); }},
        {"text output",
         [](Context& c, const auto& f) { return Text(c, f, OutputKind::kTextFile); }},
        {"log export", [](Context& c, const auto& f) { return Text(c, f, OutputKind::kLogFile); }},
        {"copy of the log", [](Context& c, const auto& f) { return c.log.SaveCopyAs(f); }},
        {"copy of a data file",
         [](Context& c, const auto& f) {
             return CopyDataFile(c, c.run.DataDirectory / "source.bin", f);
         }},
        {"port table",
         [](Context&, const auto& f) {
             PortTable t;
             for (int port = 1; port <= 9; ++port) t.Set(port, "/dev/ttyS" + std::to_string(port));
             std::string error;
             return t.Save(f, error);
         }},
    };
    return writers;
}

class FileWriters : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(tc->texts.LoadFile(std::string(VADRIX_SOURCE_DIR) + "/lang/Q5Text.usa").ok());
        tc->run.DataDirectory = dir.path();
        tc->run.LogFilePath = dir / "live.lg8";
        SetDefaultSendTelegrams(*tc);
        SetDefaultSendLists(*tc);
        dir.Write("source.bin", std::string(1000, 's'));
        tc->log.SetRingBlocks(2);
        ASSERT_TRUE(tc->log.Create());
        for (int i = 0; i < 20; ++i) {
            TTelegram t{};
            t.Status = status::kGood;
            t.Kind = kind::kVariable;
            t.Source = source::kE1;
            t.FrameLen = 12;
            tc->log.Store(t);
        }
        std::filesystem::create_directories(dir / "real");
    }

    static mode_t ModeOf(const std::filesystem::path& p) {
        struct stat st {};
        EXPECT_EQ(::stat(p.c_str(), &st), 0);
        return st.st_mode & 07777;
    }
    std::vector<std::string> RealFolder() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir / "real"))
            names.push_back(e.path().filename().string());
        return names;
    }

    testing::TempDir dir;
    testing::TestContext tc;
};

TEST_F(FileWriters, ALinkStaysALinkAndTheFileKeepsItsPermissions) {
    for (const Writer& w : Writers()) {
        SCOPED_TRACE(w.name);
        const auto target = dir.Write("real/target", "old");
        ::chmod(target.c_str(), 0640);
        std::filesystem::remove(dir / "link");
        std::filesystem::create_symlink("real/target", dir / "link");
        ASSERT_TRUE(w.write(*tc, dir / "link"));
        EXPECT_TRUE(std::filesystem::is_symlink(dir / "link"));
        EXPECT_NE(ReadFileText(target), "old");
        EXPECT_EQ(ModeOf(target), 0640u);
        EXPECT_EQ(RealFolder(), std::vector<std::string>{"target"});
    }
}

TEST_F(FileWriters, AFailedWriteLeavesTheOldFileAsItWas) {
    for (const Writer& w : Writers()) {
        SCOPED_TRACE(w.name);
        const auto target = dir.Write("real/target", "old");
        {
            testing::FileSizeLimit limit(64);
            EXPECT_FALSE(w.write(*tc, target));
        }
        EXPECT_EQ(ReadFileText(target), "old");
        EXPECT_EQ(RealFolder(), std::vector<std::string>{"target"});
    }
}

}  // namespace
}  // namespace vadrix
