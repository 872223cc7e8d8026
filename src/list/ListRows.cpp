#include "list/ListRows.h"

#include <iterator>
#include <string>
#include <utility>

namespace folidex {

bool ListRows::InsertRow(int position, const std::string& firstCell) {
  if (position < 0 || position > RowCount() || RowCount() >= kMaxRows) return false;
  if (observer_) observer_->BeforeInsertRows(position, position);
  Row row;
  row.cells[ColumnIndex(ListColumn::No)] = firstCell;
  rows_.insert(rows_.begin() + position, std::move(row));
  if (observer_) observer_->AfterInsertRows();
  return true;
}

bool ListRows::AppendRow(const Cells& cells, bool selected) {
  if (RowCount() >= kMaxRows) return false;
  int position = RowCount();
  if (observer_) observer_->BeforeInsertRows(position, position);
  rows_.push_back(Row{cells, selected});
  if (observer_) observer_->AfterInsertRows();
  return true;
}

int ListRows::AppendRows(std::vector<Row> rows) {
  std::size_t room = static_cast<std::size_t>(kMaxRows - RowCount());
  if (rows.size() > room) rows.resize(room);
  if (rows.empty()) return 0;
  int first = RowCount();
  int last = first + static_cast<int>(rows.size()) - 1;
  if (observer_) observer_->BeforeInsertRows(first, last);
  rows_.insert(rows_.end(), std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
  if (observer_) observer_->AfterInsertRows();
  return last - first + 1;
}

void ListRows::SetCell(int row, int column, const std::string& text) {
  rows_[row].cells[column] = text;
  if (observer_) observer_->CellChanged(row, column);
}

void ListRows::SetSelected(int row, bool selected) {
  if (rows_[row].selected == selected) return;
  rows_[row].selected = selected;
  if (observer_) observer_->SelectionChanged();
}

void ListRows::SetAllSelected(bool selected) {
  for (Row& row : rows_) row.selected = selected;
  if (observer_) observer_->SelectionChanged();
}

void ListRows::DeleteRow(int row) {
  if (observer_) observer_->BeforeRemoveRows(row, row);
  rows_.erase(rows_.begin() + row);
  if (observer_) observer_->AfterRemoveRows();
}

void ListRows::DeleteAllRows() {
  if (observer_) observer_->BeforeReset();
  rows_.clear();
  if (observer_) observer_->AfterReset();
}

void ListRows::ReplaceRows(std::vector<Row> rows) {
  if (observer_) observer_->BeforeReset();
  rows_ = std::move(rows);
  if (observer_) observer_->AfterReset();
}

void ListRows::RenumberRows() {
  for (int i = 0; i < RowCount(); ++i) rows_[i].cells[ColumnIndex(ListColumn::No)] = std::to_string(i + 1);
  if (observer_ && RowCount() > 0) observer_->CellChanged(-1, 0);
}

int ListRows::FirstSelectedRow() const {
  for (int i = 0; i < RowCount(); ++i)
    if (rows_[i].selected) return i;
  return -1;
}

bool ListRows::AddDuplicate(long serial, int group) {
  if (DuplicateCount() >= kDuplicateCapacity) return false;
  duplicates_.push_back({serial, group});
  if (observer_) observer_->DuplicatesChanged();
  return true;
}

void ListRows::ClearDuplicates() {
  duplicates_.clear();
  if (observer_) observer_->DuplicatesChanged();
}

int ListRows::DuplicateGroupOf(long serial) const {
  if (duplicates_.empty() || DuplicateCount() >= kDuplicateDrawLimit) return -1;
  for (const DuplicateEntry& entry : duplicates_)
    if (entry.serial == serial) return entry.group;
  return -1;
}

}  // namespace folidex
