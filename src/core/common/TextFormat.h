#pragma once
// A safe formatter for the format strings of the language file: only %s, %d, %i, %u, %x, %X
// and %f (with flags "-", "0", "+", " ", width and precision) and "%%" are understood, each
// taking the next typed argument (a text given for a number is shown as it stands); anything else
// is copied as it stands. A malformed or hostile text can therefore neither read past the arguments
// nor overflow anything.

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace vadrix {

class FmtArg {
  public:
    enum class Type { kInt, kReal, kText };
    FmtArg(int v) : type_(Type::kInt), i_(v) {}
    FmtArg(unsigned v) : type_(Type::kInt), i_(v) {}
    FmtArg(long v) : type_(Type::kInt), i_(v) {}
    FmtArg(long long v) : type_(Type::kInt), i_(v) {}
    FmtArg(unsigned long v) : type_(Type::kInt), i_(static_cast<std::int64_t>(v)) {}
    FmtArg(unsigned long long v) : type_(Type::kInt), i_(static_cast<std::int64_t>(v)) {}
    FmtArg(double v) : type_(Type::kReal), d_(v) {}
    FmtArg(std::string_view v) : type_(Type::kText), s_(v) {}
    FmtArg(const char* v) : type_(Type::kText), s_(v) {}
    FmtArg(const std::string& v) : type_(Type::kText), s_(v) {}

    std::int64_t AsInt() const;
    double AsReal() const;
    std::string_view AsText() const { return type_ == Type::kText ? s_ : std::string_view{}; }
    Type type() const { return type_; }

  private:
    Type type_;
    std::int64_t i_ = 0;
    double d_ = 0;
    std::string_view s_;
};

// Widths and precisions above this are taken as this.
inline constexpr int kMaxFormatWidth = 255;

// Appends fmt with its placeholders filled to out. decimal is the decimal separator of %f.
void AppendFormat(std::string& out, std::string_view fmt, std::span<const FmtArg> args,
                  char decimal = '.');
inline void AppendFormat(std::string& out, std::string_view fmt, std::initializer_list<FmtArg> args,
                         char decimal = '.') {
    AppendFormat(out, fmt, std::span<const FmtArg>(args.begin(), args.size()), decimal);
}
std::string FormatText(std::string_view fmt, std::initializer_list<FmtArg> args,
                       char decimal = '.');

// Small number helpers that the interpreted lines use many times per record.
void AppendInt(std::string& out, std::int64_t v, int width = 0);  // right-aligned
void AppendHex2(std::string& out, unsigned v);                    // two capital digits
// Groups of three digits joined by sep, right-aligned in width.
void AppendGrouped(std::string& out, std::int64_t v, char sep, int width = 0);
// Fixed point with the given number of decimals.
void AppendFixed(std::string& out, double v, int decimals, char decimal = '.');
// Pads s on the left to width (s longer: unchanged) and appends.
void AppendRight(std::string& out, std::string_view s, int width);
// Pads the text appended since start on the left to width.
void AlignRightFrom(std::string& out, std::size_t start, int width);
void AppendBlanks(std::string& out, int n);

}  // namespace vadrix
