#include "common/qt/Modal.h"

#include <QColorDialog>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

namespace folidex {
namespace {

struct NextAnswers {
  std::deque<Answer> messages;
  QStringList shown;
  std::deque<std::optional<QColor>> colors;
  std::deque<std::optional<QString>> fileNames;
  std::function<QString(const QString&)> folder;
  std::deque<std::function<int(QDialog&)>> runs;
};

NextAnswers& Next() {
  static NextAnswers next;
  return next;
}

template <typename T>
std::optional<T> TakeFront(std::deque<T>& queue) {
  if (queue.empty()) return std::nullopt;
  T value = std::move(queue.front());
  queue.pop_front();
  return value;
}

}  // namespace

Answer Modal::ShowMessage(QWidget* owner, MessageKind kind, const QString& text) {
  Next().shown.append(text);
  if (std::optional<Answer> answer = TakeFront(Next().messages)) return *answer;
  const QString caption = QStringLiteral("Folidex");
  using B = QMessageBox::StandardButton;
  switch (kind) {
    case MessageKind::Error:
      QMessageBox::critical(owner, caption, text);
      return Answer::Ok;
    case MessageKind::Information:
      QMessageBox::information(owner, caption, text);
      return Answer::Ok;
    case MessageKind::YesNo:
      return QMessageBox::question(owner, caption, text, B::Yes | B::No, B::Yes) == B::Yes ? Answer::Yes : Answer::No;
    case MessageKind::YesNoSafe:
      return QMessageBox::question(owner, caption, text, B::Yes | B::No, B::No) == B::Yes ? Answer::Yes : Answer::No;
    case MessageKind::YesNoCancel: {
      B b = QMessageBox::question(owner, caption, text, B::Yes | B::No | B::Cancel, B::Yes);
      return b == B::Yes ? Answer::Yes : b == B::No ? Answer::No : Answer::Cancel;
    }
    case MessageKind::RetryCancel:
      return QMessageBox::warning(owner, caption, text, B::Retry | B::Cancel, B::Retry) == B::Retry ? Answer::Retry
                                                                                                    : Answer::Cancel;
  }
  return Answer::Cancel;
}

std::optional<QColor> Modal::ChooseColor(QWidget* owner, const QColor& initial) {
  if (std::optional<std::optional<QColor>> answer = TakeFront(Next().colors)) return *answer;
  QColor color = QColorDialog::getColor(initial, owner);
  if (!color.isValid()) return std::nullopt;
  return color;
}

QString Modal::ChooseOpenFile(QWidget* owner, const QString& caption, const QString& folder, const QString& filter) {
  if (std::optional<std::optional<QString>> answer = TakeFront(Next().fileNames)) return answer->value_or(QString());
  // Wide enough for the detail view's size and date columns.
  QFileDialog dialog(owner, caption, folder, filter);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setViewMode(QFileDialog::Detail);
  dialog.resize(880, 540);
  if (dialog.exec() != QDialog::Accepted) return {};
  const QStringList chosen = dialog.selectedFiles();
  return chosen.isEmpty() ? QString() : chosen.first();
}

QString Modal::ChooseFolder(QWidget* owner, const QString& initial) {
  if (Next().folder) return Next().folder(initial);
  QFileDialog dialog(owner, QStringLiteral("フォルダの指定"), initial);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly, true);
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setLabelText(QFileDialog::LookIn, QStringLiteral("フォルダを指定してください"));
  dialog.setLabelText(QFileDialog::Accept, QStringLiteral("選択"));
  dialog.setLabelText(QFileDialog::Reject, QStringLiteral("キャンセル"));
  if (dialog.exec() != QDialog::Accepted) return {};
  const QStringList chosen = dialog.selectedFiles();
  return chosen.isEmpty() ? QString() : QDir::cleanPath(chosen.first());
}

int Modal::Run(QDialog& dialog) {
  if (std::optional<std::function<int(QDialog&)>> run = TakeFront(Next().runs)) return (*run)(dialog);
  return dialog.exec();
}

void Modal::SetNextAnswers(std::deque<Answer> answers) { Next().messages = std::move(answers); }
bool Modal::HasNextAnswers() { return !Next().messages.empty(); }

QStringList Modal::TakeShownMessages() {
  QStringList shown = Next().shown;
  Next().shown.clear();
  return shown;
}

void Modal::SetNextColor(std::optional<QColor> answer) { Next().colors.push_back(answer); }
void Modal::SetNextFileName(std::optional<QString> answer) { Next().fileNames.push_back(std::move(answer)); }
void Modal::SetFolderAnswer(std::function<QString(const QString& initial)> answer) {
  Next().folder = std::move(answer);
}
void Modal::SetNextRun(std::function<int(QDialog&)> run) { Next().runs.push_back(std::move(run)); }
void Modal::Reset() { Next() = NextAnswers{}; }

}  // namespace folidex
