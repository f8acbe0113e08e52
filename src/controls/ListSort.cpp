#include "controls/ListSort.h"

#include "platform/TextCodec.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <optional>

std::int64_t LeadingInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (value > (INT64_MAX - 9) / 10)
            break; // longer numbers than any list shows compare by their first digits
        value = value * 10 + (text[i] - '0');
    }
    return negative ? -value : value;
}

void ListSortColumns::Add(int column, SortKind kind) {
    m_Entries.push_back({column, kind, false});
}

const ListSortColumns::Entry* ListSortColumns::Find(int column) const {
    const auto found = std::find_if(m_Entries.begin(), m_Entries.end(),
                                    [column](const Entry& e) { return e.column == column; });
    return found == m_Entries.end() ? nullptr : &*found;
}

bool ListSortColumns::Toggle(int column) {
    auto* entry = const_cast<Entry*>(Find(column));
    if (entry == nullptr)
        return false;
    entry->ascending = !entry->ascending;
    return true;
}

bool ListSortColumns::IsAscending(int column) const {
    const Entry* entry = Find(column);
    return entry != nullptr && entry->ascending;
}

SortKind ListSortColumns::Kind(int column) const {
    const Entry* entry = Find(column);
    return entry == nullptr ? SortKind::Text : entry->kind;
}

std::vector<int> SortOrder(const std::vector<std::string_view>& cells, SortKind kind,
                           bool ascending) {
    std::vector<int> order(cells.size());
    std::iota(order.begin(), order.end(), 0);
    if (kind == SortKind::Numeric) {
        std::vector<std::int64_t> keys(cells.size());
        std::transform(cells.begin(), cells.end(), keys.begin(), LeadingInteger);
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            return ascending ? keys[a] < keys[b] : keys[b] < keys[a];
        });
        return order;
    }
    if (kind == SortKind::NumberOrNone) {
        std::vector<std::optional<std::int64_t>> keys(cells.size());
        std::transform(cells.begin(), cells.end(), keys.begin(), [](std::string_view cell) {
            std::size_t i = cell.find_first_not_of(" \t");
            if (i < cell.size() && (cell[i] == '-' || cell[i] == '+'))
                ++i;
            return i < cell.size() && cell[i] >= '0' && cell[i] <= '9'
                       ? std::optional(LeadingInteger(cell))
                       : std::nullopt;
        });
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            if (!keys[a] || !keys[b])
                return keys[a].has_value() && !keys[b];
            return ascending ? *keys[a] < *keys[b] : *keys[b] < *keys[a];
        });
        return order;
    }
    // Each text is converted once, not once per comparison.
    std::vector<std::string> keys(cells.size());
    std::transform(cells.begin(), cells.end(), keys.begin(), Utf8ToGb18030);
    auto less = [](const std::string& x, const std::string& y) {
        const int c = std::memcmp(x.data(), y.data(), std::min(x.size(), y.size()));
        return c != 0 ? c < 0 : x.size() < y.size();
    };
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return ascending ? less(keys[a], keys[b]) : less(keys[b], keys[a]);
    });
    return order;
}
