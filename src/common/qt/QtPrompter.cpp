#include "common/qt/QtPrompter.h"

#include <QMessageBox>

#include "common/qt/QtText.h"

namespace folidex {
namespace {

std::deque<Answer>& Script() {
  static std::deque<Answer> script;
  return script;
}

QStringList& Shown() {
  static QStringList shown;
  return shown;
}

}  // namespace

void QtPrompter::ScriptAnswers(std::deque<Answer> answers) { Script() = std::move(answers); }

bool QtPrompter::HasScriptedAnswers() { return !Script().empty(); }

QStringList QtPrompter::TakeShownTexts() {
  QStringList texts = Shown();
  Shown().clear();
  return texts;
}

Answer QtPrompter::Show(MessageKind kind, const std::string& text) {
  QString message = ToQString(text);
  Shown().append(message);
  if (!Script().empty()) {
    Answer answer = Script().front();
    Script().pop_front();
    return answer;
  }
  const QString caption = QStringLiteral("Folidex");
  using B = QMessageBox::StandardButton;
  switch (kind) {
    case MessageKind::Error:
      QMessageBox::critical(owner_, caption, message);
      return Answer::Ok;
    case MessageKind::Information:
      QMessageBox::information(owner_, caption, message);
      return Answer::Ok;
    case MessageKind::YesNo:
      return QMessageBox::question(owner_, caption, message, B::Yes | B::No, B::Yes) == B::Yes ? Answer::Yes
                                                                                               : Answer::No;
    case MessageKind::YesNoCancel: {
      B b = QMessageBox::question(owner_, caption, message, B::Yes | B::No | B::Cancel, B::Yes);
      return b == B::Yes ? Answer::Yes : b == B::No ? Answer::No : Answer::Cancel;
    }
    case MessageKind::RetryCancel:
      return QMessageBox::warning(owner_, caption, message, B::Retry | B::Cancel, B::Retry) == B::Retry
                 ? Answer::Retry
                 : Answer::Cancel;
  }
  return Answer::Cancel;
}

}  // namespace folidex
