#include "CliArgs.h"

#include <cerrno>
#include <cstdlib>

namespace vadrix::cli {

const OptionSpec* Args::Find(const std::string& word) const {
    for (const OptionSpec& s : specs_)
        if (word == s.name || (!s.alias.empty() && word == s.alias)) return &s;
    return nullptr;
}

bool Args::Parse(const std::vector<std::string>& words, std::string& error) {
    for (std::size_t i = 0; i < words.size(); ++i) {
        std::string word = words[i];
        std::optional<std::string> inlineValue;
        if (word.rfind("--", 0) == 0) {
            const std::size_t eq = word.find('=');
            if (eq != std::string::npos) {
                inlineValue = word.substr(eq + 1);
                word.resize(eq);
            }
        }
        if (word.size() < 2 || word[0] != '-') {
            positional_.push_back(word);
            continue;
        }
        const OptionSpec* spec = Find(word);
        if (spec == nullptr) {
            error = "unknown option '" + word + "'";
            return false;
        }
        if (!spec->takesValue) {
            if (inlineValue) {
                error = "option '" + word + "' takes no value";
                return false;
            }
            values_[spec->name] = "";
            continue;
        }
        if (!inlineValue) {
            if (i + 1 >= words.size()) {
                error = "option '" + word + "' needs a value";
                return false;
            }
            inlineValue = words[++i];
        }
        values_[spec->name] = *inlineValue;
    }
    return true;
}

std::optional<std::string> Args::Value(const std::string& name) const {
    const auto it = values_.find(name);
    if (it == values_.end()) return std::nullopt;
    return it->second;
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
