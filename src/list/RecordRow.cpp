#include "list/RecordRow.h"

#include "common/Cp932.h"

namespace folidex {

const std::string& ListColumnTitle(int column) {
  static const std::array<std::string, kListColumnCount> titles = [] {
    std::array<std::string, kListColumnCount> result;
    for (int i = 0; i < kListColumnCount; ++i) result[i] = Utf8ToCp932(kListColumnTitlesUtf8[i]);
    return result;
  }();
  return titles[column];
}

std::string GroupDigits(std::string_view digits) {
  std::size_t n = digits.size();
  std::string text(digits);
  if (n < 4 || n >= 10) return text;
  // A text that is not all digits (a size already grouped by another tool, "9,597,462") is
  // shown as it is: grouping it again would garble it and its sort.
  for (char c : digits)
    if (c < '0' || c > '9') return text;
  if (n <= 6) return text.substr(0, n - 3) + "," + text.substr(n - 3);
  return text.substr(0, n - 6) + "," + text.substr(n - 6, 3) + "," + text.substr(n - 3);
}

ListRows::Cells RecordRowTexts(IndexRecord& record, int rowNumber, const std::string& serial, const std::string& mark) {
  record[FieldTag::FS] = GroupDigits(record[FieldTag::FS]);
  record[FieldTag::TS] = GroupDigits(record[FieldTag::TS]);
  ListRows::Cells cells;
  cells[ColumnIndex(ListColumn::No)] = std::to_string(rowNumber);
  cells[ColumnIndex(ListColumn::SerialNo)] = serial;
  cells[ColumnIndex(ListColumn::Status)] = mark;
  // PT..FA stand in the columns from Title on, in field order.
  for (int field = 0; field <= static_cast<int>(FieldTag::FA); ++field)
    cells[ColumnIndex(ListColumn::Title) + field] = record.fields[field];
  cells[ColumnIndex(ListColumn::Source)] = record[FieldTag::FG];
  return cells;
}

bool AppendRecordRow(ListRows& list, IndexRecord& record, const std::string& serial, const std::string& mark,
                     bool selected) {
  int n = list.RowCount();
  return list.AppendRow(RecordRowTexts(record, n + 1, serial, mark), selected);
}

}  // namespace folidex
