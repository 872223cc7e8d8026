#pragma once
// The About box "バージョン情報": the program's name and its version history, newest first.

#include <QDialog>

namespace folidex {

class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CAboutDlg(QWidget* owner = nullptr);

  // The history lines 30204 down to 30200, each ended by "\r\n".
  static QString HistoryText();
};

}  // namespace folidex
