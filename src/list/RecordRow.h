#pragma once
// A record as a row of the list: the cells of the seventeen columns built from the record's
// fields, the grouped sizes, and the appending of a record as a new selected row.

#include <string>
#include <string_view>

#include "list/ListRows.h"
#include "store/Record.h"

namespace folidex {

// Thousands separators for a digit string of 4 to 9 digits; other lengths stay unchanged.
std::string GroupDigits(std::string_view digits);

// The cells of a row built from `record`: row number, serial, mark, PT..FA, FG, and an empty
// last column. FS and TS are shown grouped, and the grouped form is written back into `record`.
ListRows::Cells RecordRowTexts(IndexRecord& record, int rowNumber, const std::string& serial, const std::string& mark);

// Appends `record` as a new row at the end of the list, selected or not; other rows keep their
// selection. Returns false when the list refuses the row.
bool AppendRecordRow(ListRows& list, IndexRecord& record, const std::string& serial, const std::string& mark,
                     bool selected);

}  // namespace folidex
