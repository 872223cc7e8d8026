#include "list/ListSort.h"

#include <algorithm>
#include <new>
#include <utility>
#include <vector>

namespace folidex {
namespace {

bool IsNumberColumn(int column) {
  return column == ColumnIndex(ListColumn::FileSize) || column == ColumnIndex(ListColumn::TextSize);
}

}  // namespace

std::string SortKey(std::string_view text, int column) {
  if (IsNumberColumn(column)) {
    std::string key(kSortNumberField, ' ');
    key.append(text);
    return key.substr(key.size() - kSortNumberField);
  }
  return std::string(text.substr(0, kSortKeyBytes));
}

bool SortList(ListRows& list, int selCol, SortOrder order, Prompter& prompter, Progress& progress) {
  if (selCol <= 0 || selCol >= ListRows::kColumns) return false;
  const int n = list.RowCount();
  try {
    struct SortRecord {
      int index;
      std::string_view key;
    };
    // Ordinary keys are views of the cells cut at 259 bytes; the size columns need padded copies.
    std::vector<std::string> paddedKeys;
    if (IsNumberColumn(selCol)) paddedKeys.reserve(static_cast<std::size_t>(n));
    std::vector<SortRecord> records;
    records.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
      std::string_view text = list.Cell(i, selCol);
      if (IsNumberColumn(selCol)) {
        paddedKeys.push_back(SortKey(text, selCol));
        records.push_back({i, paddedKeys.back()});
      } else {
        records.push_back({i, text.substr(0, kSortKeyBytes)});
      }
    }
    {
      WaitCursor wait(progress);
      // std::string_view compares through char_traits<char>, i.e. memcmp: unsigned bytes.
      if (order == SortOrder::Ascending)
        std::stable_sort(records.begin(), records.end(),
                         [](const SortRecord& a, const SortRecord& b) { return a.key < b.key; });
      else
        std::stable_sort(records.begin(), records.end(),
                         [](const SortRecord& a, const SortRecord& b) { return b.key < a.key; });
    }
    std::vector<ListRows::Row> sorted;
    sorted.reserve(static_cast<std::size_t>(n));
    for (int position = 0; position < n; ++position) {
      ListRows::Row row;
      row.cells = list.RowCells(records[position].index);
      row.cells[ColumnIndex(ListColumn::No)] = std::to_string(position + 1);
      row.selected = false;
      sorted.push_back(std::move(row));
    }
    records.clear();
    paddedKeys.clear();
    list.ReplaceRows(std::move(sorted));
  } catch (const std::bad_alloc&) {
    prompter.Error(Msg::MemoryAllocFailed);
    return false;
  }
  return true;
}

}  // namespace folidex
