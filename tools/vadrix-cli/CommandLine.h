#pragma once
// The words after a subcommand, read by QCommandLineParser: options by name (with or without
// a value) and the rest in order. Messages keep the tool's own wording.

#include <QCommandLineParser>
#include <QString>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vadrix::cli {

struct OptionSpec {
    std::string name;   // "--filter"
    std::string alias;  // "-o", or empty
    bool takesValue = false;
};

class CommandLine {
  public:
    explicit CommandLine(const std::vector<OptionSpec>& specs);

    // False with a message for an unknown option, a missing value or a value given to an
    // option that takes none.
    bool Parse(const std::vector<std::string>& words, std::string& error);

    bool Has(const std::string& name) const;
    std::optional<std::string> Value(const std::string& name) const;
    // Every value of an option given more than once, in order.
    std::vector<std::string> Values(const std::string& name) const;
    const std::vector<std::string>& Positional() const { return positional_; }

  private:
    std::string Original(const QString& word) const;
    std::string ParseError() const;

    QCommandLineParser parser_;
    // The words as given: file names keep their bytes even when they are no valid UTF-8.
    std::map<QString, std::string> originals_;
    std::vector<std::string> positional_;
};

// A whole decimal number within [lo, hi].
std::optional<long long> ParseNumber(const std::string& s, long long lo, long long hi);

}  // namespace vadrix::cli
