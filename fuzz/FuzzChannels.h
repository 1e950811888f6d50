#pragma once
// Both channels on fake ports, opened as the program opens them, for targets that make the
// channels receive, compose or send.

#include <string>

#include "FuzzSupport.h"
#include "channel/Channel.h"
#include "support/FakeSerialPort.h"

namespace vadrix::fuzz {

struct FakePorts {
    testing::FakeSerialPort port1;
    testing::FakeSerialPort port2;

    // Binds and opens both channels with the parameters they hold; false when they will not
    // open (a set-up with no port, say).
    bool Open(Context& ctx) {
        ctx.emse1.P.ComNumber = 1;
        ctx.emse2.P.ComNumber = 2;
        BindChannel(ctx, ctx.emse1, port1);
        BindChannel(ctx, ctx.emse2, port2);
        std::string error;
        return OpenPorts(ctx, error);
    }
};

}  // namespace vadrix::fuzz
