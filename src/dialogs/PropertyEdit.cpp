#include "dialogs/PropertyEdit.h"

#include <vector>

#include "common/ByteText.h"
#include "list/ListColumn.h"

namespace folidex {

std::string RemovePastedSpaces(std::string_view cp932) {
  std::string out;
  out.reserve(cp932.size());
  for (std::size_t pos = 0; pos < cp932.size();) {
    const std::size_t length = Cp932CharLength(cp932, pos);
    const std::string_view c = cp932.substr(pos, length);
    pos += length;
    if (c == " " || c == "\x81\x40" || c == "\r" || c == "\n") continue;
    out += c;
  }
  return out;
}

bool IsWebSource(std::string_view fg) { return UpperCaseAsciiCp932(fg.substr(0, 4)) == "HTTP"; }

PropertyEditor::PropertyEditor(Store& store, Prompter& prompter, ListRows& list, int row)
    : store_(store), prompter_(prompter), list_(list), rowCount_(list.RowCount()) {
  Load(row);
}

void PropertyEditor::Load(int row) {
  row_ = row;
  for (int column = kFirstShownColumn; column <= kLastShownColumn; ++column)
    shown_[column - kFirstShownColumn] = list_.Cell(row, column);
  for (int i = 0; i < kPropertyFieldCount; ++i) shownInfo_[i] = list_.Cell(row, kFirstPropertyColumn + i);
  stored_ = shownInfo_;
  const std::string& fg = Shown(ColumnIndex(ListColumn::Source));
  DocumentLocation location =
      ResolveDocumentPath(store_, Shown(ColumnIndex(ListColumn::SerialNo)), Shown(ColumnIndex(ListColumn::Link)), fg);
  canOpenFolder_ = location.mark == kMarkAvailable;
  pdfPath_ = location.path;
  canShowSource_ = IsWebSource(fg);
}

bool PropertyEditor::Changed(const PropertyTexts& current) const { return current != shownInfo_ || current != stored_; }

bool PropertyEditor::Save(const PropertyTexts& current) {
  const std::string serial = Shown(ColumnIndex(ListColumn::SerialNo));
  std::vector<FieldValue> changes;
  for (int i = 0; i < kPropertyFieldCount; ++i)
    if (current[i] != stored_[i])
      changes.push_back({static_cast<FieldTag>(static_cast<int>(FieldTag::PT) + i), current[i]});
  if (!IsSerialText(serial)) {
    // A cell that is no serial number names no record file.
    prompter_.Error(Msg::FileOpenFailed, serial + "\n");
    return false;
  }
  // With nothing to change the file is still read and checked, so a save never reports
  // success for a record that is not there.
  PatchStatus status = store_.PatchRecordFile(serial, changes);
  if (status != PatchStatus::Patched) {
    store_.ReportPatchFailure(serial, status);
    return false;
  }
  for (const FieldValue& change : changes) {
    const int i = static_cast<int>(change.tag) - static_cast<int>(FieldTag::PT);
    // The file holds the value as one line: the row shows the same.
    std::string value = current[i];
    for (char& c : value)
      if (c == '\r' || c == '\n') c = ' ';
    list_.SetCell(row_, kFirstPropertyColumn + i, value);
    stored_[i] = current[i];
  }
  return true;
}

bool PropertyEditor::Step(int direction, const PropertyTexts& current) {
  const int target = row_ + (direction < 0 ? -1 : 1);
  if (target < 0 || target >= rowCount_ || target >= list_.RowCount()) return false;
  if (Changed(current) && prompter_.AskYesNo(Msg::SavePdfInfoQuestion) == Answer::Yes && !Save(current)) {
    return false;  // the edits stay in the dialog, where the user can try again or cancel
  }
  list_.SetSelected(row_, false);
  list_.SetSelected(target, true);
  Load(target);
  return true;
}

}  // namespace folidex
