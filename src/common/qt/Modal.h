#pragma once
// Every modal interaction of the desktop program runs through this class: message boxes, the
// colour, open-file and folder choosers, and the modal runs of dialogs. The program calls the
// Run/Choose functions; a test sets the next answers beforehand, so a widget test never blocks
// on a modal window and no production widget needs a test hook of its own.

#include <QColor>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>

#include "common/Prompter.h"

class QDialog;
class QWidget;

namespace folidex {

class Modal {
 public:
  // A message box captioned "Folidex" with the icon and buttons of `kind` (Japanese buttons
  // from Qt's translations). Every text shown is recorded for TakeShownMessages.
  static Answer ShowMessage(QWidget* owner, MessageKind kind, const QString& text);
  // The colour dialog, fully opened, preset to `initial`; nothing when cancelled.
  static std::optional<QColor> ChooseColor(QWidget* owner, const QColor& initial);
  // An open-file dialog; an empty text when cancelled.
  static QString ChooseOpenFile(QWidget* owner, const QString& caption, const QString& folder, const QString& filter);
  // The folder chooser "フォルダの指定" starting at `initial`; an empty text when cancelled.
  static QString ChooseFolder(QWidget* owner, const QString& initial);
  // Runs a dialog modally and returns its result code.
  static int Run(QDialog& dialog);

  // ---- next answers, for tests ----
  // The next message boxes are not shown but answered with these, in order.
  static void SetNextAnswers(std::deque<Answer> answers);
  static bool HasNextAnswers();
  // Every message text shown (or answered) since the last call, oldest first.
  static QStringList TakeShownMessages();
  // The next colour dialog answers this (nothing: cancelled).
  static void SetNextColor(std::optional<QColor> answer);
  // The next open-file dialog answers this (nothing: cancelled).
  static void SetNextFileName(std::optional<QString> answer);
  // While set, every folder chooser answers through this function (given the start folder).
  static void SetFolderAnswer(std::function<QString(const QString& initial)> answer);
  // The next modal run of a dialog calls this instead of showing it; its return value is the
  // result code. It may fill the dialog and press its buttons.
  static void SetNextRun(std::function<int(QDialog&)> run);
  // Forgets every answer that was set.
  static void Reset();
};

}  // namespace folidex
