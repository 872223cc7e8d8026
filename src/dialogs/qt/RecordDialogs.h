#pragma once
// The list's commands that open a dialog of this folder, as the main frame runs them: the
// keyword bulk edit, the text and property dialogs of a record, and the rename dialog of the
// list-management dialog.

#include <QString>
#include <functional>
#include <optional>
#include <string>

#include "common/qt/Services.h"

class QWidget;

namespace folidex {

class PlaceMatcher;

// "キーワード修正": the rename dialog in keyword mode asks for the new keywords, which replace
// those of every selected record.
void RunKeywordEdit(Services& services, QWidget* owner);
// "このデータのテキスト": the text dialog on the record of the first selected row, once that
// record has been read (a record that cannot be read is reported and not shown).
// Opened from a hit of a search with a body (or full-text) term, `places` and the term as typed
// (`typedTerm`) put the term in the dialog's search box and select its first place.
void RunTextDialog(Services& services, QWidget* owner, const PlaceMatcher* places = nullptr,
                   const QString& typedTerm = {});
// "このデータのプロパティ": the property dialog from the first selected row; `rowShown` is told
// each row the dialog steps to (the list view scrolls it into view).
void RunPropertyDialog(Services& services, QWidget* owner, std::function<void(int row)> rowShown = {});
// The rename dialog in list mode: renames the list's file and gives the new name (CP932), or
// nothing when the user gave up.
std::optional<std::string> RenameSavedList(Services& services, const std::string& oldName, QWidget* owner);

}  // namespace folidex
