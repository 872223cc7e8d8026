#include "list/SavedLists.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <vector>

#include "common/ByteText.h"
#include "common/Cp932.h"
#include "common/FileSystem.h"

namespace folidex {
namespace {

constexpr std::string_view kCommaEscape = "@@";

// Creates `path` exclusively and writes `data`; a file already there is left alone (EEXIST is
// reported through `exists`). On a failed write the new file is removed again.
bool WriteNewFile(const std::string& path, std::string_view data, bool& exists) {
  exists = false;
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) {
    exists = errno == EEXIST;
    return false;
  }
  bool ok = WriteAll(fd, data) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (!ok) ::unlink(path.c_str());
  return ok;
}

}  // namespace

std::string EnsureListFolder(Store& store, Prompter& prompter) {
  std::string root = store.StoreRoot();
  std::string folder = root.empty() ? std::string("LIST") : root + kPathSeparator + "LIST";
  // The list folder is made only inside an existing DOCDATA (31041 when the store is not there).
  if (!root.empty() && !store.CheckStoreRoot()) return {};
  if (root.empty() || !EnsureFolders(folder)) {
    prompter.Error(Msg::StoreFolderCreateFailed, FromNativePath(folder) + "\n");
    return {};
  }
  return folder;
}

// The cell escapes, byte by byte (a comma is never part of a CP932 character, but "@" may be its
// second byte, so a character-wise rule would split differently from a byte-wise one): a ","
// is "@@"; an "@" followed by "@" or "," is "@" DEL, so that it is not read as part of an "@@".
// A DEL, CR or LF of the cell itself becomes a space.
constexpr char kLiteralAt = '\x7f';

std::string FormatListLine(const ListRows::Cells& cells) {
  std::string line;
  for (const std::string& cell : cells) {
    for (std::size_t i = 0; i < cell.size(); ++i) {
      const char c = cell[i];
      if (c == ',') {
        line += kCommaEscape;
      } else if (c == '@' && i + 1 < cell.size() && (cell[i + 1] == '@' || cell[i + 1] == ',')) {
        line += '@';
        line += kLiteralAt;
      } else if (c == '\r' || c == '\n' || c == kLiteralAt) {
        line += ' ';  // a line break inside a cell would split the row on reading
      } else {
        line += c;
      }
    }
    line += ',';
  }
  line += "\r\n";
  return line;
}

namespace {

std::string UnescapeCell(std::string_view text) {
  std::string cell;
  cell.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '@' && i + 1 < text.size() && (text[i + 1] == '@' || text[i + 1] == kLiteralAt)) {
      cell += text[i + 1] == '@' ? ',' : '@';
      ++i;
    } else {
      cell += text[i];
    }
  }
  return cell;
}

}  // namespace

ListRows::Cells ParseListLine(std::string_view line) {
  ListRows::Cells cells;
  std::size_t start = 0;
  for (int field = 0; field < ListRows::kColumns && start <= line.size(); ++field) {
    std::size_t comma = line.find(',', start);
    std::string_view text =
        line.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
    if (field > 0) cells[field] = UnescapeCell(text);
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return cells;
}

// List files are written without the writer's lock: a saved list is only ever created, never
// replaced, and the current list is this desktop's own working file, replaced atomically; neither
// takes a serial or touches a record. The store's clean-up gives LIST's temporaries an age rule
// for this reason. A linked DOCDATA or LIST is refused all the same.
int SaveListFile(const ListRows& list, Store& store, Prompter& prompter, const std::string& fileName) {
  std::string folder = EnsureListFolder(store, prompter);
  if (folder.empty()) return kListFileOpenFailed;
  for (const std::string& real : {store.StoreRoot().str(), folder}) {
    struct stat st;
    if (::lstat(real.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
      prompter.Error(Msg::StoreFolderIsLink, FromNativePath(real) + "\n");
      return kListFileOpenFailed;
    }
  }
  std::string path = folder + kPathSeparator + ToNativePath(fileName);

  std::string data;
  data.reserve(static_cast<std::size_t>(list.RowCount()) * 256);
  for (const ListRows::Row& row : list.Rows()) data += FormatListLine(row.cells);

  if (fileName == kCurrentListFile) return WriteFileAtomic(path, data) ? kListFileDone : kListFileOpenFailed;

  if (PathExists(path)) return kListFileExists;
  bool exists = false;
  if (WriteNewFile(path, data, exists)) return kListFileDone;
  return exists ? kListFileExists : kListFileOpenFailed;
}

std::vector<ListRows::Cells> ParseListFile(std::string_view bytes) {
  std::vector<ListRows::Cells> rows;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    std::size_t end = bytes.find('\n', pos);
    std::size_t next = end == std::string_view::npos ? bytes.size() : end + 1;
    std::string_view line = bytes.substr(pos, (end == std::string_view::npos ? bytes.size() : end) - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    pos = next;
    rows.push_back(ParseListLine(line));
  }
  return rows;
}

int LoadListFile(ListRows& list, Store& store, Prompter& prompter, const std::string& fileName) {
  std::string folder = EnsureListFolder(store, prompter);
  if (folder.empty()) return kListFileOpenFailed;
  std::string path = folder + kPathSeparator + ToNativePath(fileName);
  if (!IsFile(path)) return PathExists(path) ? kListFileOpenFailed : kListFileMissing;

  std::string bytes;
  if (!ReadFileBytes(path, bytes)) return kListFileOpenFailed;

  // The rows go in with one notification, so a long list loads in one step.
  std::vector<ListRows::Row> rows;
  int n = list.RowCount();
  for (ListRows::Cells& cells : ParseListFile(bytes)) {
    ListRows::Row row;
    row.cells = std::move(cells);
    row.cells[ColumnIndex(ListColumn::No)] = std::to_string(++n);
    rows.push_back(std::move(row));
  }
  list.AppendRows(std::move(rows));
  return kListFileDone;
}

std::string FindBadNameChar(std::string_view name) {
  static constexpr std::array<std::string_view, 9> kBad = {"\\", "/", ":", "*", "?", "\"", "<", ">", "|"};
  for (std::string_view bad : kBad)
    if (ContainsCp932(name, bad)) return std::string(bad);
  return {};
}

std::string FindBadListName(std::string_view name) {
  if (std::string bad = FindBadNameChar(name); !bad.empty()) return bad;
  // A name beginning with "." makes a hidden file (or "." and ".." none at all) that neither the
  // management dialog nor the open dialog shows; a name of spaces only names nothing readable.
  if (!name.empty() && name.front() == '.') return ".";
  if (!name.empty() && name.find_first_not_of(' ') == std::string_view::npos) return Utf8ToCp932("(空白のみ)");
  return {};
}

long CountListEntries(const std::string& path, Prompter& prompter) {
  std::string bytes;
  if (!ReadFileBytes(path, bytes)) {
    prompter.Error(Msg::FileOpenFailed);
    return -1;
  }
  long count = 0;
  bool comma = false;
  for (char c : bytes) {
    if (c == ',') comma = true;
    if (c == '\n') {
      if (comma) ++count;
      comma = false;
    }
  }
  if (comma) ++count;  // a last line without its line end
  return count;
}

}  // namespace folidex
