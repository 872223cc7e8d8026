#pragma once
// The rename dialog "名前の変更": a label, an edit with the name and "OK(&S)". In list mode it
// renames a saved list (the rules of AcceptRenameName); in keyword mode it only returns a new
// text of 1..100 bytes. The caption is the label + "の変更".

#include <QDialog>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

namespace folidex {

class Prompter;
class Store;

class CRenameDlg : public QDialog {
  Q_OBJECT

 public:
  // label and name are CP932.
  CRenameDlg(Store& store, Prompter& prompter, bool listMode, const std::string& label, const std::string& name,
             QWidget* parent = nullptr);

  // The name: the old one until OK succeeded, then the new one (CP932).
  const std::string& Name() const { return name_; }
  QLineEdit* Edit() const { return edit_; }

 public slots:
  void OnOk();

 private:
  Store& store_;
  Prompter& prompter_;
  bool listMode_;
  std::string name_;
  QLabel* label_;
  QLineEdit* edit_;
  QPushButton* ok_;
};

}  // namespace folidex
