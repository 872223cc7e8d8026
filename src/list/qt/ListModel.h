#pragma once
// The thin Qt model over the core ListRows: cells are converted on demand when the view asks
// for them, and the core's changes arrive through ListObserver.

#include <QAbstractTableModel>
#include <unordered_map>

#include "list/ListRows.h"

namespace folidex {

class ListModel : public QAbstractTableModel, private ListObserver {
  Q_OBJECT

 public:
  // Extra roles read by the delegate.
  enum Role {
    SelectedRole = Qt::UserRole + 1,  // bool: the core's selected flag
    DuplicateGroupRole,               // int: group 0..29 of the row's serial, -1 when not coloured
  };

  explicit ListModel(ListRows& list, QObject* parent = nullptr);
  ~ListModel() override;

  ListRows& list() { return list_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  // Rows can be dragged out (the view offers their files).
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // The duplicate group drawn for `row`, or -1 (no entry, or the table is not drawn).
  int DuplicateGroup(int row) const;

 signals:
  // The core's selected flags changed as a whole (the view rebuilds its selection).
  void coreSelectionChanged();
  // Rows [first, last] were inserted; the view selects those the core marks selected.
  void coreRowsInserted(int first, int last);

 private:
  void BeforeInsertRows(int first, int last) override;
  void AfterInsertRows() override;
  void BeforeRemoveRows(int first, int last) override;
  void AfterRemoveRows() override;
  void BeforeReset() override;
  void AfterReset() override;
  void CellChanged(int row, int column) override;
  void SelectionChanged() override;
  void DuplicatesChanged() override;

  ListRows& list_;
  int insertFirst_ = 0;
  int insertLast_ = -1;
  mutable bool duplicatesDirty_ = true;
  mutable std::unordered_map<long, int> duplicateGroups_;  // serial -> group of its first entry
};

}  // namespace folidex
