#include "CommandLine.h"

#include <QStringList>
#include <cerrno>
#include <cstdlib>

namespace vadrix::cli {
namespace {

// "--format" -> "format", "-o" -> "o".
QString Bare(const std::string& name) {
    const std::size_t dashes = name.find_first_not_of('-');
    return QString::fromStdString(dashes == std::string::npos ? name : name.substr(dashes));
}

std::string Dashed(const QString& bare) {
    return (bare.size() == 1 ? "-" : "--") + bare.toStdString();
}

// The name quoted in one of Qt's messages "... after '<name>'.", or empty.
std::string QuotedName(const QString& text, const QString& prefix) {
    if (!text.startsWith(prefix)) return {};
    const qsizetype open = text.indexOf('\'');
    const qsizetype close = text.lastIndexOf('\'');
    if (open < 0 || close <= open) return {};
    return text.mid(open + 1, close - open - 1).toStdString();
}

}  // namespace

CommandLine::CommandLine(const std::vector<OptionSpec>& specs) {
    for (const OptionSpec& s : specs) {
        QStringList names{Bare(s.name)};
        if (!s.alias.empty()) names.prepend(Bare(s.alias));
        QCommandLineOption option(names);
        if (s.takesValue) option.setValueName("value");
        parser_.addOption(option);
    }
}

bool CommandLine::Parse(const std::vector<std::string>& words, std::string& error) {
    QStringList args{QStringLiteral("vadrix-cli")};  // the parser skips the program's name
    for (const std::string& w : words) {
        const QString word = QString::fromLocal8Bit(w.data(), static_cast<qsizetype>(w.size()));
        originals_.emplace(word, w);
        args << word;
    }
    if (!parser_.parse(args)) {
        error = ParseError();
        return false;
    }
    for (const QString& p : parser_.positionalArguments()) positional_.push_back(Original(p));
    return true;
}

bool CommandLine::Has(const std::string& name) const {
    return parser_.isSet(Bare(name));
}

std::optional<std::string> CommandLine::Value(const std::string& name) const {
    if (!Has(name)) return std::nullopt;
    return Original(parser_.value(Bare(name)));
}

std::vector<std::string> CommandLine::Values(const std::string& name) const {
    std::vector<std::string> all;
    for (const QString& v : parser_.values(Bare(name))) all.push_back(Original(v));
    return all;
}

std::string CommandLine::Original(const QString& word) const {
    const auto it = originals_.find(word);
    return it != originals_.end() ? it->second : word.toLocal8Bit().toStdString();
}

// The tool's wording for the parser's complaints.
std::string CommandLine::ParseError() const {
    const QStringList unknown = parser_.unknownOptionNames();
    if (!unknown.isEmpty()) return "unknown option '" + Dashed(unknown.first()) + "'";
    const QString text = parser_.errorText();
    if (const std::string n = QuotedName(text, "Missing value after"); !n.empty())
        return "option '" + n + "' needs a value";
    if (const std::string n = QuotedName(text, "Unexpected value after"); !n.empty())
        return "option '" + n + "' takes no value";
    return text.toStdString();
}

std::optional<long long> ParseNumber(const std::string& s, long long lo, long long hi) {
    if (s.empty()) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(s.c_str(), &end, 10);
    if (errno != 0 || end == nullptr || *end != '\0' || v < lo || v > hi) return std::nullopt;
    return v;
}

}  // namespace vadrix::cli
