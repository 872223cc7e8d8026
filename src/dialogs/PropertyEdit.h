#pragma once
// The property dialog's work without its widgets: one list row shown for editing, the six
// descriptive fields (PT, PA, PS, PK, PC, PM in columns 3 to 8) compared with the values loaded
// with the row, saved into the record file and the row, and the steps to the previous and next
// row with the list's selection moving along.

#include <array>
#include <string>
#include <string_view>

#include "common/Prompter.h"
#include "list/ListRows.h"
#include "store/Store.h"

namespace folidex {

inline constexpr int kPropertyFieldCount = 6;
inline constexpr int kFirstPropertyColumn = 3;  // PT; PA..PM follow
// The columns the dialog shows: 1 (serial number) to 15 (source).
inline constexpr int kFirstShownColumn = 1;
inline constexpr int kLastShownColumn = 15;

// The six texts PT..PM, CP932.
using PropertyTexts = std::array<std::string, kPropertyFieldCount>;

// The texts removed from a pasted title or author: every half-width space, every full-width
// space (CP932 0x81 0x40, found character by character), and line breaks (the fields are one
// line each).
std::string RemovePastedSpaces(std::string_view cp932);

// True when an upper-case copy of `fg` begins with "HTTP": the source is a web address.
bool IsWebSource(std::string_view fg);

class PropertyEditor {
 public:
  // The row must be one of the list's rows.
  PropertyEditor(Store& store, Prompter& prompter, ListRows& list, int row);

  int Row() const { return row_; }
  int RowCount() const { return rowCount_; }
  // The cell texts of columns 1..15 of the row as loaded (index: column - 1).
  const std::string& Shown(int column) const { return shown_[column - kFirstShownColumn]; }
  // The six texts PT..PM as loaded with the row: the reference for change detection.
  const PropertyTexts& ShownInfo() const { return shownInfo_; }
  // The six texts the record file holds as far as this dialog knows: those loaded, then saved.
  const PropertyTexts& Stored() const { return stored_; }
  // The record's PDF, resolved when the row was loaded (native); empty when there is none.
  const NativePath& PdfPath() const { return pdfPath_; }
  bool CanOpenFolder() const { return canOpenFolder_; }  // the document is reachable ("○")
  bool CanShowSource() const { return canShowSource_; }  // FG is a web address
  bool CanStepPrevious() const { return row_ > 0; }
  bool CanStepNext() const { return row_ + 1 < rowCount_; }

  // Whether `current` differs from the values loaded with the row, or from what this dialog
  // last saved for it (a value typed back after a save is a change still to be saved).
  bool Changed(const PropertyTexts& current) const;

  // Writes the fields of `current` that differ from the record as this dialog knows it into the
  // record file (only their lines; every other byte of the file stays) and, once the file holds
  // them, into the row's cells. A record file that cannot be rewritten shows its message and
  // changes neither the file nor the row. True when the file holds `current`.
  bool Save(const PropertyTexts& current);

  // Steps to the previous (-1) or next (+1) row: asks 30068 first when `current` has changed and
  // saves on Yes; then the shown row loses its selected state, the new row gets it (other rows
  // keep theirs) and is loaded. False, doing nothing, at the end of the list.
  bool Step(int direction, const PropertyTexts& current);

 private:
  void Load(int row);

  Store& store_;
  Prompter& prompter_;
  ListRows& list_;
  int row_ = 0;
  int rowCount_ = 0;
  std::array<std::string, kLastShownColumn> shown_;
  PropertyTexts shownInfo_;
  PropertyTexts stored_;  // what the record file holds as far as this dialog knows
  NativePath pdfPath_;
  bool canOpenFolder_ = false;
  bool canShowSource_ = false;
};

}  // namespace folidex
