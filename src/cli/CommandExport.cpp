#include <iostream>

#include "cli/Cli.h"
#include "list/SavedLists.h"
#include "list/SpreadsheetExport.h"

namespace folidex::cli {

// export [LIST] OUT.xlsx: the workbook of a saved list (a path, or a name in the store's list
// folder; default the current list ListData.csv), the rows numbered as the list shows them.
// An existing OUT.xlsx is replaced atomically. Prints the number of rows written.
int CommandExport(Context& context) {
  if (context.args.empty() || context.args.size() > 2) {
    return Fail("usage: folidex-cli export [FILE.list|NAME] OUT.xlsx", 2);
  }
  const std::string listArg = context.args.size() == 2 ? context.args[0] : std::string(kCurrentListFile);
  const std::string& out = context.args.back();
  std::vector<ListRows::Cells> cells;
  if (int status = ReadListArgument(context, listArg, cells)) return status;
  std::vector<ListRows::Row> rows;
  rows.reserve(cells.size());
  for (ListRows::Cells& row : cells) rows.push_back({std::move(row), false});
  std::vector<ListRows::Cells>().swap(cells);  // the list holds the rows now
  ListRows list;
  list.ReplaceRows(std::move(rows));
  list.RenumberRows();
  std::string detail;
  if (WriteListWorkbook(list, out, true, &detail) != WorkbookResult::Done) {
    return Fail("cannot write " + out + ": " + detail);
  }
  std::cout << list.RowCount() << '\n';
  return 0;
}

}  // namespace folidex::cli
