#pragma once
// The list-management dialog "リスト管理": the named lists of the list folder with their entry
// counts and file times; a double-click on a row renames the list or deletes it. The rename
// dialog itself comes from whoever opens this one (the main frame passes it in).

#include <QDialog>
#include <functional>
#include <optional>
#include <string>
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
  // Asks for a list's new name (CP932) and renames its file; nothing when the user gave up.
  using Renamer = std::function<std::optional<std::string>(const std::string& oldName, QWidget* owner)>;

  CListDlg(Store& store, Prompter& prompter, Renamer renamer, QWidget* parent = nullptr);

  QTableWidget* List() const { return list_; }
  // Double-click on row `row` (30053: rename, delete or nothing).
  void OnRowDoubleClicked(int row);
  // Fits the five columns to their contents.
  void FitColumns();

 private:
  void Fill();

  Store& store_;
  Prompter& prompter_;
  Renamer renamer_;
  std::vector<SavedListEntry> entries_;
  QTableWidget* list_;
  QPushButton* close_;
};

}  // namespace folidex
