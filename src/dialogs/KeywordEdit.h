#pragma once
// The keyword bulk edit: every selected row's record gets one new keywords text (field PK).
// The command asks for the text through a callback, so the keyword dialog of the list widget
// (CRenameDlg in its keyword mode) plugs in there and tests answer directly.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "common/Progress.h"
#include "common/Prompter.h"
#include "list/ListRows.h"
#include "store/Store.h"

namespace folidex {

// Rewrites the PK line of the record file of `serial` to "<PK>" + text, keeping every other
// byte of the file as it stands (Store::PatchRecordFile: its line ends, a byte-order mark, lines
// after the seventeenth); line breaks in `text` become spaces, so the file keeps one line per
// field. The file is replaced atomically: on any failure the old file stays untouched.
// Messages: path + "\n" + 30026 when the file cannot be read or replaced, path + "\n" + 30004
// when it holds fewer than seventeen lines or no PK line, path + "\n" + 31022 when it is
// oversize. Nothing is shown without a storage location. Returns true when the file holds the
// new text.
bool RewriteKeywords(Store& store, Prompter& prompter, std::string_view serial, const std::string& text);

// Asks for the new keywords, starting from `initial` (CP932); nothing when the user cancels.
using KeywordAsker = std::function<std::optional<std::string>(const std::string& initial)>;

// The command of the keyword column's context menu: asks with the first selected row's
// keywords, then rewrites each selected row's record in order and shows the new text in its
// keyword cell. A failing record keeps its file and cell; the others are still changed.
// Returns the number of records rewritten (0 also when nothing is selected or the user cancels).
int KeywordEditCommand(ListRows& list, Store& store, Prompter& prompter, Progress& progress, const KeywordAsker& ask);

}  // namespace folidex
