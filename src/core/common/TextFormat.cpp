#include "common/TextFormat.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace vadrix {

std::int64_t FmtArg::AsInt() const {
    switch (type_) {
        case Type::kInt:
            return i_;
        case Type::kReal:
            // Out-of-range and NaN values must not reach an undefined conversion.
            if (!(std::fabs(d_) < 9.2e18)) return 0;
            return static_cast<std::int64_t>(d_);
        case Type::kText:
            break;
    }
    return 0;
}

double FmtArg::AsReal() const {
    switch (type_) {
        case Type::kInt:
            return static_cast<double>(i_);
        case Type::kReal:
            return d_;
        case Type::kText:
            break;
    }
    return 0;
}

namespace {

struct Directive {
    bool left = false;
    bool zero = false;
    bool plus = false;
    bool space = false;
    int width = 0;
    int precision = -1;
    char conv = 0;
};

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int ReadNumber(std::string_view f, std::size_t& i) {
    int n = 0;
    while (i < f.size() && IsDigit(f[i])) {
        if (n < 100000) n = n * 10 + (f[i] - '0');
        ++i;
    }
    return n > kMaxFormatWidth ? kMaxFormatWidth : n;
}

// Parses a directive after its "%"; false when it is none the formatter knows.
bool ParseDirective(std::string_view f, std::size_t& i, Directive& s) {
    for (; i < f.size(); ++i) {
        const char c = f[i];
        if (c == '-')
            s.left = true;
        else if (c == '0')
            s.zero = true;
        else if (c == '+')
            s.plus = true;
        else if (c == ' ')
            s.space = true;
        else
            break;
    }
    s.width = ReadNumber(f, i);
    if (i < f.size() && f[i] == '.') {
        ++i;
        s.precision = ReadNumber(f, i);
    }
    if (i >= f.size()) return false;
    s.conv = f[i];
    switch (s.conv) {
        case 's':
        case 'd':
        case 'i':
        case 'u':
        case 'x':
        case 'X':
        case 'f':
            ++i;
            return true;
        default:
            return false;
    }
}

void Pad(std::string& out, std::string_view body, const Directive& s) {
    const int fill = s.width - static_cast<int>(body.size());
    if (fill > 0 && !s.left) out.append(static_cast<std::size_t>(fill), ' ');
    out.append(body);
    if (fill > 0 && s.left) out.append(static_cast<std::size_t>(fill), ' ');
}

// Sign, then digits padded with zeros to the precision or (flag 0) the width.
void PadNumber(std::string& out, std::string_view sign, std::string_view digits,
               const Directive& s) {
    char buf[2 * kMaxFormatWidth + 400];
    std::size_t n = 0;
    for (char c : sign) buf[n++] = c;
    int zeros = 0;
    if (s.conv != 'f' && s.precision > static_cast<int>(digits.size()))
        zeros = s.precision - static_cast<int>(digits.size());
    else if (s.zero && !s.left && (s.conv == 'f' || s.precision < 0))
        zeros = s.width - static_cast<int>(sign.size() + digits.size());
    for (int k = 0; k < zeros; ++k) buf[n++] = '0';
    for (char c : digits) buf[n++] = c;
    Pad(out, std::string_view(buf, n), s);
}

void PutInteger(std::string& out, std::int64_t v, const Directive& s) {
    char digits[32];
    std::string_view sign;
    std::to_chars_result r{};
    if (s.conv == 'x' || s.conv == 'X') {
        r = std::to_chars(digits, digits + sizeof digits, static_cast<std::uint64_t>(v), 16);
        if (s.conv == 'X')
            for (char* p = digits; p < r.ptr; ++p)
                if (*p >= 'a' && *p <= 'f') *p = static_cast<char>(*p - 'a' + 'A');
    } else if (s.conv == 'u') {
        r = std::to_chars(digits, digits + sizeof digits, static_cast<std::uint64_t>(v));
    } else {
        const std::uint64_t mag =
            v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
        r = std::to_chars(digits, digits + sizeof digits, mag);
        sign = v < 0 ? "-" : s.plus ? "+" : s.space ? " " : "";
    }
    std::string_view d(digits, static_cast<std::size_t>(r.ptr - digits));
    if (s.precision == 0 && v == 0) d = {};
    PadNumber(out, sign, d, s);
}

void PutReal(std::string& out, double v, const Directive& s, char decimal) {
    if (!std::isfinite(v)) {
        Pad(out, std::isnan(v) ? "NAN" : v < 0 ? "-INF" : "INF", s);
        return;
    }
    const int prec = s.precision < 0 ? 6 : s.precision;
    char buf[400];
    // The format is built here, never taken from the text; %f of a finite double with at
    // most 255 decimals fits the buffer only below 1e100, so larger values are cut there.
    const double shown = std::fabs(v) < 1e100 ? std::fabs(v) : 1e100;
    const int n = std::snprintf(buf, sizeof buf, "%.*f", prec, shown);
    if (n <= 0) return;
    std::string_view d(buf, static_cast<std::size_t>(n < static_cast<int>(sizeof buf) ? n : 0));
    for (std::size_t k = 0; k < d.size(); ++k)
        if (buf[k] == '.') buf[k] = decimal;
    const bool negative = std::signbit(v) && v != 0;
    PadNumber(out, negative ? "-" : s.plus ? "+" : s.space ? " " : "", d, s);
}

void PutText(std::string& out, std::string_view t, const Directive& s) {
    if (s.precision >= 0 && static_cast<std::size_t>(s.precision) < t.size())
        t = t.substr(0, static_cast<std::size_t>(s.precision));
    Pad(out, t, s);
}

}  // namespace

void AppendFormat(std::string& out, std::string_view fmt, std::span<const FmtArg> args,
                  char decimal) {
    std::size_t next = 0;
    std::size_t i = 0;
    while (i < fmt.size()) {
        const std::size_t pct = fmt.find('%', i);
        if (pct == std::string_view::npos) {
            out.append(fmt.substr(i));
            return;
        }
        out.append(fmt.substr(i, pct - i));
        if (pct + 1 < fmt.size() && fmt[pct + 1] == '%') {
            out.push_back('%');
            i = pct + 2;
            continue;
        }
        std::size_t j = pct + 1;
        Directive s;
        if (!ParseDirective(fmt, j, s)) {
            out.append(fmt.substr(pct, j - pct));  // unknown: left as written
            i = j;
            continue;
        }
        i = j;
        if (next == args.size()) continue;  // more directives than values: nothing
        const FmtArg& a = args[next++];
        if (a.type() == FmtArg::Type::kText && s.conv != 's') {
            PutText(out, a.AsText(), Directive{s.left, false, false, false, s.width, -1, 's'});
        } else if (s.conv == 's') {
            if (a.type() == FmtArg::Type::kText) {
                PutText(out, a.AsText(), s);
            } else {
                std::string tmp;
                Directive plain;
                plain.conv = a.type() == FmtArg::Type::kReal ? 'f' : 'd';
                if (a.type() == FmtArg::Type::kReal)
                    PutReal(tmp, a.AsReal(), plain, decimal);
                else
                    PutInteger(tmp, a.AsInt(), plain);
                PutText(out, tmp, s);
            }
        } else if (s.conv == 'f') {
            PutReal(out, a.AsReal(), s, decimal);
        } else {
            PutInteger(out, a.AsInt(), s);
        }
    }
}

std::string FormatText(std::string_view fmt, std::initializer_list<FmtArg> args, char decimal) {
    std::string out;
    AppendFormat(out, fmt, args, decimal);
    return out;
}

void AppendBlanks(std::string& out, int n) {
    if (n > 0) out.append(static_cast<std::size_t>(n), ' ');
}

void AppendRight(std::string& out, std::string_view s, int width) {
    AppendBlanks(out, width - static_cast<int>(s.size()));
    out.append(s);
}

void AlignRightFrom(std::string& out, std::size_t start, int width) {
    if (start > out.size()) return;
    const int fill = width - static_cast<int>(out.size() - start);
    if (fill > 0) out.insert(start, static_cast<std::size_t>(fill), ' ');
}

void AppendInt(std::string& out, std::int64_t v, int width) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    AppendRight(out, std::string_view(buf, static_cast<std::size_t>(r.ptr - buf)), width);
}

void AppendHex2(std::string& out, unsigned v) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    out.push_back(kDigits[(v >> 4) & 15]);
    out.push_back(kDigits[v & 15]);
}

void AppendGrouped(std::string& out, std::int64_t v, char sep, int width) {
    char digits[24];
    const std::uint64_t mag =
        v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
    const auto r = std::to_chars(digits, digits + sizeof digits, mag);
    const int n = static_cast<int>(r.ptr - digits);
    char buf[40];
    int k = 0;
    if (v < 0) buf[k++] = '-';
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) buf[k++] = sep;
        buf[k++] = digits[i];
    }
    AppendRight(out, std::string_view(buf, static_cast<std::size_t>(k)), width);
}

void AppendFixed(std::string& out, double v, int decimals, char decimal) {
    Directive s;
    s.conv = 'f';
    s.precision = decimals < 0 ? 0 : decimals > 20 ? 20 : decimals;
    PutReal(out, v, s, decimal);
}

}  // namespace vadrix
