#include "list/ColumnFit.h"

#include <algorithm>
#include <functional>

#include "list/RecordRow.h"

namespace folidex {

namespace {

// The widest of `header` and the column's cells. Laying a text out is what costs, so every cell
// first gets a bound of its width; only the cells whose bound passes the widest width measured so
// far are measured, the widest bounds first. Once a text reaches `enough`, none changes the column.
int WidestText(const TextMeasure& measure, int rowCount, int column, const std::string& header, const CellTextFn& cell,
               int enough) {
  int width = measure.TextWidth(header);
  if (width >= enough) return width;
  std::vector<std::pair<int, int>> bounds;  // bound, row
  int widestBoundRow = -1;
  int widestBound = width;
  for (int row = 0; row < rowCount; ++row) {
    const std::string& text = cell(row, column);
    if (text.empty()) continue;
    const int bound = measure.WidthBound(text);
    if (bound <= width) continue;
    bounds.emplace_back(bound, row);
    if (bound > widestBound) widestBound = bound, widestBoundRow = row;
  }
  if (widestBoundRow < 0) return width;
  width = std::max(width, measure.TextWidth(cell(widestBoundRow, column)));
  std::erase_if(bounds, [width](const std::pair<int, int>& b) { return b.first <= width; });
  std::sort(bounds.begin(), bounds.end(), std::greater<>());
  for (const auto& [bound, row] : bounds) {
    if (bound <= width || width >= enough) break;
    width = std::max(width, measure.TextWidth(cell(row, column)));
  }
  return width;
}

}  // namespace

std::vector<ColumnWidth> FitColumnWidths(const TextMeasure& measure, int columnCount, int column, int rowCount,
                                         const HeaderTextFn& header, const CellTextFn& cell) {
  std::vector<ColumnWidth> widths;
  for (int i = 0; i < columnCount; ++i) {
    if (column != -1 && column != i) continue;
    const int margins = (i == 0 ? 20 : 0) + 15;
    const int width = WidestText(measure, rowCount, i, header(i), cell, kMaxFittedColumnWidth - margins);
    widths.push_back({i, std::min(width + margins, kMaxFittedColumnWidth)});
  }
  return widths;
}

std::vector<ColumnWidth> FitColumnWidths(const TextMeasure& measure, const ListRows& list, int columnCount,
                                         int column) {
  columnCount = std::min(columnCount, ListRows::kColumns);
  return FitColumnWidths(
      measure, columnCount, column, list.RowCount(), [](int i) -> const std::string& { return ListColumnTitle(i); },
      [&list](int row, int i) -> const std::string& { return list.Cell(row, i); });
}

int TitleColumnWidth(const TextMeasure& measure, int column) {
  static const std::string none;
  auto widths = FitColumnWidths(
      measure, column + 1, column, 0, [](int i) -> const std::string& { return ListColumnTitle(i); },
      [](int, int) -> const std::string& { return none; });
  return widths.empty() ? 20 : widths.front().width;
}

}  // namespace folidex
