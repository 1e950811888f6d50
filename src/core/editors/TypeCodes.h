#pragma once
// Telegram types as the send editors name them: the short code in the type's name, the
// template text of each type and the code lookup of the list editor's type cell.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/Context.h"
#include "common/SendItems.h"

namespace vadrix {

inline constexpr int kTypeFreeBits = 77;    // "M": a free bit string
inline constexpr int kTypeLevelWords = 78;  // "N": level and duration words
inline constexpr int kLastListType = 76;

struct TypeTemplate {
    std::uint8_t Da = 2;
    std::uint8_t Lg = 4;
    std::uint16_t TelNr = 516;
    std::array<std::uint8_t, 9> B{};
};

// Reads a template text "D LL TTTTT : B1B2..B9": character 1 the kind of transmission,
// characters 3-4 the length code, 6-10 the telegram number, from 14 on nine hexadecimal
// pairs. A missing or unreadable number keeps its default.
TypeTemplate ParseTypeTemplate(std::string_view text);
TypeTemplate TypeTemplateOf(const Context& ctx, int type);
// Puts the template into an entry: telegram number, length code, bytes, kind of transmission
// and type; Akt and Sys keep their values.
void ApplyTypeTemplate(const TypeTemplate& t, int type, TSendEntry& e);

// What the telegram editor shows for a type: the memo (types 77 and 78) or the field
// groups, the labels of the station list and the function code field, and how many
// information-byte fields the template's length code asks for.
struct TypeView {
    bool memo = false;
    bool groupA = true;  // station list, shift, function code
    bool groupB = true;  // the entry fields
    int stationLabel = 140;
    int functionLabel = 145;
    int memoHint = 0;
    int infoFields = 2;
};
TypeView TypeViewOf(int type, int templateLg);

// The name a type has in the type list: texts 50 + type, then 127 and 128.
std::string_view TypeListName(const Context& ctx, int type);

// The type change of the telegram editor: nothing for a negative type or the previous one.
// While the form is being filled (previous type -1) the stored telegram keeps its name and
// entry; a real change puts the new type's template into the entry and gives the telegram
// the type's name. previousType becomes type.
bool ApplyTypeChange(const Context& ctx, TSendTelegram& working, int& previousType, int type);

// Characters 2 to 5 of the type's name text.
std::string TypeShortName(const Context& ctx, int type);

// Looks up a type code such as "PS6B" in the code text (eight two-character codes, two per
// group): none when the code, its number or its suffix does not fit.
std::optional<int> LookupTypeCode(std::string_view code, std::string_view codesText);

// The list editor's type cell: a number 0..76 when it starts with a digit, else a type code.
std::optional<int> ParseTypeCell(std::string_view text, std::string_view codesText);

}  // namespace vadrix
