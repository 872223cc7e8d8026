#pragma once
// The Prompter port on QMessageBox: caption "Folidex", the icon and buttons of each kind, and
// Japanese button texts from the Qt translations. Tests queue answers with ScriptAnswers, so a
// GUI test never blocks on a modal box; every text shown is recorded.

#include <QStringList>
#include <deque>

#include "common/Prompter.h"

class QWidget;

namespace folidex {

class QtPrompter : public Prompter {
 public:
  explicit QtPrompter(QWidget* owner = nullptr) : owner_(owner) {}
  void SetOwner(QWidget* owner) { owner_ = owner; }

  Answer Show(MessageKind kind, const std::string& text) override;

  // Test hook: the next boxes are not shown but answered with these, in order.
  static void ScriptAnswers(std::deque<Answer> answers);
  static bool HasScriptedAnswers();
  // Every text shown (or answered by script) since the last call, oldest first.
  static QStringList TakeShownTexts();

 private:
  QWidget* owner_;
};

}  // namespace folidex
