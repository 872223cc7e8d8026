#pragma once
// Column widths fitted to their contents: for each column the widest of its header text and
// of every cell text, plus 20 for column 0, plus 15 — for any table shown as a list.

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "common/TextMeasure.h"
#include "list/ListRows.h"

namespace folidex {

// The widest a fitted column becomes, the same bound the stored widths have: one long title must
// not make a column thousands of pixels wide.
inline constexpr int kMaxFittedColumnWidth = 600;

struct ColumnWidth {
  int column;
  int width;  // pixels
};

using HeaderTextFn = std::function<const std::string&(int column)>;
using CellTextFn = std::function<const std::string&(int row, int column)>;

// The fitted widths of the columns below `columnCount` that are to change: every one when
// `column` is -1, else only `column`; at most kMaxFittedColumnWidth each. An empty text is
// taken as 0 wide without asking `measure`.
std::vector<ColumnWidth> FitColumnWidths(const TextMeasure& measure, int columnCount, int column, int rowCount,
                                         const HeaderTextFn& header, const CellTextFn& cell);

// The same over the list's rows with the list's column titles.
std::vector<ColumnWidth> FitColumnWidths(const TextMeasure& measure, const ListRows& list, int columnCount, int column);

// The width of a list column fitted to its title alone (a first start, with no stored width).
int TitleColumnWidth(const TextMeasure& measure, int column);

}  // namespace folidex
