#pragma once
// The modal window of a text recognition: "文字認識中 3/12 ページ" over a progress bar, and a
// キャンセル button. The recognition (BuildDocumentText) runs on a worker thread, so the window
// and the main window behind it stay painted while the rest of the program is blocked; Esc, the
// button and the close box ask it to stop, and the window stays until it has.

#include <QDialog>
#include <atomic>
#include <functional>

#include "common/Progress.h"
#include "pdf/DocumentText.h"
#include "pdf/RecognizerPool.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace folidex {

class CRecognitionDlg : public QDialog {
  Q_OBJECT

 public:
  // Builds the text of the document open in `pdf`, recognising its pages without text, behind
  // the modal window, and returns when the work has ended: the text, NothingFound, or Cancelled.
  // `pdf` and `recognizer` are used on the worker thread meanwhile. With `progress`, the step is
  // also shown in pane 120 and the progress bar (cleared at the end) under the wait cursor.
  static DocumentText Run(QWidget* parent, PdfEngine& pdf, TextRecognizer& recognizer, Progress* progress = nullptr);
  // The same with the pages read at once on the pool's recognizers; the step counts the pages
  // as they finish, and a cancel stops every page being read.
  static DocumentText Run(QWidget* parent, PdfEngine& pdf, RecognizerPool& recognizers, Progress* progress = nullptr);

 protected:
  void reject() override;
  void closeEvent(QCloseEvent* event) override;

 private:
  class Monitor;

  CRecognitionDlg(QWidget* parent, Progress* progress);
  static DocumentText RunBuild(QWidget* parent, Progress* progress,
                               const std::function<DocumentText(DocumentTextMonitor&)>& build);
  void ShowStep(int index, int count);
  void ShowPagePercent(int percent);
  void Finish();

  Progress* progress_;
  QLabel* step_;
  QProgressBar* bar_;
  QPushButton* cancel_;
  std::atomic<bool> cancelRequested_{false};
  bool finished_ = false;
  int index_ = 0;
  int count_ = 0;
  int shownPercent_ = 0;  // of the whole document: the bar never goes back
};

}  // namespace folidex
