#pragma once
// The settings sheet's page "HTMLエリア": the home page, the bookmark menu width and the Word
// output with its folder.

#include <QWidget>

#include "app/ShellRules.h"
#include "common/qt/Services.h"

class QLineEdit;
class QRadioButton;
class QSpinBox;

namespace folidex {

class CSheetHtmlPage : public QWidget {
  Q_OBJECT

 public:
  CSheetHtmlPage(Services& services, SheetValues& values, QWidget* parent = nullptr);

 private:
  void SetHome(const std::string& home);
  void CommitMenuLen();
  void OnSaveChosen();
  void OnFolderTextChanged(const QString& text);

  Services& services_;
  SheetValues& values_;
  QLineEdit* home_;
  QSpinBox* menuLen_;
  QRadioButton* show_;
  QRadioButton* save_;
  QLineEdit* folder_;
};

}  // namespace folidex
