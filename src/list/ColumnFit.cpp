#include "list/ColumnFit.h"

#include <algorithm>

#include "list/RecordRow.h"

namespace folidex {

std::vector<ColumnWidth> FitColumnWidths(const TextMeasure& measure, int columnCount, int column, int rowCount,
                                         const HeaderTextFn& header, const CellTextFn& cell) {
  std::vector<ColumnWidth> widths;
  for (int i = 0; i < columnCount; ++i) {
    if (column != -1 && column != i) continue;
    const int margins = (i == 0 ? 20 : 0) + 15;
    // Once a text reaches the bound, no wider one changes the column: the rest go unmeasured.
    const int enough = kMaxFittedColumnWidth - margins;
    int width = measure.TextWidth(header(i));
    for (int row = 0; row < rowCount && width < enough; ++row) {
      const std::string& text = cell(row, i);
      if (!text.empty()) width = std::max(width, measure.TextWidth(text));
    }
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
