#pragma once
// The words after a subcommand: options by name (with or without a value) and the rest in
// order.

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

class Args {
  public:
    explicit Args(std::vector<OptionSpec> specs) : specs_(std::move(specs)) {}

    // False with a message for an unknown option or a missing value.
    bool Parse(const std::vector<std::string>& words, std::string& error);

    bool Has(const std::string& name) const { return values_.count(name) != 0; }
    std::optional<std::string> Value(const std::string& name) const;
    const std::vector<std::string>& Positional() const { return positional_; }

  private:
    const OptionSpec* Find(const std::string& word) const;

    std::vector<OptionSpec> specs_;
    std::map<std::string, std::string> values_;
    std::vector<std::string> positional_;
};

// A whole decimal number within [lo, hi].
std::optional<long long> ParseNumber(const std::string& s, long long lo, long long hi);

}  // namespace vadrix::cli
