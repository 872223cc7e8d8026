#pragma once
// The list area's content as core data: rows of seventeen CP932 cells and a selected flag.
// The serial number in column 1 is the key of every action on a row. The Qt list view shows
// these rows through a thin model that listens to the changes announced below.

#include <array>
#include <string>
#include <vector>

#include "list/ListColumn.h"

namespace folidex {

class ListObserver {
 public:
  virtual ~ListObserver() = default;
  virtual void BeforeInsertRows(int /*first*/, int /*last*/) {}
  virtual void AfterInsertRows() {}
  virtual void BeforeRemoveRows(int /*first*/, int /*last*/) {}
  virtual void AfterRemoveRows() {}
  virtual void BeforeReset() {}
  virtual void AfterReset() {}
  virtual void CellChanged(int /*row*/, int /*column*/) {}  // row -1: the whole column
  virtual void SelectionChanged() {}
  virtual void DuplicatesChanged() {}
};

class ListRows {
 public:
  static constexpr int kColumns = kListColumnCount;
  using Cells = std::array<std::string, kColumns>;

  struct Row {
    Cells cells;
    bool selected = false;
  };

  int RowCount() const { return static_cast<int>(rows_.size()); }

  // Inserts a row at `position` (0..RowCount()) with its first cell; the other cells are empty
  // and the row is not selected. Returns false when the list refuses the row.
  bool InsertRow(int position, const std::string& firstCell);
  // Appends a whole row; returns false when the list refuses it.
  bool AppendRow(const Cells& cells, bool selected);
  // Appends many rows with one notification; rows beyond kMaxRows are refused. Returns the
  // number appended.
  int AppendRows(std::vector<Row> rows);

  const std::string& Cell(int row, int column) const { return rows_[row].cells[column]; }
  const std::string& Cell(int row, ListColumn column) const { return Cell(row, ColumnIndex(column)); }
  void SetCell(int row, int column, const std::string& text);
  void SetCell(int row, ListColumn column, const std::string& text) { SetCell(row, ColumnIndex(column), text); }
  const Cells& RowCells(int row) const { return rows_[row].cells; }

  bool IsSelected(int row) const { return rows_[row].selected; }
  void SetSelected(int row, bool selected);
  // Sets the selected state of every row at once (one notification).
  void SetAllSelected(bool selected);

  void DeleteRow(int row);
  void DeleteAllRows();

  // Replaces every row at once (one reset notification).
  void ReplaceRows(std::vector<Row> rows);
  const std::vector<Row>& Rows() const { return rows_; }

  // The most rows the list accepts.
  static constexpr int kMaxRows = 10'000'000;

  // Column 0 of every row rewritten as its position, 1 for the first row.
  void RenumberRows();
  // The selected row with the lowest index, or -1.
  int FirstSelectedRow() const;

  // The duplicate table: rows whose column 1 has an entry's numeric serial are drawn in the
  // entry's group colour, but only while the table holds 1..kDuplicateDrawLimit-1 entries.
  struct DuplicateEntry {
    long serial;
    int group;  // 0..29
  };
  static constexpr int kDuplicateCapacity = 3000;
  static constexpr int kDuplicateDrawLimit = 3000;
  const std::vector<DuplicateEntry>& Duplicates() const { return duplicates_; }
  int DuplicateCount() const { return static_cast<int>(duplicates_.size()); }
  // Adds an entry; false when the table is full.
  bool AddDuplicate(long serial, int group);
  void ClearDuplicates();
  // The group of the first entry for `serial`, or -1 (also when the table is not drawn).
  int DuplicateGroupOf(long serial) const;

  void SetObserver(ListObserver* observer) { observer_ = observer; }

 private:
  std::vector<Row> rows_;
  std::vector<DuplicateEntry> duplicates_;
  ListObserver* observer_ = nullptr;
};

}  // namespace folidex
