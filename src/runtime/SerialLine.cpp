// Only the kernel's termios2 definitions are used here: they clash with <termios.h>.
#include "runtime/SerialLine.h"

#include <asm/termbits.h>
#include <linux/serial.h>
#include <sys/ioctl.h>

#include <cerrno>

namespace vadrix::serial_line {
namespace {

int Ioctl(int fd, unsigned long request, void* arg) {
    return ::ioctl(fd, request, arg) == 0 ? 0 : errno;
}

tcflag_t SizeBits(std::uint8_t dataBits) {
    switch (dataBits) {
        case 5:
            return CS5;
        case 6:
            return CS6;
        case 7:
            return CS7;
        default:
            return CS8;
    }
}

tcflag_t ParityBits(Parity p) {
    switch (p) {
        case Parity::kOdd:
            return PARENB | PARODD;
        case Parity::kEven:
            return PARENB;
        case Parity::kMark:
            return PARENB | CMSPAR | PARODD;
        case Parity::kSpace:
            return PARENB | CMSPAR;
        default:
            return 0;
    }
}

int ModemBit(int fd, int bit, bool on) {
    int b = bit;
    return Ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &b);
}

}  // namespace

int Configure(int fd, const SerialSettings& s) {
    struct termios2 t {};
    if (const int err = Ioctl(fd, TCGETS2, &t); err != 0) return err;
    // Errors and breaks arrive marked in the data (0xFF 0x00 x, 0xFF 0x00 0x00); a data
    // byte 0xFF arrives doubled.
    t.c_iflag = PARMRK | (s.parity != Parity::kNone ? INPCK : 0);
    t.c_oflag = 0;
    t.c_lflag = 0;
    t.c_cflag = CREAD | CLOCAL | SizeBits(s.dataBits) | ParityBits(s.parity) |
                (s.stopBits == 2 ? CSTOPB : 0) | BOTHER | (BOTHER << IBSHIFT);
    t.c_ispeed = s.baud;
    t.c_ospeed = s.baud;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    return Ioctl(fd, TCSETS2, &t);
}

int ReadSettings(int fd, SerialSettings& s) {
    struct termios2 t {};
    if (const int err = Ioctl(fd, TCGETS2, &t); err != 0) return err;
    s.baud = t.c_ospeed;
    switch (t.c_cflag & CSIZE) {
        case CS5:
            s.dataBits = 5;
            break;
        case CS6:
            s.dataBits = 6;
            break;
        case CS7:
            s.dataBits = 7;
            break;
        default:
            s.dataBits = 8;
            break;
    }
    s.stopBits = (t.c_cflag & CSTOPB) ? 2 : 1;
    const tcflag_t p = t.c_cflag & (PARENB | PARODD | CMSPAR);
    s.parity = p == ParityBits(Parity::kOdd)     ? Parity::kOdd
               : p == ParityBits(Parity::kEven)  ? Parity::kEven
               : p == ParityBits(Parity::kMark)  ? Parity::kMark
               : p == ParityBits(Parity::kSpace) ? Parity::kSpace
                                                 : Parity::kNone;
    return 0;
}

int ReadModemLevels(int fd, std::uint8_t& levels) {
    int bits = 0;
    if (const int err = Ioctl(fd, TIOCMGET, &bits); err != 0) return err;
    levels = static_cast<std::uint8_t>(
        ((bits & TIOCM_CTS) ? modem::kCts : 0) | ((bits & TIOCM_DSR) ? modem::kDsr : 0) |
        ((bits & TIOCM_RI) ? modem::kRing : 0) | ((bits & TIOCM_CD) ? modem::kDcd : 0));
    return 0;
}

int SetRts(int fd, bool on) {
    return ModemBit(fd, TIOCM_RTS, on);
}
int SetDtr(int fd, bool on) {
    return ModemBit(fd, TIOCM_DTR, on);
}

int OutputQueued(int fd, std::size_t& bytes) {
    int n = 0;
    const int err = Ioctl(fd, TIOCOUTQ, &n);
    bytes = err == 0 && n > 0 ? static_cast<std::size_t>(n) : 0;
    return err;
}

int DiscardInput(int fd) {
    return ::ioctl(fd, TCFLSH, TCIFLUSH) == 0 ? 0 : errno;
}

int TakeExclusive(int fd) {
    return ::ioctl(fd, TIOCEXCL) == 0 ? 0 : errno;
}

int ReadErrorCounters(int fd, ErrorCounters& c) {
    struct serial_icounter_struct ic {};
    if (const int err = Ioctl(fd, TIOCGICOUNT, &ic); err != 0) return err;
    c.frame = static_cast<std::uint32_t>(ic.frame);
    c.parity = static_cast<std::uint32_t>(ic.parity);
    c.overrun = static_cast<std::uint32_t>(ic.overrun);
    c.bufferOverrun = static_cast<std::uint32_t>(ic.buf_overrun);
    c.brk = static_cast<std::uint32_t>(ic.brk);
    return 0;
}

}  // namespace vadrix::serial_line
