// Channel set-up, opening and closing, LEDs and the modem line event.

#include "core/channel/ReceptionFixture.h"

namespace vadrix::testing {
namespace {

TEST(Channel, DerivedChannel2DiffersInSourcesAndFirstStation) {
    TestContext tc;
    tc->emse1.P.StationAddr[1] = 9;
    tc->emse1.P.ComNumber = 3;
    DeriveChannel2(*tc);
    EXPECT_EQ(tc->emse2.RxSource, 3);
    EXPECT_EQ(tc->emse2.TxSource, 4);
    EXPECT_EQ(tc->emse2.P.StationAddr[0], 2);
    EXPECT_EQ(tc->emse2.P.StationAddr[1], 9);
    EXPECT_EQ(tc->emse2.P.ComNumber, 3u);
    EXPECT_EQ(tc->emse1.RxSource, 1);
    EXPECT_EQ(tc->emse1.P.StationAddr[0], 1);
    EXPECT_EQ(tc->emse2.RxLed.indicator, Indicator::kRxLed2);
}

TEST(Channel, BaudRateComesFromTheBaudList) {
    TestContext tc;
    tc->texts.ReplaceTxt(657 + 8, "19200");
    tc->texts.ReplaceTxt(657 + 9, "fast");
    DeriveChannel2(*tc);
    EXPECT_EQ(tc->emse1.P.Baud, 19200);
    EXPECT_EQ(tc->emse2.P.Baud, 19200);
    tc->emse1.P.BaudIndex = 9;  // a text without a number keeps the rate
    TakeBaudFromList(*tc, tc->emse1);
    EXPECT_EQ(tc->emse1.P.Baud, 19200);
}

TEST(Channel, FrameGapAndChannelFunctionByMode) {
    struct Case {
        int variant;
        int trafficKind;
        std::uint32_t function;
        bool channel1;
        std::uint32_t gap;
        std::uint32_t channelFunction;
    };
    const Case cases[] = {
        {2, 0, 1, false, 373, 1}, {2, 0, 2, false, 373, 2}, {2, 1, 1, false, 373, 3},
        {2, 1, 2, true, 373, 4},  {0, 0, 1, true, 318, 0},  {1, 0, 2, true, 318, 2},
        {3, 0, 1, true, 373, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "variant " << c.variant << " function " << c.function);
        TestContext tc;
        tc->general.ProtocolVariant = c.variant;
        tc->general.TrafficKind = c.trafficKind;
        DeriveChannel2(*tc);
        TEmSe& ch = c.channel1 ? tc->emse1 : tc->emse2;
        ch.P.Baud = 9600;
        ch.P.Function = c.function;
        InitChannel(*tc, ch);
        EXPECT_EQ(ch.FrameGapMs, c.gap);
        EXPECT_EQ(ch.ChannelFunction, c.channelFunction);
    }
}

TEST(Channel, EnvelopeModesSetUpChannel1ForTheMonitorDevice) {
    TestContext tc;
    tc->general.ProtocolVariant = 0;
    DeriveChannel2(*tc);
    InitChannel(*tc, tc->emse1);
    EXPECT_EQ(tc->run.UserDataOffset, 8);
    EXPECT_EQ(tc->emse1.RxExpected, 269);
    EXPECT_EQ(tc->emse1.AwaitState, 1u);
    EXPECT_EQ(tc->emse1.P.LockTimeMs, 1);
    EXPECT_FLOAT_EQ(tc->emse1.SendBitTimeMs, 5.0f);  // 200 bit/s
    EXPECT_FLOAT_EQ(tc->emse1.SendGapMs, 11.0f);     // (2 + 20) * 5 / 10
    tc->general.ProtocolVariant = 2;
    InitChannel(*tc, tc->emse1);
    EXPECT_EQ(tc->run.UserDataOffset, 4);
    EXPECT_EQ(tc->emse1.RxExpected, 36);
}

TEST(Channel, ModemMaskFromTheWatchedLines) {
    TestContext tc;
    DeriveChannel2(*tc);
    const std::pair<int, int> cases[] = {{0x80, 0x80}, {0x40, 0x20}, {0x20, 0x10}, {0xE0, 0xB0}};
    for (const auto& [watch, mask] : cases) {
        tc->emse1.P.ModemWatch = static_cast<std::uint8_t>(watch);
        InitChannel(*tc, tc->emse1);
        EXPECT_EQ(tc->emse1.ModemMask, mask) << watch;
    }
}

TEST_F(ReceptionTest, OpeningAppliesTheModeSettingsAndLogsTheEvent) {
    tc->emse1.P.DataBits = 7;
    tc->emse1.P.Parity = 1;
    tc->emse1.P.StopBits = 2;
    tc->channelHooks.sink = &sink;
    Start(2);
    EXPECT_TRUE(port1.IsOpen());
    EXPECT_EQ(port1.openedPort, 1);
    EXPECT_EQ(port1.settings, (SerialSettings{9600, 7, Parity::kOdd, 2}));
    CloseChannel(*tc, tc->emse1);
    tc->emse1.P.DataBits = 7;
    tc->emse1.P.Parity = 3;
    tc->emse1.P.StopBits = 2;
    tc->emse1.P.Baud = 1234;
    std::string error;
    ASSERT_TRUE(OpenChannel(*tc, tc->emse1, error));
    EXPECT_EQ(port1.settings, (SerialSettings{1234, 7, Parity::kMark, 2}));
    ASSERT_EQ(sink.records.size(), 2u);
    const TTelegram& opened = sink.records[1];
    EXPECT_EQ(opened.Status, status::kPortOpened);
    EXPECT_EQ(opened.Kind, kind::kEvent);
    EXPECT_EQ(opened.Source, 1);
    EXPECT_EQ(opened.Station, 1);
    EXPECT_EQ(opened.FrameLen, 48);
    EXPECT_EQ(ReadLe<std::uint32_t>(opened.Frame, 0), 1u);  // the close event of source 1
    EXPECT_EQ(ReadLe<std::int32_t>(opened.Frame, 24), 2);
    EXPECT_EQ(ReadLe<std::int32_t>(opened.Frame, 32), 1234);
    EXPECT_EQ(ReadLe<std::int32_t>(opened.Frame, 36), 0);
}

TEST_F(ReceptionTest, DeviceModesUseTheirFixedLineSettings) {
    Start(2);
    ClosePorts(*tc);
    tc->general.ProtocolVariant = 3;
    std::string error;
    ASSERT_TRUE(OpenPorts(*tc, error));
    EXPECT_EQ(port1.settings, (SerialSettings{300, 7, Parity::kEven, 2}));
    EXPECT_EQ(port2.settings, (SerialSettings{300, 7, Parity::kEven, 2}));
    ClosePorts(*tc);
    tc->general.ProtocolVariant = 1;
    ASSERT_TRUE(OpenPorts(*tc, error));
    EXPECT_EQ(port1.settings, (SerialSettings{38400, 8, Parity::kEven, 1}));
}

TEST_F(ReceptionTest, Channel2StaysClosedInTheEnvelopeModes) {
    Start(0);
    EXPECT_TRUE(port1.IsOpen());
    EXPECT_FALSE(port2.IsOpen());
    EXPECT_EQ(tc->emse2.P.ComNumber, 0u);
    EXPECT_EQ(tc->emse2.PortOpen, 0);
    ClosePorts(*tc);
    EXPECT_FALSE(port1.IsOpen());
}

TEST_F(ReceptionTest, NoPortConfiguredShowsTheMessageAndGoesOffline) {
    tc->settings.Online = 1;
    tc->emse1.P.ComNumber = 0;
    tc->emse2.P.ComNumber = 0;
    std::string error;
    EXPECT_TRUE(OpenPorts(*tc, error));
    EXPECT_EQ(tc->settings.Online, 0);
    ASSERT_EQ(tc.ui.messages.size(), 1u);
    EXPECT_EQ(tc.ui.messages[0].text, tc->Txt(1137));
}

TEST_F(ReceptionTest, AFailedOpenReportsAndLeavesThePortClosed) {
    port1.failOpenWith = "/dev/ttyUSB7: No such file or directory";
    tc->general.ProtocolVariant = 2;
    tc->channelHooks.sink = &sink;
    DeriveChannel2(*tc);
    tc->emse1.P.ComNumber = 7;
    tc->emse2.P.ComNumber = 2;
    BindChannel(*tc, tc->emse1, port1);
    BindChannel(*tc, tc->emse2, port2);
    std::string error;
    EXPECT_FALSE(OpenPorts(*tc, error));
    EXPECT_EQ(error, "COM7: /dev/ttyUSB7: No such file or directory");
    EXPECT_EQ(tc->emse1.PortOpen, 0);
    EXPECT_EQ(tc->emse2.PortOpen, 1);  // the other channel still monitors
    ASSERT_EQ(sink.records.size(), 1u);
    EXPECT_EQ(sink.records[0].Source, source::kE2);
    CloseChannel(*tc, tc->emse1);  // nothing to close, nothing logged
    EXPECT_EQ(sink.records.size(), 1u);
}

TEST_F(ReceptionTest, WatchedModemLineChangeIsLogged) {
    tc->emse2.P.ModemWatch = 0x40;  // DSR
    Start(2);
    tc->emse2.P.ModemWatch = 0x40;
    CloseChannel(*tc, tc->emse2);
    std::string error;
    ASSERT_TRUE(OpenChannel(*tc, tc->emse2, error));
    sink.records.clear();
    EXPECT_EQ(port2.armedMask, 0x20);

    port2.SetModemLevels(modem::kCts);  // not watched
    EXPECT_TRUE(sink.records.empty());
    port2.SetModemLevels(modem::kCts | modem::kDsr | modem::kDcd);
    ASSERT_EQ(sink.records.size(), 1u);
    const TTelegram& ev = sink.records[0];
    EXPECT_EQ(ev.Status, status::kModemLines);
    EXPECT_EQ(ev.Kind, kind::kLineEvent);
    EXPECT_EQ(ev.Source, source::kE2);
    // Levels of all four lines, and of the changed flags only DSR's.
    EXPECT_EQ(ReadLe<std::uint32_t>(BytesOf(ev), 26), 0xB0u | modem::kDsrChanged);
    EXPECT_EQ(port2.armedMask, 0x20);  // armed again
    port2.SetModemLevels(modem::kCts | modem::kDcd);
    EXPECT_EQ(sink.records.size(), 2u);
}

TEST_F(ReceptionTest, StatusEventsOfOtherTriggersAreIgnored) {
    tc->emse2.P.ModemWatch = 0x80;
    Start(2);
    OnPortStatus(*tc, tc->emse2, static_cast<std::uint16_t>(tc->emse2.ModemTrigger + 1));
    OnPortStatus(*tc, tc->emse1, 0);
    EXPECT_TRUE(sink.records.empty());
}

TEST(Channel, LedLitForTwoTicksAndBlinksUnderTraffic) {
    FakeUserInterface ui;
    TLed led{Indicator::kRxLed2};
    LedLight(ui, led);
    LedLight(ui, led);  // twice within one tick lights once
    EXPECT_EQ(ui.indicators.size(), 1u);
    LedTick(ui, led);
    EXPECT_TRUE(led.lit);
    LedTick(ui, led);
    EXPECT_FALSE(led.lit);
    // Continuous traffic: two ticks on, one off.
    std::string pattern;
    for (int tick = 0; tick < 6; ++tick) {
        LedTick(ui, led);
        LedLight(ui, led);
        pattern += led.lit ? '1' : '0';
    }
    EXPECT_EQ(pattern, "110110");
}

TEST_F(ReceptionTest, TransmitLedStaysLitWhileTransmitting) {
    Start(2);
    Ch().Transmitting = 1;
    std::string pattern;
    for (int tick = 0; tick < 6; ++tick) {
        ChannelTick(*tc, Ch());
        pattern += Ch().TxLed.lit ? '1' : '0';
    }
    EXPECT_EQ(pattern, "110110");
    Ch().Transmitting = 0;
    ChannelTick(*tc, Ch());
    ChannelTick(*tc, Ch());
    ChannelTick(*tc, Ch());
    EXPECT_FALSE(Ch().TxLed.lit);
}

TEST_F(ReceptionTest, ReceiveLedInDirectMode) {
    Start(2);
    Feed({0x01});
    EXPECT_TRUE(tc->emse2.RxLed.lit);
    EXPECT_FALSE(tc->emse1.RxLed.lit);
}

}  // namespace
}  // namespace vadrix::testing
