#include "dialogs/KeywordEdit.h"

#include <vector>

#include "common/Cp932.h"
#include "common/FileSystem.h"
#include "list/RecordCommands.h"
#include "list/RecordRow.h"

namespace folidex {
namespace {

constexpr int kRecordLines = 17;

// The text as one line: CR and LF become spaces.
std::string SingleLine(const std::string& text) {
  std::string line = text;
  for (char& c : line)
    if (c == '\r' || c == '\n') c = ' ';
  return line;
}

// The lines of a record file, each without its CR LF (or LF); a last line without a line end
// counts as a line.
std::vector<std::string_view> SplitLines(std::string_view bytes) {
  std::vector<std::string_view> lines;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    std::size_t end = bytes.find('\n', pos);
    std::size_t stop = end == std::string_view::npos ? bytes.size() : end;
    std::string_view line = bytes.substr(pos, stop - pos);
    if (end != std::string_view::npos && !line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    pos = end == std::string_view::npos ? bytes.size() : end + 1;
  }
  return lines;
}

// A line the record reader takes for the PK field: its second and third characters are "PK".
bool IsKeywordLine(std::string_view line) { return line.size() >= 3 && line[1] == 'P' && line[2] == 'K'; }

}  // namespace

bool RewriteKeywords(Store& store, Prompter& prompter, std::string_view serial, const std::string& text) {
  if (!IsSerialText(serial)) return false;
  std::string path = store.StoreFilePath(serial, kKindText);
  if (path.empty()) return false;
  const std::string native = ToNativePath(path);
  std::string bytes;
  if (!ReadFileBytes(native, bytes)) {
    prompter.Error(Msg::FileOpenFailed, path + "\n");
    return false;
  }
  std::vector<std::string_view> lines = SplitLines(bytes);
  // In a record file as the store writes it the PK line is the fourth; a line the reader would
  // take for PK elsewhere (after a value that broke its line) is the one to replace, and the
  // lines after the seventeenth (the body text, then) are kept.
  bool hasKeywordLine = false;
  for (std::string_view line : lines) hasKeywordLine = hasKeywordLine || IsKeywordLine(line);
  if (static_cast<int>(lines.size()) < kRecordLines || !hasKeywordLine) {
    prompter.Error(Msg::IndexFileDamaged, path + "\n");
    return false;
  }
  const std::string keywordLine = "<PK>" + SingleLine(text);
  std::string rewritten;
  rewritten.reserve(bytes.size() + keywordLine.size() + 2 * lines.size());
  for (std::string_view line : lines) rewritten.append(IsKeywordLine(line) ? keywordLine : line).append("\r\n");
  if (!WriteFileAtomic(native, rewritten)) {
    prompter.Error(Msg::FileOpenFailed, path + "\n");
    return false;
  }
  return true;
}

int KeywordEditCommand(ListRows& list, Store& store, Prompter& prompter, Progress& progress, const KeywordAsker& ask) {
  const int firstSelected = list.FirstSelectedRow();
  if (firstSelected < 0) return 0;
  std::optional<std::string> answer = ask(list.Cell(firstSelected, ColumnIndex(ListColumn::Keywords)));
  if (!answer) return 0;
  const std::string text = SingleLine(*answer);
  int rewritten = 0;
  const int rows = list.RowCount();
  for (int i = 0; i < rows; ++i) {
    if (!list.IsSelected(i)) continue;
    std::string serial = list.Cell(i, ListColumn::SerialNo);
    WaitCursor wait(progress);
    if (RewriteKeywords(store, prompter, serial, text)) {
      list.SetCell(i, ListColumn::Keywords, text);
      ++rewritten;
    }
  }
  return rewritten;
}

}  // namespace folidex
