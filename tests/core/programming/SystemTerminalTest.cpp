// The system-operation terminal: received lines and typed keys.

#include "programming/SystemTerminal.h"

#include <gtest/gtest.h>

#include "channel/Channel.h"
#include "support/FakeSerialPort.h"
#include "support/TestContext.h"

namespace vadrix::testing {
namespace {

class Terminal : public ::testing::Test {
  protected:
    void SetUp() override {
        tc->general.ProtocolVariant = 3;
        std::string error;
        ASSERT_TRUE(port.Open(1, {300, 7, Parity::kEven, 2}, error));
        BindChannel(*tc, tc->emse1, port);
    }
    TestContext tc;
    FakeSerialPort port;
    SystemTerminal terminal{*tc};
};

TEST_F(Terminal, CrLfStartsExactlyOneNewLine) {
    port.Inject({'V', '1', '.', '2', '\r', '\n', 'O', 'K'});
    EXPECT_EQ(terminal.Lines(), (std::vector<std::string>{"V1.2", "OK"}));
    port.Inject({'\n', '\n', '\r', 'x'});
    EXPECT_EQ(terminal.Lines(), (std::vector<std::string>{"V1.2", "OK", "", "x"}));
}

TEST_F(Terminal, AnEndlessLineAndEndlessLinesStayBounded) {
    std::vector<std::uint8_t> bytes(SystemTerminal::kMaxLineLength + 5, 'A');
    port.Inject(bytes);
    ASSERT_EQ(terminal.Lines().size(), 2u);
    EXPECT_EQ(terminal.Lines()[1].size(), 5u);
    for (std::size_t i = 0; i < SystemTerminal::kMaxLines + 10; ++i) port.Inject({'\n'});
    EXPECT_EQ(terminal.Lines().size(), SystemTerminal::kMaxLines);
}

TEST_F(Terminal, TypedKeysGoOutInUpperCaseAndHighCodesNotAtAll) {
    EXPECT_TRUE(terminal.TypeKey(U'v'));
    EXPECT_TRUE(terminal.TypeKey(U'1'));
    EXPECT_TRUE(terminal.TypeKey(U'\r'));
    EXPECT_TRUE(terminal.TypeKey(126));
    for (const char32_t k : {char32_t{127}, char32_t{0xE4}, char32_t{0x20AC}})
        EXPECT_FALSE(terminal.TypeKey(k)) << static_cast<unsigned>(k);
    EXPECT_EQ(port.written, (std::vector<std::uint8_t>{'V', '1', '\r', 126}));
    EXPECT_EQ(port.writes.size(), 4u) << "one byte per key";
    EXPECT_EQ(terminal.Lines(), std::vector<std::string>{""}) << "keys are not shown";
    ASSERT_FALSE(tc.ui.indicators.empty());
    EXPECT_EQ(tc.ui.indicators.front(), std::make_pair(Indicator::kTxLed1, 1));
}

TEST_F(Terminal, ClosingTheTerminalUnhooksIt) {
    { SystemTerminal other(*tc); }
    EXPECT_FALSE(tc->channelHooks.terminalReceive);
}

}  // namespace
}  // namespace vadrix::testing
