#include "list/SpreadsheetExport.h"

#include <unistd.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <tuple>

#include "common/Cp932.h"
#include "common/FileSystem.h"
#include "common/OutputFile.h"

namespace folidex {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool AllDigits(std::string_view text) { return !text.empty() && std::all_of(text.begin(), text.end(), IsDigit); }

// A whole number as the spreadsheet reads a typed one; up to 15 digits keep their value exactly.
bool ParseWholeNumber(std::string_view text, double& value, bool& grouped) {
  bool negative = !text.empty() && text.front() == '-';
  if (negative) text.remove_prefix(1);
  if (text.empty()) return false;
  std::string digits;
  grouped = text.find(',') != std::string_view::npos;
  if (!grouped) {
    if (!AllDigits(text)) return false;
    digits = text;
  } else {
    std::size_t comma = text.find(',');
    std::string_view head = text.substr(0, comma);
    if (head.size() > 3 || !AllDigits(head)) return false;
    digits = head;
    for (std::size_t pos = comma; pos < text.size(); pos += 4) {
      std::string_view group = text.substr(pos + 1, 3);
      if (text[pos] != ',' || group.size() != 3 || !AllDigits(group)) return false;
      digits += group;
    }
  }
  if (digits.size() > 15 || (digits.size() > 1 && digits.front() == '0')) return false;
  double magnitude = 0;
  for (char c : digits) magnitude = magnitude * 10 + (c - '0');
  value = (negative && magnitude != 0) ? -magnitude : magnitude;
  return true;
}

int TwoDigits(std::string_view text, std::size_t pos) {
  if (!IsDigit(text[pos]) || !IsDigit(text[pos + 1])) return -1;
  return (text[pos] - '0') * 10 + (text[pos + 1] - '0');
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

// The program's date forms: "YYYY.MM.DD hh:mm:ss" (document dates), "YYYY/MM/DD hh:mm:ss"
// (file dates) and "YYYY/MM/DD hh:mm" (acquisition dates).
bool ParseDate(std::string_view text, CellValue& cell) {
  if (text.size() != 19 && text.size() != 16) return false;
  char separator = text[4];
  if ((separator != '.' && separator != '/') || text[7] != separator || text[10] != ' ' || text[13] != ':') {
    return false;
  }
  if (text.size() == 19 && text[16] != ':') return false;
  if (text.size() == 16 && separator != '/') return false;
  if (!AllDigits(text.substr(0, 4))) return false;
  int year = std::stoi(std::string(text.substr(0, 4)));
  int month = TwoDigits(text, 5), day = TwoDigits(text, 8), hour = TwoDigits(text, 11), minute = TwoDigits(text, 14);
  int second = text.size() == 19 ? TwoDigits(text, 17) : 0;
  if (year < 1900 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour < 0 || hour > 23 ||
      minute < 0 || minute > 59 || second < 0 || second > 59) {
    return false;
  }
  cell.kind = CellValue::Kind::Date;
  cell.year = year;
  cell.month = month;
  cell.day = day;
  cell.hour = hour;
  cell.minute = minute;
  cell.second = second;
  if (text.size() == 16) {
    cell.dateFormat = "yyyy/mm/dd hh:mm";
  } else if (separator == '/') {
    cell.dateFormat = "yyyy/mm/dd hh:mm:ss";
  } else {
    cell.dateFormat = "yyyy\\.mm\\.dd hh:mm:ss";
  }
  return true;
}

// The UTF-8 form of a cell, cut to the 32,767 characters a cell holds.
std::string CellUtf8(const std::string& cp932) {
  bool ascii = std::all_of(cp932.begin(), cp932.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  std::string utf8 = ascii ? cp932 : Cp932ToUtf8(cp932);
  constexpr std::size_t kMaxChars = 32767;
  if (utf8.size() > kMaxChars) {
    std::size_t chars = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
      if ((static_cast<unsigned char>(utf8[i]) & 0xC0) == 0x80) continue;
      if (++chars > kMaxChars) {
        utf8.resize(i);
        break;
      }
    }
  }
  return utf8;
}

// The cell formats of the table, made once per combination of edges, title and number format.
class TableFormats {
 public:
  TableFormats(lxw_workbook* workbook, int lastRow) : workbook_(workbook), lastRow_(lastRow) {}

  lxw_format* For(int row, int column, const char* numberFormat) {
    uint8_t left = column == 0 ? LXW_BORDER_MEDIUM : LXW_BORDER_HAIR;
    uint8_t right = column == kExportColumns - 1 ? LXW_BORDER_MEDIUM : LXW_BORDER_HAIR;
    uint8_t top = row == 0 ? LXW_BORDER_MEDIUM : row == 1 ? LXW_BORDER_THIN : LXW_BORDER_HAIR;
    // The title row's thin bottom line is drawn after the outline, so it wins even when the
    // title row is the last row.
    uint8_t bottom = row == 0 ? LXW_BORDER_THIN : row == lastRow_ ? LXW_BORDER_MEDIUM : LXW_BORDER_HAIR;
    Key key{left, right, top, bottom, row == 0, numberFormat ? numberFormat : ""};
    auto found = formats_.find(key);
    if (found != formats_.end()) return found->second;
    lxw_format* format = workbook_add_format(workbook_);
    format_set_left(format, left);
    format_set_right(format, right);
    format_set_top(format, top);
    format_set_bottom(format, bottom);
    format_set_align(format, LXW_ALIGN_VERTICAL_CENTER);
    if (row == 0) {
      format_set_align(format, LXW_ALIGN_CENTER);
      format_set_pattern(format, LXW_PATTERN_SOLID);
      format_set_bg_color(format, 0xCCFFCC);
    }
    if (numberFormat) format_set_num_format(format, numberFormat);
    formats_.emplace(key, format);
    return format;
  }

 private:
  struct Key {
    uint8_t left, right, top, bottom;
    bool title;
    std::string_view numberFormat;  // a string literal
    bool operator<(const Key& o) const {
      return std::tie(left, right, top, bottom, title, numberFormat) <
             std::tie(o.left, o.right, o.top, o.bottom, o.title, o.numberFormat);
    }
  };
  lxw_workbook* workbook_;
  int lastRow_;
  std::map<Key, lxw_format*> formats_;
};

lxw_error WriteCell(lxw_worksheet* sheet, TableFormats& formats, int row, int column, const std::string& text,
                    bool title) {
  auto r = static_cast<lxw_row_t>(row);
  auto c = static_cast<lxw_col_t>(column);
  if (text.empty()) return worksheet_write_blank(sheet, r, c, formats.For(row, column, nullptr));
  CellValue value = title ? CellValue{} : ClassifyCell(text);
  switch (value.kind) {
    case CellValue::Kind::Number:
      return worksheet_write_number(sheet, r, c, value.number, formats.For(row, column, nullptr));
    case CellValue::Kind::GroupedNumber:
      return worksheet_write_number(sheet, r, c, value.number, formats.For(row, column, "#,##0"));
    case CellValue::Kind::Date: {
      lxw_datetime when{value.year,
                        static_cast<uint8_t>(value.month),
                        static_cast<uint8_t>(value.day),
                        static_cast<uint8_t>(value.hour),
                        static_cast<uint8_t>(value.minute),
                        static_cast<double>(value.second)};
      return worksheet_write_datetime(sheet, r, c, &when, formats.For(row, column, value.dateFormat));
    }
    case CellValue::Kind::Text:
      break;
  }
  return worksheet_write_string(sheet, r, c, CellUtf8(text).c_str(), formats.For(row, column, nullptr));
}

// Writes the whole workbook to `path`; returns the first error.
lxw_error WriteWorkbookFile(const ListRows& list, const std::string& path) {
  lxw_workbook_options options{};
  options.constant_memory = LXW_TRUE;
  lxw_workbook* workbook = workbook_new_opt(path.c_str(), &options);
  if (!workbook) return LXW_ERROR_CREATING_XLSX_FILE;
  lxw_worksheet* sheet = workbook_add_worksheet(workbook, nullptr);
  lxw_error error = sheet ? LXW_NO_ERROR : LXW_ERROR_MEMORY_MALLOC_FAILED;

  const int rows = list.RowCount();
  TableFormats formats(workbook, rows);
  std::vector<double> widths = ExportColumnWidths(list);
  for (int k = 0; k < kExportColumns && !error; ++k) {
    error = worksheet_set_column(sheet, static_cast<lxw_col_t>(k), static_cast<lxw_col_t>(k), widths[k], nullptr);
  }
  for (int row = 0; row <= rows && !error; ++row) {
    error = worksheet_set_row(sheet, static_cast<lxw_row_t>(row), 18, nullptr);
    for (int k = 0; k < kExportColumns && !error; ++k) {
      int column = ExportedListColumn(k);
      const std::string& text = row == 0 ? ListColumnTitle(column) : list.Cell(row - 1, column);
      error = WriteCell(sheet, formats, row, k, text, row == 0);
    }
  }
  lxw_error closed = workbook_close(workbook);  // frees the workbook whatever happened before
  return error ? error : closed;
}

std::string Describe(lxw_error error) { return lxw_strerror(error); }

}  // namespace

CellValue ClassifyCell(std::string_view text) {
  CellValue cell;
  bool grouped = false;
  if (ParseWholeNumber(text, cell.number, grouped)) {
    cell.kind = grouped ? CellValue::Kind::GroupedNumber : CellValue::Kind::Number;
    return cell;
  }
  cell.number = 0;
  if (ParseDate(text, cell)) return cell;
  return CellValue{};
}

std::vector<double> ExportColumnWidths(const ListRows& list) {
  std::vector<double> widths(kExportColumns);
  for (int k = 0; k < kExportColumns; ++k) {
    int column = ExportedListColumn(k);
    std::size_t longest = ListColumnTitle(column).size();
    for (const ListRows::Row& row : list.Rows()) longest = std::max(longest, row.cells[column].size());
    widths[k] = std::min(255.0, static_cast<double>(longest) + 2.0);
  }
  return widths;
}

WorkbookResult WriteListWorkbook(const ListRows& list, const std::string& path, bool replace, std::string* detail) {
  auto fail = [&](const std::string& why) {
    if (detail) *detail = why;
    return WorkbookResult::Failed;
  };
  if (list.RowCount() > kMaxExportRows) return fail("more rows than a sheet holds");
  if (!replace && NameTaken(path)) return WorkbookResult::Exists;
  const std::string folder = ParentFolder(path);
  std::string temporary = CreateTemporaryFileIn(folder, "folidex-xlsx");
  if (temporary.empty()) return fail("cannot create a file in " + folder);
  lxw_error error = WriteWorkbookFile(list, temporary);
  if (error || !SyncFile(temporary)) {
    ::unlink(temporary.c_str());
    return fail(error ? Describe(error) : "cannot flush " + temporary);
  }
  if (replace) {
    if (::rename(temporary.c_str(), path.c_str()) == 0) return WorkbookResult::Done;
    ::unlink(temporary.c_str());
    return fail("cannot rename to " + path);
  }
  NewFileResult published = PublishWithoutReplacing(temporary, path);
  if (published == NewFileResult::Done) return WorkbookResult::Done;
  ::unlink(temporary.c_str());
  if (published == NewFileResult::Exists) return WorkbookResult::Exists;
  return fail("cannot rename to " + path);
}

std::string WorkbookFileName(std::time_t moment, int n) {
  std::string name = "リスト_" + FormatLocalTime(moment, "%Y%m%d_%H%M%S");
  if (n > 0) name += "_" + std::to_string(n);
  return name + ".xlsx";
}

std::string WriteTimestampedWorkbook(const ListRows& list, const std::string& folder, std::time_t moment,
                                     std::string* detail) {
  std::string base = folder;
  if (base.empty() || base.back() != '/') base += '/';
  for (int n = 0; n < 1000; ++n) {
    std::string path = base + WorkbookFileName(moment, n);
    if (NameTaken(path)) continue;
    WorkbookResult result = WriteListWorkbook(list, path, false, detail);
    if (result == WorkbookResult::Done) return path;
    if (result == WorkbookResult::Failed) return {};
  }
  if (detail) *detail = "every name for this moment is taken";
  return {};
}

ExportResult ExportListToSpreadsheet(const ListRows& list, const std::string& folder, const Clock& clock,
                                     Prompter& prompter, Progress& progress, DesktopOpener& opener) {
  ExportResult result;
  if (list.RowCount() == 0) return result;
  if (prompter.AskYesNo(Msg::ExportListQuestion) != Answer::Yes) return result;
  {
    WaitCursor wait(progress);
    if (list.RowCount() > kMaxExportRows) {
      result.outcome = ExportOutcome::Failed;
    } else if (!EnsureFolders(folder)) {
      result.outcome = ExportOutcome::Failed;
    } else {
      result.path = NativePath(WriteTimestampedWorkbook(list, folder, clock.Now()));
      result.outcome = result.path.empty() ? ExportOutcome::Failed : ExportOutcome::LeftForUser;
    }
  }
  if (result.outcome == ExportOutcome::Failed) {
    if (list.RowCount() > kMaxExportRows) {
      prompter.Error(Msg::ExportTooManyRows);
    } else {
      prompter.Error(Msg::OutputFileCreateFailed, FromNativePath(folder) + "\n");
    }
    return result;
  }
  progress.SetPaneText(StatusPane::Url, FromNativePath(result.path));
  if (OpenWrittenFile(opener, prompter, result.path, Msg::SpreadsheetStartFailed)) {
    result.outcome = ExportOutcome::Opened;
  }
  return result;
}

}  // namespace folidex
