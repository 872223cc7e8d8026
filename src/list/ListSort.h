#pragma once
// Sorting the list by the selected column.

#include <string>
#include <string_view>

#include "common/Progress.h"
#include "common/Prompter.h"
#include "list/ListRows.h"

namespace folidex {

enum class SortOrder { Ascending, Descending };

// Longest key of an ordinary column, in bytes.
inline constexpr std::size_t kSortKeyBytes = 259;
// Field width of the right-aligned size columns (11 and 12).
inline constexpr std::size_t kSortNumberField = 20;

// The sort key of a cell of `column`: for columns 11 and 12 the text right-aligned in a field
// of 20 characters (so grouped numbers compare by magnitude), else its first 259 bytes.
std::string SortKey(std::string_view text, int column);

// Sorts the rows by column `selCol` comparing keys byte by byte as unsigned values. Nothing
// happens when selCol <= 0 (column 0 is never a key) or beyond the last column. Afterwards the
// rows are numbered from 1 and none is selected; the duplicate table, keyed by serial, stays.
// The wait cursor is shown while sorting. Returns false when nothing was sorted (30001 when
// memory ran out; the list is then unchanged).
bool SortList(ListRows& list, int selCol, SortOrder order, Prompter& prompter, Progress& progress);

}  // namespace folidex
