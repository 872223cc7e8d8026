#include "dialogs/KeywordEdit.h"

#include "common/Cp932.h"
#include "list/RecordCommands.h"
#include "list/RecordRow.h"

namespace folidex {
namespace {

// The text as one line: CR and LF become spaces.
std::string SingleLine(const std::string& text) {
  std::string line = text;
  for (char& c : line)
    if (c == '\r' || c == '\n') c = ' ';
  return line;
}

}  // namespace

bool RewriteKeywords(Store& store, Prompter& prompter, std::string_view serial, const std::string& text) {
  if (!IsSerialText(serial)) return false;
  PatchStatus status = store.PatchRecordFile(serial, {{FieldTag::PK, SingleLine(text)}});
  ReportPatchFailure(prompter, store.RecordFilePath(serial, kKindText), status);
  return status == PatchStatus::Patched;
}

int KeywordEditCommand(ListRows& list, Store& store, Prompter& prompter, Progress& progress, const KeywordAsker& ask) {
  const int firstSelected = list.FirstSelectedRow();
  if (firstSelected < 0) return 0;
  std::optional<std::string> answer = ask(list.Cell(firstSelected, ColumnIndex(ListColumn::Keywords)));
  if (!answer) return 0;
  const std::string text = SingleLine(*answer);
  // Every selected record is rewritten under one hold of the writer's lock.
  const StoreWriteLock lock = store.LockForWriting();
  if (!lock) return 0;
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
