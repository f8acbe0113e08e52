#pragma once
// How a sortable list orders its rows when a header is clicked: each column
// compares as text or as a number, and keeps its own direction, which flips
// on every click of that column.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// NumberOrNone: numbers, where a cell without one means "none" and stays
// below every number whichever way the column is sorted.
enum class SortKind { Numeric = 0, Text = 1, NumberOrNone = 2 };

// The leading decimal integer after optional blanks and an optional sign; 0
// when the text does not start with digits.
std::int64_t LeadingInteger(std::string_view text);

class ListSortColumns {
public:
    // A new column starts so that its first click sorts ascending.
    void Add(int column, SortKind kind);
    // Flips the direction of the column; false for a column never added,
    // which the list then leaves unsorted.
    bool Toggle(int column);
    bool IsAscending(int column) const;
    SortKind Kind(int column) const;

private:
    struct Entry {
        int column;
        SortKind kind;
        bool ascending;
    };
    const Entry* Find(int column) const;
    std::vector<Entry> m_Entries;
};

// The new display order of rows whose texts in the sorted column are
// `cells` (UTF-8): a permutation of 0..n-1. Text compares the GB18030 bytes
// unsigned, so Chinese names come out in pinyin order; rows that compare
// equal keep their order.
std::vector<int> SortOrder(const std::vector<std::string_view>& cells, SortKind kind,
                           bool ascending);
