#include <iostream>

#include "cli/Cli.h"
#include "cli/Json.h"
#include "common/ByteText.h"
#include "common/Cp932.h"
#include "common/FileSystem.h"
#include "common/Progress.h"
#include "list/DuplicateCheck.h"
#include "list/ListCommands.h"
#include "list/ListRows.h"
#include "list/SavedLists.h"
#include "store/Record.h"

namespace folidex::cli {
namespace {

// Prints the groups of the duplicate table: a heading per group, then one line per record,
// serial TAB title, in table order; as JSON one object per record with its group number.
void PrintGroups(const ListRows& table, Store& store, bool json) {
  int shownGroup = -1;
  const auto& entries = table.Duplicates();
  for (std::size_t k = 0; k < entries.size(); ++k) {
    if (entries[k].group != shownGroup) {
      shownGroup = entries[k].group;
      std::size_t size = 0;
      while (k + size < entries.size() && entries[k + size].group == shownGroup) ++size;
      if (!json) std::cout << "group " << shownGroup + 1 << " (" << size << " records)\n";
    }
    std::string serial = FormatSerial(entries[k].serial);
    std::string title;
    if (store.ReadRecordFile(serial, true)) title = store.WorkingRecord()[FieldTag::PT];
    if (json)
      std::cout << JsonObject().Add("group", shownGroup + 1).Add("serial", serial).Add("PT", Out(title)).Line();
    else
      std::cout << serial << '\t' << Out(title) << '\n';
  }
}

}  // namespace

// dupes [--all | LIST]: the duplicate check. --all checks every record of the store (with the
// HitMax stop); otherwise the rows of a saved list: a path when LIST holds a "/", else a name
// in DOCDATA/LIST (with or without ".list"; default the current list, ListData.csv). Missing
// fingerprints are computed and stored in the records, as the program does. Prints each
// group's serials and titles; messages go to stderr.
int CommandDupes(Context& context) {
  const char* usage = "usage: folidex-cli dupes [--json] [--all | LIST]";
  if (context.args.size() > 1) return Fail(usage, 2);
  const bool all = !context.args.empty() && context.args[0] == "--all";
  if (!context.args.empty() && !all && context.args[0].rfind("-", 0) == 0) return Fail(usage, 2);
  if (int status = RequireStore(context)) return status;

  NullProgress progress;
  ListRows table;
  int groups = 0;
  if (all) {
    groups = FindStoreDuplicates(table, context.store, context.prompter, progress);
  } else {
    std::vector<ListRows::Cells> rows;
    const std::string arg = context.args.empty() ? std::string(kCurrentListFile) : context.args[0];
    if (int status = ReadListArgument(context, arg, rows)) return status;
    for (ListRows::Cells& cells : rows) {
      cells[ColumnIndex(ListColumn::No)] = std::to_string(table.RowCount() + 1);
      if (!table.AppendRow(cells, false)) break;
    }
    groups = CheckListDuplicates(table, context.store, context.prompter, progress);
  }
  if (groups < 0) return 1;
  if (groups == 0) {
    context.prompter.Information(Msg::NoDuplicates);
    return 0;
  }
  PrintGroups(table, context.store, context.json);
  return 0;
}

}  // namespace folidex::cli
