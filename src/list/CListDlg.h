#pragma once
// The list-management dialog "リスト管理": the named lists of the list folder with their entry
// counts and file times; a double-click on a row renames the list or deletes it.

#include <QDialog>
#include <vector>

#include "list/ListCommands.h"

class QTableWidget;
class QPushButton;

namespace folidex {

class Prompter;
class Store;

class CListDlg : public QDialog {
  Q_OBJECT

 public:
  CListDlg(Store& store, Prompter& prompter, QWidget* parent = nullptr);

  QTableWidget* List() const { return list_; }
  // Double-click on row `row` (30053: rename, delete or nothing).
  void OnRowDoubleClicked(int row);
  // Fits the five columns to their contents.
  void FitColumns();

 private:
  void Fill();

  Store& store_;
  Prompter& prompter_;
  std::vector<SavedListEntry> entries_;
  QTableWidget* list_;
  QPushButton* close_;
};

}  // namespace folidex
