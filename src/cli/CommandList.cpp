#include <iostream>

#include "cli/Cli.h"
#include "common/Cp932.h"
#include "common/FileSystem.h"
#include "list/ListCommands.h"
#include "list/SavedLists.h"

namespace folidex::cli {

// list FILE|NAME: the rows of a saved list, the sixteen cells after the row number separated by
// tabs. An argument with a "/" is a path to a list file; otherwise it names a list in the store's
// list folder (with or without ".list"; "ListData.csv" is the current list).
int CommandList(Context& context) {
  if (context.args.size() != 1) return Fail("usage: folidex-cli list FILE.list|NAME", 2);
  const std::string& arg = context.args[0];
  std::string path;
  if (arg.find('/') != std::string::npos) {
    path = arg;
  } else {
    std::string folder = ListFolderPath(context.store);
    if (folder.empty()) return Fail("no storage location (set KanSet/StorePath or use --store DIR)");
    std::string base = ToNativePath(folder) + kPathSeparator;
    path = IsFile(base + arg) ? base + arg : base + arg + std::string(kListExtension);
  }
  std::string bytes;
  if (!IsFile(path) || !ReadFileBytes(path, bytes)) return Fail("cannot read list file " + path);

  std::size_t pos = 0;
  while (pos < bytes.size()) {
    std::size_t end = bytes.find('\n', pos);
    if (end == std::string::npos) end = bytes.size();
    std::string_view line(bytes.data() + pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    pos = end + 1;
    ListRows::Cells cells = ParseListLine(line);
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
