#include "list/ColumnFit.h"

#include <algorithm>

#include "list/RecordRow.h"

namespace folidex {

std::vector<ColumnWidth> FitColumnWidths(const TextMeasure& measure, int columnCount, int column, int rowCount,
                                         const HeaderTextFn& header, const CellTextFn& cell) {
  std::vector<ColumnWidth> widths;
  for (int i = 0; i < columnCount; ++i) {
    if (column != -1 && column != i) continue;
    int width = measure.TextWidth(header(i));
    for (int row = 0; row < rowCount; ++row) width = std::max(width, measure.TextWidth(cell(row, i)));
    if (i == 0) width += 20;
    widths.push_back({i, width + 15});
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

}  // namespace folidex
