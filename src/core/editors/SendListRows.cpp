#include "editors/SendListRows.h"

#include <algorithm>
#include <vector>

#include "editors/SendTextFile.h"

namespace vadrix {

namespace {

struct RowRange {
    int first, last;
};

RowRange Clamped(int first, int last) {
    if (first > last) std::swap(first, last);
    return {std::clamp(first, 1, kSendListRows), std::clamp(last, 1, kSendListRows)};
}

std::vector<TSendEntry> ReadEntries(std::string_view text, char sep, int type17Option) {
    std::vector<TSendEntry> entries;
    while (!text.empty()) {
        TSendEntry e{};
        if (ReadEntryLine(text, sep, e, type17Option)) entries.push_back(e);
    }
    return entries;
}

}  // namespace

void CountActiveRows(TSendList& l) {
    l.ActiveCount = 0;
    l.LastActive = 0;
    for (int r = 1; r <= kSendListRows; ++r) {
        if (l.Row(r).Akt == 0) continue;
        ++l.ActiveCount;
        l.LastActive = r;
    }
}

std::string CopyRows(const TSendList& l, int first, int last, char sep) {
    const RowRange r = Clamped(first, last);
    std::string s;
    for (int i = r.first; i <= r.last; ++i) {
        AppendEntryLine(s, l.Row(i), sep);
        s += "\r\n";
    }
    return s;
}

std::string CutRows(TSendList& l, int first, int last, char sep) {
    const RowRange r = Clamped(first, last);
    std::string s = CopyRows(l, r.first, r.last, sep);
    const int n = r.last - r.first + 1;
    auto* begin = l.Rows + (r.first - 1);
    std::copy(begin + n, l.Rows + kSendListRows, begin);
    std::fill(l.Rows + kSendListRows - n, l.Rows + kSendListRows, TSendEntry{});
    return s;
}

int PasteRows(TSendList& l, int at, std::string_view text, char sep, int type17Option) {
    if (at < 1 || at > kSendListRows) return 0;
    std::vector<TSendEntry> entries = ReadEntries(text, sep, type17Option);
    const int room = kSendListRows - at + 1;
    if (static_cast<int>(entries.size()) > room) entries.resize(static_cast<std::size_t>(room));
    if (entries.empty()) return 0;
    const int n = static_cast<int>(entries.size());
    auto* begin = l.Rows + (at - 1);
    // The rows from `at` on move down behind the pasted ones.
    std::copy_backward(begin, l.Rows + kSendListRows - n, l.Rows + kSendListRows);
    std::copy(entries.begin(), entries.end(), begin);
    return n;
}

bool CanPasteRows(std::string_view text, char sep, int type17Option) {
    return !ReadEntries(text, sep, type17Option).empty();
}

}  // namespace vadrix
