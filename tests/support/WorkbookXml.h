#pragma once
// Reads an .xlsx workbook back for tests: its parts unzipped with `unzip -p`, and the few
// things of the sheet and style XML the tests look at.

#include <map>
#include <string>
#include <vector>

namespace folidex::test {

// One part of the workbook's zip ("xl/worksheets/sheet1.xml"); empty when it is not there.
std::string ReadWorkbookPart(const std::string& xlsx, const std::string& part);
// The names of the workbook's parts.
std::vector<std::string> WorkbookParts(const std::string& xlsx);

struct SheetCell {
  std::string ref;    // "A1"
  int style = 0;      // the s attribute: index into the cell formats
  std::string type;   // the t attribute ("inlineStr", or empty for a number)
  std::string value;  // the inline text (XML entities decoded) or the number's text
};
struct SheetRow {
  int number = 0;
  std::string height;  // the ht attribute
  bool customHeight = false;
  std::vector<SheetCell> cells;  // in document order
};
struct SheetColumn {
  int min = 0, max = 0;
  double width = 0;
};
std::vector<SheetRow> ParseSheetRows(const std::string& sheetXml);
std::vector<SheetColumn> ParseSheetColumns(const std::string& sheetXml);

struct CellStyle {
  std::string left, right, top, bottom;  // border styles ("hair", "thin", "medium" or empty)
  std::string horizontal, vertical;      // alignment
  std::string fillPattern, fillColour;   // "solid", "FFCCFFCC"
  std::string numberFormat;              // the format code ("General" for id 0, "#,##0" for 3)
};
// The cell formats of styles.xml (the cellXfs list), resolved to their borders, fills and
// number formats.
std::vector<CellStyle> ParseCellStyles(const std::string& stylesXml);

}  // namespace folidex::test
