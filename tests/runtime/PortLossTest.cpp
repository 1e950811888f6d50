// The device of an open port goes away while the program is online (a pseudo-terminal whose
// far end closes, as when a USB adapter is pulled out): the program says which port and why,
// goes offline without spinning on the dead line, and opens the port again once it is back.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <filesystem>
#include <memory>

#include "app/Engine.h"
#include "channel/Channel.h"
#include "runtime/EngineDriver.h"
#include "runtime/QtClock.h"
#include "runtime/QtEventLoop.h"
#include "runtime/SerialPtyPair.h"
#include "runtime/TermiosSerialPort.h"
#include "support/FakeUserInterface.h"
#include "support/Frames.h"
#include "support/QtApp.h"
#include "support/TelegramSinks.h"
#include "support/TempDir.h"

namespace vadrix {
namespace {

using testing::PtyPair;

// Processor time of this process so far, user and system, in milliseconds.
long CpuMs() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000L +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000L;
}

// The program with channel 1 in the direct variant on port 1, whose device is a symbolic
// link: pointing it at a new pseudo-terminal is the device coming back.
class Program {
  public:
    explicit Program(const testing::TempDir& dir)
        : link(dir / "ttyline"),
          ctx_(std::make_unique<Context>(clock_, loop_, ui)),
          tap(ctx_->log) {
        EXPECT_TRUE(ctx_->texts.LoadFile(std::string(VADRIX_SOURCE_DIR) + "/lang/Q5Text.usa").ok());
        ctx_->run.LogFilePath = dir / "loss.lg8";
        ctx_->run.LogFromFile = true;  // going online keeps this log
        created = ctx_->log.Create();
        ctx_->channelHooks.sink = &tap;
        ctx_->general.ProtocolVariant = 2;
        ctx_->emse1.P.ComNumber = 1;
        ctx_->emse1.P.Baud = 9600;
        ctx_->emse1.P.Function = 0;
        ctx_->emse2.P.ComNumber = 0;
        table_.Override(1, link.string());
        BindChannel(*ctx_, ctx_->emse1, port_);
        driver_.AddPort(port_);
    }
    ~Program() {
        driver_.Stop();
        engine.SetOnline(false);
        ctx_->log.Close();
    }

    void PointAt(const std::string& device) {
        std::error_code ec;
        std::filesystem::remove(link, ec);
        std::filesystem::create_symlink(device, link);
    }
    Context& ctx() { return *ctx_; }
    void Start() {
        ctx_->settings.Online = 1;
        driver_.Start();
    }
    bool Open() { return ctx_->emse1.PortOpen != 0; }
    int Good(int telNo) const {
        int n = 0;
        for (const TTelegram& r : tap.records)
            n += r.Source == source::kE1 && r.Status == status::kGood && r.TelNo == telNo;
        return n;
    }
    int Closed() const {
        int n = 0;
        for (const TTelegram& r : tap.records) n += r.Status == status::kPortClosed;
        return n;
    }

    std::filesystem::path link;
    bool created = false;
    testing::FakeUserInterface ui;

  private:
    QtClock clock_;
    QtEventLoop loop_;
    std::unique_ptr<Context> ctx_;

  public:
    testing::TappedLog tap;
    Engine engine{*ctx_};

  private:
    PortTable table_;
    TermiosSerialPort port_{table_};
    EngineDriver driver_{engine};
};

TEST(PortLoss, TheProgramGoesOfflineWithAMessageAndOpensThePortAgain) {
    testing::EnsureQtApplication();
    testing::TempDir dir;
    auto far = std::make_unique<PtyPair>();
    ASSERT_TRUE(far->ok());
    Program program(dir);
    ASSERT_TRUE(program.created);
    program.PointAt(far->device());
    program.Start();
    ASSERT_TRUE(testing::PumpUntil([&] { return program.Open(); }, 3000));
    far->Send(testing::Variable(testing::LongPayload(9, 0, 1, 300, 0x11)));
    ASSERT_TRUE(testing::PumpUntil([&] { return program.Good(300) == 1; }));

    // The far end closes (what it had not yet handed over goes with it, as with a cable
    // pulled out).
    far.reset();
    const long cpuBefore = CpuMs();
    ASSERT_TRUE(testing::PumpUntil([&] { return program.ctx().settings.Online == 0; }, 3000));
    EXPECT_TRUE(testing::PumpUntil([&] { return !program.ui.messages.empty(); }));
    // A second with the dead line: no busy loop (a spinning loop would burn about all of it).
    testing::PumpUntil([] { return false; }, 1000);
    const long cpuUsed = CpuMs() - cpuBefore;
    EXPECT_LT(cpuUsed, 400) << "ms of processor time within about a second offline";

    EXPECT_FALSE(program.Open());
    EXPECT_EQ(program.Closed(), 1);  // the port's closing is in the log as at every close
    ASSERT_EQ(program.ui.messages.size(), 1u);
    const testing::FakeUserInterface::Shown& shown = program.ui.messages[0];
    EXPECT_EQ(shown.kind, MessageKind::kError);
    EXPECT_NE(shown.text.find("COM1"), std::string::npos) << shown.text;
    EXPECT_NE(shown.text.find(program.link.string()), std::string::npos) << shown.text;
    EXPECT_NE(shown.text.find("the device went away"), std::string::npos) << shown.text;
    EXPECT_NE(shown.text.find("offline"), std::string::npos) << shown.text;

    // The device is back under the same name: the online command opens it again, and it
    // receives.
    far = std::make_unique<PtyPair>();
    ASSERT_TRUE(far->ok());
    program.PointAt(far->device());
    program.engine.ToggleOnline();
    ASSERT_TRUE(program.Open());
    EXPECT_EQ(program.ctx().settings.Online, 1);
    far->Send(testing::Variable(testing::LongPayload(9, 0, 1, 302, 0x33)));
    EXPECT_TRUE(testing::PumpUntil([&] { return program.Good(302) == 1; }));
    EXPECT_EQ(program.ui.messages.size(), 1u);
}

// Going offline by the command closes the port; the device's own end then is no loss.
TEST(PortLoss, AClosedPortSaysNothingWhenItsDeviceGoes) {
    testing::EnsureQtApplication();
    testing::TempDir dir;
    auto far = std::make_unique<PtyPair>();
    ASSERT_TRUE(far->ok());
    Program program(dir);
    program.PointAt(far->device());
    program.Start();
    ASSERT_TRUE(testing::PumpUntil([&] { return program.Open(); }, 3000));
    program.engine.GoOffline();
    far.reset();
    testing::PumpUntil([] { return false; }, 300);
    EXPECT_TRUE(program.ui.messages.empty());
    EXPECT_EQ(program.Closed(), 1);
}

}  // namespace
}  // namespace vadrix
