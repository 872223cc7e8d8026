// libFuzzer target: the saved-list reader on arbitrary bytes. Besides the sanitizers' checks it
// traps when a row has another number of cells than a list row, when column 0 is not left empty,
// or when a line read on its own differs from the same line read as part of the file.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "list/SavedLists.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::vector<folidex::ListRows::Cells> rows = folidex::ParseListFile(bytes);
  for (const folidex::ListRows::Cells& row : rows) {
    if (!row[0].empty()) __builtin_trap();
  }
  // A file of one line without a line end is that line.
  if (bytes.find_first_of(std::string_view("\r\n", 2)) == std::string_view::npos && rows.size() == 1 &&
      rows[0] != folidex::ParseListLine(bytes))
    __builtin_trap();
  return 0;
}
