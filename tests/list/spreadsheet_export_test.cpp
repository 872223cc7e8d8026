#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>

#include "common/Cp932.h"
#include "common/FileSystem.h"
#include "list/SpreadsheetExport.h"
#include "support/FakeDesktopOpener.h"
#include "support/TestSupport.h"
#include "support/WorkbookXml.h"

using namespace folidex;
using namespace folidex::test;

namespace {

// A row as a search would list it.
ListRows::Cells SampleRow(int number, const std::string& title) {
  ListRows::Cells c;
  c[0] = std::to_string(number);
  c[1] = "00000007";
  c[2] = J("○");
  c[3] = title;
  c[4] = J("山田");
  c[6] = J("報告;年次");
  c[7] = "2010.12.01 10:20:30";
  c[8] = "2010.13.01 10:20:30";  // no such month: stays text
  c[9] = "I";
  c[10] = "report.pdf";
  c[11] = "1,234,567";
  c[12] = "999";
  c[13] = "2010/12/01 10:20:30";
  c[14] = "2010/12/01 10:20";
  c[15] = "/home/user/report.pdf";
  return c;
}

ListRows ListOf(int rows) {
  ListRows list;
  for (int i = 0; i < rows; ++i) list.AppendRow(SampleRow(i + 1, J("報告書") + std::to_string(i + 1)), false);
  return list;
}

struct Workbook {
  std::vector<SheetRow> rows;
  std::vector<SheetColumn> columns;
  std::vector<CellStyle> styles;
  std::string sheetXml;
  const SheetCell& Cell(const std::string& ref) const {
    for (const SheetRow& row : rows)
      for (const SheetCell& cell : row.cells)
        if (cell.ref == ref) return cell;
    throw std::runtime_error("no cell " + ref);
  }
  const CellStyle& Style(const std::string& ref) const { return styles.at(Cell(ref).style); }
};

Workbook Read(const std::string& path) {
  Workbook book;
  book.sheetXml = ReadWorkbookPart(path, "xl/worksheets/sheet1.xml");
  book.rows = ParseSheetRows(book.sheetXml);
  book.columns = ParseSheetColumns(book.sheetXml);
  book.styles = ParseCellStyles(ReadWorkbookPart(path, "xl/styles.xml"));
  return book;
}

}  // namespace

TEST(SpreadsheetCells, TypedTextsBecomeWhatTheSpreadsheetMakesOfThem) {
  using Kind = CellValue::Kind;
  EXPECT_EQ(ClassifyCell("1,234,567").kind, Kind::GroupedNumber);
  EXPECT_EQ(ClassifyCell("1,234,567").number, 1234567);
  EXPECT_EQ(ClassifyCell("999").kind, Kind::Number);
  EXPECT_EQ(ClassifyCell("1234567890").number, 1234567890);
  EXPECT_EQ(ClassifyCell("-1,000").number, -1000);
  EXPECT_EQ(ClassifyCell("0").kind, Kind::Number);
  for (const char* text : {"", "12,34", "1,2345", ",123", "1,", "0123", "1234567890123456", "1.5", "abc", "-", "1 234",
                           "2010/12/01", "2010.12.01 10:20", "2010/02/29 10:20", "1899/12/31 10:20", "2010/12/01 24:00",
                           "2010-12-01 10:20:30", "2010.12/01 10:20:30"}) {
    EXPECT_EQ(ClassifyCell(text).kind, Kind::Text) << text;
  }
  CellValue date = ClassifyCell("2012.02.29 23:59:58");
  ASSERT_EQ(date.kind, Kind::Date);
  EXPECT_EQ(date.year * 10000 + date.month * 100 + date.day, 20120229);
  EXPECT_EQ(date.hour * 10000 + date.minute * 100 + date.second, 235958);
  EXPECT_STREQ(ClassifyCell("2010/12/01 10:20:30").dateFormat, "yyyy/mm/dd hh:mm:ss");
  EXPECT_STREQ(ClassifyCell("2010/12/01 10:20").dateFormat, "yyyy/mm/dd hh:mm");
}

TEST(SpreadsheetExport, OneRowGivesTheFormattedTableOfTwoRows) {
  TempDir dir;
  ListRows list = ListOf(1);
  list.SetCell(0, 16, "");
  std::string path = dir.File("one.xlsx");
  ASSERT_EQ(WriteListWorkbook(list, path, false), WorkbookResult::Done);
  Workbook book = Read(path);

  ASSERT_EQ(book.rows.size(), 2u);
  const std::vector<std::string> titles = {
      "No",   "状態",       "タイトル",     "作成者",         "サブタイトル", "キーワード", "作成日時", "更新日時",
      "Link", "ファイル名", "サイズ(Byte)", "テキスト(Byte)", "作成日時",     "取得日時",   "取得先",   " "};
  for (int row = 0; row < 2; ++row) {
    EXPECT_EQ(book.rows[row].number, row + 1);
    EXPECT_EQ(book.rows[row].height, "18");
    EXPECT_TRUE(book.rows[row].customHeight);
    ASSERT_EQ(book.rows[row].cells.size(), 16u);
    for (int k = 0; k < 16; ++k) {
      EXPECT_EQ(book.rows[row].cells[k].ref, std::string(1, static_cast<char>('A' + k)) + std::to_string(row + 1));
      if (row == 0) {
        EXPECT_EQ(book.rows[0].cells[k].value, titles[k]);
        EXPECT_EQ(book.rows[0].cells[k].type, "inlineStr");
      }
    }
  }
  // The serial number is not written; texts are inline, with no shared-string table.
  EXPECT_EQ(book.sheetXml.find("Serial"), std::string::npos);
  EXPECT_EQ(book.sheetXml.find("00000007"), std::string::npos);
  EXPECT_TRUE(ReadWorkbookPart(path, "xl/sharedStrings.xml").empty());

  // Numbers and dates as the spreadsheet makes them of typed texts, texts as texts.
  EXPECT_EQ(book.Cell("A2").type, "");
  EXPECT_EQ(book.Cell("A2").value, "1");
  EXPECT_EQ(book.Cell("B2").value, "○");
  EXPECT_EQ(book.Cell("C2").value, "報告書1");
  EXPECT_EQ(book.Cell("K2").value, "1234567");
  EXPECT_EQ(book.Style("K2").numberFormat, "#,##0");
  EXPECT_EQ(book.Cell("L2").value, "999");
  EXPECT_EQ(book.Style("L2").numberFormat, "General");
  EXPECT_NEAR(std::stod(book.Cell("G2").value), 40513 + (10 * 3600 + 20 * 60 + 30) / 86400.0, 1e-9);
  EXPECT_EQ(book.Style("G2").numberFormat, "yyyy\\.mm\\.dd hh:mm:ss");
  EXPECT_EQ(book.Cell("H2").type, "inlineStr");
  EXPECT_EQ(book.Cell("H2").value, "2010.13.01 10:20:30");
  EXPECT_EQ(book.Style("M2").numberFormat, "yyyy/mm/dd hh:mm:ss");
  EXPECT_NEAR(std::stod(book.Cell("N2").value), 40513 + (10 * 3600 + 20 * 60) / 86400.0, 1e-9);
  EXPECT_EQ(book.Style("N2").numberFormat, "yyyy/mm/dd hh:mm");
  EXPECT_EQ(book.Cell("P2").value, "");
  EXPECT_EQ(book.Cell("P2").type, "");

  // Outline medium, thin under the title row, hairline inside.
  auto edges = [&](const std::string& ref) {
    const CellStyle& s = book.Style(ref);
    return s.left + " " + s.top + " " + s.right + " " + s.bottom;
  };
  EXPECT_EQ(edges("A1"), "medium medium hair thin");
  EXPECT_EQ(edges("H1"), "hair medium hair thin");
  EXPECT_EQ(edges("P1"), "hair medium medium thin");
  EXPECT_EQ(edges("A2"), "medium thin hair medium");
  EXPECT_EQ(edges("H2"), "hair thin hair medium");
  EXPECT_EQ(edges("P2"), "hair thin medium medium");
  // The title row centred on light green, every cell centred vertically.
  for (const char* ref : {"A1", "P1"}) {
    EXPECT_EQ(book.Style(ref).horizontal, "center");
    EXPECT_EQ(book.Style(ref).fillPattern, "solid");
    EXPECT_EQ(book.Style(ref).fillColour, "FFCCFFCC");
  }
  for (const char* ref : {"A1", "A2", "K2", "G2", "P2"}) EXPECT_EQ(book.Style(ref).vertical, "center") << ref;
  EXPECT_EQ(book.Style("C2").horizontal, "");
  EXPECT_EQ(book.Style("C2").fillPattern, "none");
}

TEST(SpreadsheetExport, ColumnWidthsFollowTheLongestTextWithDoubleByteCharactersAsTwo) {
  ListRows list = ListOf(2);
  list.SetCell(1, 3, J("日本語の題名"));      // 6 double-byte characters: 12
  list.SetCell(0, 10, "abcdefghijkl");        // 12 single-byte characters
  list.SetCell(1, 4, std::string(400, 'x'));  // longer than a column can be
  std::vector<double> widths = ExportColumnWidths(list);
  EXPECT_EQ(widths[2], widths[9]);  // タイトル (C) and ファイル名 (J)
  EXPECT_GT(widths[2], ExportColumnWidths(ListOf(2))[2]);
  EXPECT_EQ(widths[3], 255);
  EXPECT_GE(widths[15], 1);  // the one-space title

  TempDir dir;
  ASSERT_EQ(WriteListWorkbook(list, dir.File("w.xlsx"), false), WorkbookResult::Done);
  Workbook book = Read(dir.File("w.xlsx"));
  ASSERT_EQ(book.columns.size(), 16u);
  EXPECT_EQ(book.columns[2].width, book.columns[9].width);
  EXPECT_GT(book.columns[2].width, book.columns[0].width);
}

TEST(SpreadsheetExport, ManyRowsKeepTheirOrderAndTheOutlineSurroundsThemAll) {
  TempDir dir;
  ListRows list = ListOf(300);
  std::string path = dir.File("many.xlsx");
  ASSERT_EQ(WriteListWorkbook(list, path, false), WorkbookResult::Done);
  Workbook book = Read(path);
  ASSERT_EQ(book.rows.size(), 301u);
  for (int j = 0; j < 300; ++j) {
    const SheetRow& row = book.rows[j + 1];
    ASSERT_EQ(row.number, j + 2);
    ASSERT_EQ(row.cells.size(), 16u);
    EXPECT_EQ(row.cells[0].value, std::to_string(j + 1));
    EXPECT_EQ(row.cells[2].value, "報告書" + std::to_string(j + 1));
    EXPECT_EQ(row.height, "18");
  }
  auto edges = [&](const std::string& ref) {
    const CellStyle& s = book.Style(ref);
    return s.left + " " + s.top + " " + s.right + " " + s.bottom;
  };
  EXPECT_EQ(edges("A2"), "medium thin hair hair");
  EXPECT_EQ(edges("F150"), "hair hair hair hair");
  EXPECT_EQ(edges("P150"), "hair hair medium hair");
  EXPECT_EQ(edges("A301"), "medium hair hair medium");
  EXPECT_EQ(edges("P301"), "hair hair medium medium");
}

TEST(SpreadsheetExport, AwkwardTextsStayWhole) {
  TempDir dir;
  ListRows list = ListOf(1);
  list.SetCell(0, 3, "a<b>&\"c\" \x01z");
  list.SetCell(0, 4, std::string("\x81", 1));   // a lead byte alone: not CP932
  list.SetCell(0, 5, std::string(40000, 'y'));  // beyond what a cell holds
  std::string path = dir.File("odd.xlsx");
  ASSERT_EQ(WriteListWorkbook(list, path, false), WorkbookResult::Done);
  Workbook book = Read(path);
  // A control character is written in the spreadsheet's own escape, never raw into the XML.
  EXPECT_EQ(book.Cell("C2").value, "a<b>&\"c\" _x0001_z");
  EXPECT_EQ(book.sheetXml.find('\x01'), std::string::npos);
  EXPECT_EQ(book.Cell("D2").value, "\xEF\xBF\xBD");
  EXPECT_EQ(book.Cell("E2").value.size(), 32767u);
}

TEST(SpreadsheetExport, ATimeStampedNameIsNeverReused) {
  TempDir dir;
  ListRows list = ListOf(2);
  const std::time_t moment = 1796801400;
  const std::string first = dir.path() + "/" + WorkbookFileName(moment);
  EXPECT_EQ(WorkbookFileName(moment), "リスト_" + FormatLocalTime(moment, "%Y%m%d_%H%M%S") + ".xlsx");
  EXPECT_EQ(WorkbookFileName(moment, 2), "リスト_" + FormatLocalTime(moment, "%Y%m%d_%H%M%S") + "_2.xlsx");

  EXPECT_EQ(WriteTimestampedWorkbook(list, dir.path(), moment), first);
  std::string firstBytes;
  ASSERT_TRUE(ReadFileBytes(first, firstBytes));
  // The same second again, a file the user put there, a dangling link: each name is skipped.
  std::string second = WriteTimestampedWorkbook(ListOf(5), dir.path(), moment);
  EXPECT_EQ(second, dir.path() + "/" + WorkbookFileName(moment, 1));
  ASSERT_TRUE(WriteFileAtomic(dir.path() + "/" + WorkbookFileName(moment, 2), "keep me"));
  ASSERT_EQ(::symlink("/nonexistent", (dir.path() + "/" + WorkbookFileName(moment, 3)).c_str()), 0);
  EXPECT_EQ(WriteTimestampedWorkbook(list, dir.path(), moment), dir.path() + "/" + WorkbookFileName(moment, 4));

  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(first, bytes));
  EXPECT_EQ(bytes, firstBytes);
  ASSERT_TRUE(ReadFileBytes(dir.path() + "/" + WorkbookFileName(moment, 2), bytes));
  EXPECT_EQ(bytes, "keep me");
  EXPECT_EQ(Read(second).rows.size(), 6u);
  // No temporary file is left behind.
  EXPECT_EQ(ListFiles(dir.path()).size(), 4u);  // the link is not a regular file
}

TEST(SpreadsheetExport, AFailedWriteLeavesNothingAndReplacingKeepsTheOldFileUntilDone) {
  TempDir dir;
  std::string detail;
  EXPECT_EQ(WriteListWorkbook(ListOf(1), dir.File("missing/x.xlsx"), false, &detail), WorkbookResult::Failed);
  EXPECT_FALSE(detail.empty());
  ASSERT_TRUE(WriteFileAtomic(dir.File("x.xlsx"), "old"));
  EXPECT_EQ(WriteListWorkbook(ListOf(1), dir.File("x.xlsx"), false), WorkbookResult::Exists);
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(dir.File("x.xlsx"), bytes));
  EXPECT_EQ(bytes, "old");
  EXPECT_EQ(WriteListWorkbook(ListOf(3), dir.File("x.xlsx"), true), WorkbookResult::Done);
  EXPECT_EQ(Read(dir.File("x.xlsx")).rows.size(), 4u);
  EXPECT_EQ(ListFiles(dir.path()).size(), 1u);
}

TEST(SpreadsheetExportCommand, AsksFirstAndDoesNothingWithoutYes) {
  TempDir dir;
  ListRows list = ListOf(2);
  ScriptedPrompter prompter;
  prompter.answers = {Answer::No};
  RecordingProgress progress;
  FakeDesktopOpener opener;
  FixedClock clock;
  ExportResult result = ExportListToSpreadsheet(list, dir.File("Folidex"), clock, prompter, progress, opener);
  EXPECT_EQ(result.outcome, ExportOutcome::Declined);
  EXPECT_EQ(prompter.TextsUtf8(), std::vector<std::string>{"現在表示しているリストを Excelに出力しますか"});
  EXPECT_FALSE(PathExists(dir.File("Folidex")));
  EXPECT_EQ(progress.maxWaitDepth, 0);
  EXPECT_TRUE(opener.opened.empty());

  ListRows empty;
  EXPECT_EQ(ExportListToSpreadsheet(empty, dir.File("Folidex"), clock, prompter, progress, opener).outcome,
            ExportOutcome::Declined);
  EXPECT_EQ(prompter.shown.size(), 1u);
}

TEST(SpreadsheetExportCommand, WritesIntoTheFolderShowsThePathAndOpensIt) {
  TempDir dir;
  ListRows list = ListOf(2);
  ScriptedPrompter prompter;
  RecordingProgress progress;
  FakeDesktopOpener opener;
  FixedClock clock;
  const std::string folder = dir.File("Documents/Folidex");
  ExportResult result = ExportListToSpreadsheet(list, folder, clock, prompter, progress, opener);
  EXPECT_EQ(result.outcome, ExportOutcome::Opened);
  EXPECT_EQ(result.path, folder + "/" + WorkbookFileName(clock.Now()));
  EXPECT_TRUE(IsFile(result.path));
  EXPECT_EQ(prompter.shown.size(), 1u);  // the question only
  EXPECT_EQ(opener.opened, std::vector<std::string>{result.path});
  ASSERT_FALSE(progress.paneTexts.empty());
  EXPECT_EQ(progress.paneTexts.back().first, StatusPane::Url);
  EXPECT_EQ(Cp932ToUtf8(progress.paneTexts.back().second), result.path);
  EXPECT_EQ(progress.maxWaitDepth, 1);
  EXPECT_EQ(progress.waitDepth, 0);

  // A second export in the same second gets a name of its own.
  ExportResult again = ExportListToSpreadsheet(list, folder, clock, prompter, progress, opener);
  EXPECT_NE(again.path, result.path);
  EXPECT_TRUE(IsFile(result.path));
}

TEST(SpreadsheetExportCommand, WithoutAProgramForWorkbooksTheFileIsLeftForTheUser) {
  TempDir dir;
  ListRows list = ListOf(1);
  ScriptedPrompter prompter;
  RecordingProgress progress;
  FixedClock clock;
  for (bool registered : {false, true}) {
    FakeDesktopOpener opener;
    opener.hasProgram = registered;
    opener.openSucceeds = false;
    clock.Advance(1);
    prompter.shown.clear();
    ExportResult result = ExportListToSpreadsheet(list, dir.path(), clock, prompter, progress, opener);
    EXPECT_EQ(result.outcome, ExportOutcome::LeftForUser);
    EXPECT_TRUE(IsFile(result.path));
    EXPECT_EQ(opener.opened.size(), registered ? 1u : 0u);
    ASSERT_EQ(prompter.shown.size(), 2u);
    // Nothing registered: the workbook was written, said as information with its path.
    EXPECT_EQ(prompter.shown[1].kind, registered ? MessageKind::Error : MessageKind::Information);
    EXPECT_EQ(
        prompter.TextsUtf8()[1],
        result.path + "\n" + MessageTextUtf8(registered ? Msg::SpreadsheetStartFailed : Msg::OutputWrittenNoProgram));
  }
}

TEST(SpreadsheetExportCommand, AFolderThatCannotBeMadeIsReported) {
  TempDir dir;
  ASSERT_TRUE(WriteFileAtomic(dir.File("file"), "x"));
  ListRows list = ListOf(1);
  ScriptedPrompter prompter;
  RecordingProgress progress;
  FakeDesktopOpener opener;
  FixedClock clock;
  ExportResult result = ExportListToSpreadsheet(list, dir.File("file/Folidex"), clock, prompter, progress, opener);
  EXPECT_EQ(result.outcome, ExportOutcome::Failed);
  EXPECT_TRUE(prompter.ShowedMessage(Msg::OutputFileCreateFailed));
  EXPECT_TRUE(opener.opened.empty());
  EXPECT_EQ(progress.waitDepth, 0);
}
