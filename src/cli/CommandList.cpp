#include <iostream>

#include "cli/Cli.h"
#include "common/Cp932.h"
#include "common/FileSystem.h"
#include "list/ListCommands.h"
#include "list/SavedLists.h"

namespace folidex::cli {

// list FILE|NAME: the rows of a saved list, the sixteen cells after the row number separated by
// tabs (--json: one JSON object a line, the row number included). An argument with a "/" is a path to a list file;
// otherwise it names a list in the store's list folder (with or without ".list"; "ListData.csv" is the current list).
int CommandList(Context& context) {
  if (context.args.size() != 1) return Fail("usage: folidex-cli list [--json] FILE.list|NAME", 2);
  std::vector<ListRows::Cells> rows;
  if (int status = ReadListArgument(context, context.args[0], rows)) return status;
  for (const ListRows::Cells& cells : rows) {
    if (context.json) {
      std::cout << RowJson(cells);
      continue;
    }
    std::string out;
    for (int column = 1; column < ListRows::kColumns; ++column) {
      std::string cell = Out(cells[column]);
      for (char& c : cell)
        if (c == '\t') c = ' ';
      if (column > 1) out += '\t';
      out += cell;
    }
    std::cout << out << '\n';
  }
  return 0;
}

}  // namespace folidex::cli
