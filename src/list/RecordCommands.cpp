#include "list/RecordCommands.h"

#include <cstdio>
#include <vector>

#include "common/Cp932.h"
#include "common/FileSystem.h"
#include "store/Trash.h"

namespace folidex {
namespace {

// The list column that shows field `tag`, or -1 (FP, Y1, Y2 and TX have none).
int ColumnOfField(FieldTag tag) {
  int field = static_cast<int>(tag);
  if (field <= static_cast<int>(FieldTag::FA)) return field + 3;
  if (tag == FieldTag::FG) return ColumnIndex(ListColumn::Source);
  return -1;
}

std::string PercentText(long percent) {
  char text[32];
  std::snprintf(text, sizeof text, "%ld%%", percent);
  return text;
}

}  // namespace

bool RemoveFromList(ListRows& list, Prompter& prompter) {
  if (prompter.AskYesNo(Msg::RemoveFromListQuestion) != Answer::Yes) return false;
  for (int row = list.RowCount() - 1; row >= 0; --row)
    if (list.IsSelected(row)) list.DeleteRow(row);
  list.RenumberRows();
  return true;
}

bool DeleteFromStore(ListRows& list, Store& store, Prompter& prompter, const Clock& clock) {
  if (prompter.AskYesNo(Msg::DeleteFromStoreQuestion) != Answer::Yes) return false;
  // Every selected record goes under one hold of the writer's lock, into one trash folder.
  const StoreWriteLock lock = store.LockForWriting();
  if (!lock) return false;
  TrashRun trash(store, clock.Now());
  for (int row = list.RowCount() - 1; row >= 0; --row) {
    if (!list.IsSelected(row)) continue;
    // The store's own copy goes with its record; the file an outside link names is never touched.
    if (trash.Move(list.Cell(row, ListColumn::SerialNo))) list.DeleteRow(row);
  }
  list.RenumberRows();
  return true;
}

void RefreshList(ListRows& list, Store& store, Progress& progress) {
  const int n = list.RowCount();
  {
    WaitCursor wait(progress);
    for (int i = 0; i < n; ++i) {
      std::string serial = list.Cell(i, ListColumn::SerialNo);
      if (!IsSerialText(serial) || !store.ReadRecordFile(serial, false)) continue;
      IndexRecord& record = store.WorkingRecord();
      DocumentLocation location = ResolveDocumentPath(store, serial, record[FieldTag::TY], record[FieldTag::FG]);
      ListRows::Cells cells = RecordRowTexts(record, i + 1, serial, location.mark);
      for (int column = ColumnIndex(ListColumn::Status); column <= ColumnIndex(ListColumn::Source); ++column)
        if (list.Cell(i, column) != cells[column]) list.SetCell(i, column, cells[column]);
      progress.SetPaneText(StatusPane::Url, PercentText(static_cast<long>(i) * 100 / n));
      progress.Repaint();
    }
  }
  progress.SetPaneText(StatusPane::Url, std::string());
  progress.Repaint();
}

void SetRowCellsOfFields(ListRows& list, int row, IndexRecord& record, std::initializer_list<FieldTag> fields) {
  for (FieldTag tag : fields) {
    int column = ColumnOfField(tag);
    if (column < 0) continue;
    std::string& value = record[tag];
    if (tag == FieldTag::FS || tag == FieldTag::TS) value = GroupDigits(value);
    list.SetCell(row, column, value);
  }
}

bool UpdateRecord(Store& store, std::string_view serial, bool stopAfterText,
                  const std::function<void(IndexRecord&)>& change, ListRows* list, int row,
                  std::initializer_list<FieldTag> changedFields) {
  if (!IsSerialText(serial) || !store.ReadRecordFile(serial, stopAfterText)) return false;
  IndexRecord& record = store.WorkingRecord();
  change(record);
  std::vector<FieldValue> changes;
  for (FieldTag tag : changedFields) changes.push_back({tag, record[tag]});
  PatchStatus status = store.PatchRecordFile(serial, changes);
  if (status != PatchStatus::Patched) {
    store.ReportPatchFailure(serial, status);
    return false;
  }
  if (list && row >= 0 && row < list->RowCount()) SetRowCellsOfFields(*list, row, store.WorkingRecord(), changedFields);
  return true;
}

}  // namespace folidex
