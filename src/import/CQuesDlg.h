#pragma once
// The confirmation "確認" for a dropped PDF: copy it into the database (はい), link it where it
// is (いいえ) or stop (キャンセル); the check box keeps the answer from now on.

#include <QDialog>

#include "common/Prompter.h"

class QCheckBox;
class QPushButton;

namespace folidex {

class Settings;

class CQuesDlg : public QDialog {
  Q_OBJECT

 public:
  CQuesDlg(Settings& settings, QWidget* owner = nullptr);

  // Yes, No or Cancel (also for closing the dialog).
  Answer Choice() const { return choice_; }
  QCheckBox* DontAskAgain() const { return dontAsk_; }

  // Shows the dialog modally; its answer is applied to KanSet/Ques and KanSet/Link.
  static Answer Ask(Settings& settings, QWidget* owner);

 private:
  void Choose(Answer answer);

  Settings& settings_;
  Answer choice_ = Answer::Cancel;
  QCheckBox* dontAsk_ = nullptr;
};

}  // namespace folidex
