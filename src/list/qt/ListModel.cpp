#include "list/qt/ListModel.h"

#include "common/ByteText.h"
#include "common/qt/QtText.h"
#include "list/RecordRow.h"

namespace folidex {

ListModel::ListModel(ListRows& list, QObject* parent) : QAbstractTableModel(parent), list_(list) {
  list_.SetObserver(this);
}

ListModel::~ListModel() { list_.SetObserver(nullptr); }

int ListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : list_.RowCount(); }

int ListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ListRows::kColumns; }

QVariant ListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= list_.RowCount()) return {};
  switch (role) {
    case Qt::DisplayRole:
      return ToQString(list_.Cell(index.row(), index.column()));
    case SelectedRole:
      return list_.IsSelected(index.row());
    case DuplicateGroupRole:
      return DuplicateGroup(index.row());
    default:
      return {};
  }
}

Qt::ItemFlags ListModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags flags = QAbstractTableModel::flags(index);
  if (index.isValid()) flags |= Qt::ItemIsDragEnabled;
  return flags;
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= ListRows::kColumns) return {};
  if (role == Qt::DisplayRole) return ToQString(ListColumnTitle(section));
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
  return {};
}

int ListModel::DuplicateGroup(int row) const {
  int count = list_.DuplicateCount();
  if (count < 1 || count >= ListRows::kDuplicateDrawLimit) return -1;
  if (duplicatesDirty_) {
    duplicateGroups_.clear();
    for (const ListRows::DuplicateEntry& entry : list_.Duplicates())
      duplicateGroups_.emplace(entry.serial, entry.group);
    duplicatesDirty_ = false;
  }
  auto found = duplicateGroups_.find(LeadingNumber(list_.Cell(row, ListColumn::SerialNo)));
  return found == duplicateGroups_.end() ? -1 : found->second;
}

void ListModel::BeforeInsertRows(int first, int last) {
  insertFirst_ = first;
  insertLast_ = last;
  beginInsertRows({}, first, last);
}

void ListModel::AfterInsertRows() {
  endInsertRows();
  emit coreRowsInserted(insertFirst_, insertLast_);
}

void ListModel::BeforeRemoveRows(int first, int last) { beginRemoveRows({}, first, last); }
void ListModel::AfterRemoveRows() { endRemoveRows(); }
void ListModel::BeforeReset() { beginResetModel(); }

void ListModel::AfterReset() {
  endResetModel();
  emit coreSelectionChanged();
}

void ListModel::CellChanged(int row, int column) {
  if (list_.RowCount() == 0) return;
  int first = row < 0 ? 0 : row;
  int last = row < 0 ? list_.RowCount() - 1 : row;
  emit dataChanged(index(first, column), index(last, column), {Qt::DisplayRole});
}

void ListModel::SelectionChanged() { emit coreSelectionChanged(); }

void ListModel::DuplicatesChanged() {
  duplicatesDirty_ = true;
  if (list_.RowCount() > 0) emit dataChanged(index(0, 0), index(list_.RowCount() - 1, ListRows::kColumns - 1));
}

}  // namespace folidex
