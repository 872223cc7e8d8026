#pragma once
// The list as a spreadsheet workbook (.xlsx, written by libxlsxwriter in constant-memory mode).
//
// The table: row 1 the titles of list columns 0 and 2..16 (the serial column is left out) in
// columns A..P, then one row per list row as the list shows it. Each text becomes the cell the
// spreadsheet would make of it when typed: a whole number (with or without thousands
// separators) a number cell, one of the program's date forms a date cell shown in the same
// form, anything else a text cell. Column widths fit the longest text (a double-byte character
// counts two), every row is 18 points high, the grid is hairline inside and medium around,
// with a thin line under the title row, every cell is centred vertically, and the title row is
// centred on light green (CCFFCC, colour index 35 of the default palette).

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "common/Clock.h"
#include "common/DesktopOpener.h"
#include "common/Progress.h"
#include "common/Prompter.h"
#include "list/ListRows.h"

namespace folidex {

inline constexpr int kExportColumns = 16;
// The list column written to exported column k (0..15): 0, then 2..16.
constexpr int ExportedListColumn(int k) { return k == 0 ? 0 : k + 1; }
// The most list rows a sheet holds under its title row.
inline constexpr long kMaxExportRows = 1'048'575;

// What a typed text becomes in the spreadsheet.
struct CellValue {
  enum class Kind { Text, Number, GroupedNumber, Date };
  Kind kind = Kind::Text;
  double number = 0;                                                   // Number, GroupedNumber
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;  // Date
  const char* dateFormat = nullptr;  // Date: the number format that shows it as it was typed
};

// Whole numbers of up to 15 digits, "-" allowed, grouped by "," in threes or not grouped at all
// (a leading zero keeps a text a text, so "007" is not shown as 7); dates as
// "YYYY.MM.DD hh:mm:ss", "YYYY/MM/DD hh:mm:ss" or "YYYY/MM/DD hh:mm" with a real calendar day
// from 1900 to 9999; everything else is text.
CellValue ClassifyCell(std::string_view cp932);

// The width of each exported column in characters: its longest text (title included) in CP932
// bytes, so a double-byte character counts two, plus a margin; at most 255.
std::vector<double> ExportColumnWidths(const ListRows& list);

enum class WorkbookResult { Done, Exists, Failed };

// Writes the table of `list` to the workbook `path` (native). The workbook is written under a
// temporary name in the same folder first; with `replace` it then replaces a file at `path`
// atomically, without it a file already at `path` is kept and the result is Exists. Failed
// leaves nothing behind; `detail` (if given) says why.
WorkbookResult WriteListWorkbook(const ListRows& list, const std::string& path, bool replace,
                                 std::string* detail = nullptr);

// "リスト_YYYYmmdd_HHMMSS.xlsx" (UTF-8) for the local time of `moment`; n > 0 gives
// "リスト_YYYYmmdd_HHMMSS_n.xlsx".
std::string WorkbookFileName(std::time_t moment, int n = 0);

// Writes the workbook into `folder` (native, existing) under the time-stamped name of
// `moment`, never reusing a name that is taken. Returns the path, or an empty text.
std::string WriteTimestampedWorkbook(const ListRows& list, const std::string& folder, std::time_t moment,
                                     std::string* detail = nullptr);

enum class ExportOutcome {
  Declined,     // the question was not answered Yes, or the list is empty
  Failed,       // nothing was written; a message was shown
  Opened,       // written and handed to the desktop's spreadsheet program
  LeftForUser,  // written, but no program could open it (30056 shown)
};
struct ExportResult {
  ExportOutcome outcome = ExportOutcome::Declined;
  NativePath path;  // the workbook written
};

// "Excel 出力": asks 30055, then (with the wait cursor) writes the list's workbook into
// `folder` (native; created when missing) under a new time-stamped name, shows its path in
// pane 120 and opens it with the desktop's program for .xlsx files. When none is registered or
// it cannot be started, shows the path and 30056 and leaves the file for the user.
ExportResult ExportListToSpreadsheet(const ListRows& list, const std::string& folder, const Clock& clock,
                                     Prompter& prompter, Progress& progress, DesktopOpener& opener);

}  // namespace folidex
