#pragma once
// The object description table: names, colours and classes that users give the telegrams
// of their installation in a text file.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vadrix {

struct Context;

// Font and background colour indices; 0 leaves the record's own colour.
struct DescColourPair {
    std::uint8_t font = 0;
    std::uint8_t background = 0;
};

class Descriptions {
  public:
    static constexpr std::size_t kMaxPairs = 32000;
    static constexpr std::size_t kMaxName = 79;

    int Find(int telNo, int dataKind, bool sequenced) const;
    std::string_view Name(int index) const;
    int Class(int index) const;
    DescColourPair Colours(int index) const;
    std::size_t PairCount() const { return index_.size(); }

  private:
    friend bool LoadDescriptions(Context& ctx, Descriptions& d, const std::filesystem::path& file);
    friend struct DescriptionsBuilder;
    std::vector<char> buffer_;  // entries: colour pair (2), class (1), name length, name
    std::vector<std::pair<std::uint32_t, std::uint32_t>> index_;  // key, entry position
};

// Reads a description file into d. False when the file cannot be opened (d stays as it was);
// faulty lines are skipped and reported once through the user interface.
bool LoadDescriptions(Context& ctx, Descriptions& d, const std::filesystem::path& file);

inline int FindDescription(const Descriptions& d, int telNo, int dataKind, bool sequenced) {
    return d.Find(telNo, dataKind, sequenced);
}
inline std::string_view DescName(const Descriptions& d, int index) {
    return d.Name(index);
}
inline int DescClass(const Descriptions& d, int index) {
    return d.Class(index);
}
inline DescColourPair DescColours(const Descriptions& d, int index) {
    return d.Colours(index);
}

// The telegram class of a telegram that is not short, before the + 1 of InfoClass; -1: none.
int DeriveClass(int telNo, int dataKind, int lengthCode, bool sequenced, int type17Option);

}  // namespace vadrix
