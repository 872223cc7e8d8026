#pragma once
// The bookmark edit dialog "ブックマークの編集": sixteen rows "1 :" .. "16:", each with a name edit
// (object name 4699 + row, 1-based) and a read-only address edit (4799 + row), under the
// captions "名前 :" and "URL :"; a footnote on deleting; "保存して終了(&S)" (IDOK) and "中止(&C)"
// (IDCANCEL). Rows without a bookmark have their name edit disabled. Only names are saved.

#include <QDialog>
#include <array>

class QLineEdit;
class QPushButton;
class QPushButton;

namespace folidex {

class Prompter;
class Settings;

class CBmDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kRows = 16;

  CBmDlg(Settings& settings, Prompter& prompter, QWidget* parent = nullptr);

  int LoadedRows() const { return loaded_; }
  QLineEdit* NameEdit(int row) const { return names_[row]; }  // row 0..15
  QLineEdit* UrlEdit(int row) const { return urls_[row]; }

 public slots:
  // Saves the loaded rows' names and closes; an empty name or one without a CP932 form keeps the
  // dialog open with the focus on that row.
  void OnSave();

 protected:
  void showEvent(QShowEvent* e) override;

 public:
  QPushButton* DeleteButton(int row) const { return deletes_[row]; }

 private:
  Settings& settings_;
  Prompter& prompter_;
  int loaded_ = 0;
  bool centred_ = false;
  std::array<QLineEdit*, kRows> names_{};
  std::array<QLineEdit*, kRows> urls_{};
  std::array<QPushButton*, kRows> deletes_{};
  // The rows from the bookmarks as stored: names, addresses, and which rows can be edited.
  void LoadRows();
  // 削除 of a row: the bookmark (every one of its name) goes after the usual question.
  void OnDelete(int row);
};

}  // namespace folidex
