#include "common/qt/Modal.h"

#include <QApplication>
#include <QColorDialog>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QSpacerItem>
#include <QTimer>
#include <QTreeView>

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

// A message box at least as wide as its caption needs in the title bar, beside the window
// manager's buttons: a short text no longer cuts "Folidex" to "…".
QMessageBox::StandardButton RunBox(QWidget* owner, QMessageBox::Icon icon, const QString& caption, const QString& text,
                                   QMessageBox::StandardButtons buttons, QMessageBox::StandardButton byDefault) {
  QMessageBox box(icon, caption, text, buttons, owner);
  box.setDefaultButton(byDefault);
  constexpr int kTitleBarRoom = 240;  // the window manager's icon and buttons
  const int width =
      QFontMetrics(QApplication::font("QMdiSubWindowTitleBar")).horizontalAdvance(caption) + kTitleBarRoom;
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                  grid->columnCount());
  }
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

// Column widths a detail view of files can be read with: size, type and date as wide as their
// texts, the name the room that is left.
void StretchNameColumn(QFileDialog& dialog) {
  for (QTreeView* view : dialog.findChildren<QTreeView*>()) {
    QHeaderView* header = view->header();
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(60);
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
  }
}

// The dialog's own widgets may come only when it is shown: once more when its loop runs.
void SizeFileColumns(QFileDialog& dialog) {
  StretchNameColumn(dialog);
  QTimer::singleShot(0, &dialog, [&dialog] { StretchNameColumn(dialog); });
}

}  // namespace

Answer Modal::ShowMessage(QWidget* owner, MessageKind kind, const QString& text) {
  Next().shown.append(text);
  if (std::optional<Answer> answer = TakeFront(Next().messages)) return *answer;
  const QString caption = QStringLiteral("Folidex");
  using B = QMessageBox::StandardButton;
  using I = QMessageBox::Icon;
  switch (kind) {
    case MessageKind::Error:
      RunBox(owner, I::Critical, caption, text, B::Ok, B::Ok);
      return Answer::Ok;
    case MessageKind::Information:
      RunBox(owner, I::Information, caption, text, B::Ok, B::Ok);
      return Answer::Ok;
    case MessageKind::YesNo:
      return RunBox(owner, I::Question, caption, text, B::Yes | B::No, B::Yes) == B::Yes ? Answer::Yes : Answer::No;
    case MessageKind::YesNoSafe:
      return RunBox(owner, I::Question, caption, text, B::Yes | B::No, B::No) == B::Yes ? Answer::Yes : Answer::No;
    case MessageKind::YesNoCancel: {
      B b = RunBox(owner, I::Question, caption, text, B::Yes | B::No | B::Cancel, B::Yes);
      return b == B::Yes ? Answer::Yes : b == B::No ? Answer::No : Answer::Cancel;
    }
    case MessageKind::RetryCancel:
      return RunBox(owner, I::Warning, caption, text, B::Retry | B::Cancel, B::Retry) == B::Retry ? Answer::Retry
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
  SizeFileColumns(dialog);
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
  dialog.setViewMode(QFileDialog::Detail);
  dialog.resize(880, 540);
  SizeFileColumns(dialog);
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
