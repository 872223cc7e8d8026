#pragma once
// Commands that take records out of the list or the store and bring rows up to date with the
// record files: remove from the list (32778), delete from the store (32779), refresh (318), and
// the update rule the record dialogs and the duplicate check follow.

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

#include "common/Clock.h"
#include "common/Progress.h"
#include "common/Prompter.h"
#include "list/ListRows.h"
#include "list/RecordRow.h"
#include "store/Store.h"

namespace folidex {

// Command 32778: after 30057 answered Yes, removes the selected rows and renumbers the rest.
// No file changes. Returns true when the user agreed.
bool RemoveFromList(ListRows& list, Prompter& prompter);

// Command 32779: after 30058 answered Yes, moves the record file and PDF copy of every selected
// record into one run folder of the store's trash (DOCDATA/TRASH/YYYYMMDD-HHMMSS, made at
// `clock`'s time; `folidex-cli restore` puts them back) and removes its row; a row whose record
// file cannot be moved stays, without a message. An outside-linked PDF is never touched.
// Returns true when the user agreed.
bool DeleteFromStore(ListRows& list, Store& store, Prompter& prompter, const Clock& clock);

// Command 318: reloads every listed record from its file and rebuilds columns 2..15 of its row
// (mark, PT..FA with the sizes grouped, FG). Rows whose record file cannot be read keep their
// cells. Progress "%d%%" in pane 120 under the wait cursor, cleared at the end.
void RefreshList(ListRows& list, Store& store, Progress& progress);

// Sets the cells of `row` that show the given fields of `record`, as RecordRowTexts builds
// them (FS and TS grouped, and the grouped form written back into `record`). Fields without a
// column (FP, Y1, Y2, TX) are skipped.
void SetRowCellsOfFields(ListRows& list, int row, IndexRecord& record, std::initializer_list<FieldTag> fields);

// The update rule: loads the record of `serial` into the working record, lets `change` alter
// it, writes the values of `changedFields` into their lines of the record file (PatchRecordFile:
// every other byte of the file stays), and (when `row` >= 0) sets that row's cells of those
// fields. Only the fields named in `changedFields` are written. False when the record cannot
// be loaded or patched (a failed patch is reported with the file's path); the row is then
// left as it was.
bool UpdateRecord(Store& store, std::string_view serial, bool stopAfterText,
                  const std::function<void(IndexRecord&)>& change, ListRows* list, int row,
                  std::initializer_list<FieldTag> changedFields);

}  // namespace folidex
