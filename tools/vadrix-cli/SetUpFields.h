#pragma once
// The simulation set-up of a send telegram file as named fields: general parameters, both
// channel blocks, twelve send telegrams and twelve send lists. Each field knows where it
// lies, how it is written as text and which values it accepts.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "channel/ChannelBlock.h"
#include "common/GeneralParams.h"
#include "common/SendItems.h"

namespace vadrix {
struct Context;
}

namespace vadrix::cli {

#pragma pack(push, 1)

// The parts of the file that hold fields, side by side.
struct alignas(4) SetUpImage {
    TGeneralParams general{};
    TChannelBlock emse1{};
    TChannelBlock emse2{};
    TSendTelegramTable telegrams{};
    TSendListTable lists{};
};

#pragma pack(pop)

enum class FieldType { kU8, kI8, kU16, kI32, kU32, kReal, kText };

struct Field {
    std::string key;         // "telegram3.Anst"
    std::size_t offset = 0;  // in the image
    FieldType type = FieldType::kI32;
    int count = 1;        // numbers of an array, written as a comma list
    std::int64_t lo = 0;  // each number lies in [lo, hi] ...
    std::int64_t hi = 0;
    std::vector<std::int64_t> allowed;  // ... or, when given, is one of these
    std::size_t maxChars = 0;           // texts
};

class SetUpFields {
  public:
    // The choice lists of the channel dialogs give their ranges from the texts.
    explicit SetUpFields(const Context& ctx);

    const std::vector<Field>& All() const { return fields_; }
    const Field* Find(std::string_view key) const;

    // The field's value as the listing writes it.
    std::string Value(const SetUpImage& image, const Field& f) const;
    // Takes a value; false with the reason (naming the accepted values) and the image
    // unchanged when the text is no acceptable value.
    bool Assign(SetUpImage& image, const Field& f, std::string_view text,
                std::string& reason) const;
    // The accepted values in words: "0 to 59", "16 numbers 0 to 127", ...
    static std::string Accepted(const Field& f);

    // The rules that tie fields together; one message per broken rule.
    std::vector<std::string> CheckTogether(const SetUpImage& image) const;

  private:
    friend class FieldBuilder;
    std::vector<Field> fields_;
    std::unordered_map<std::string, std::size_t> index_;
    std::vector<std::int64_t> baudRates_;  // the baud list: index -> rate
};

// Values that follow from other fields and are not listed: the active-row counts of the
// lists and whether a filter restricts anything.
void DeriveFields(SetUpImage& image);

// The whole listing: one "key = value" line per field; list rows holding the default entry
// are left out (said in a comment) unless allRows is set.
std::string Listing(const SetUpImage& image, const SetUpFields& fields, bool allRows);

}  // namespace vadrix::cli
