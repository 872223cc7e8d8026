#include "pdf/qt/CRecognitionDlg.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <exception>
#include <optional>
#include <thread>

#include "common/qt/QtText.h"

namespace folidex {

// Reports from the worker thread: queued to the window, which lives on the UI thread.
class CRecognitionDlg::Monitor : public DocumentTextMonitor {
 public:
  explicit Monitor(CRecognitionDlg& dlg) : dlg_(&dlg) {}
  bool Cancelled() override { return dlg_->cancelRequested_.load(); }
  void RecognitionStarted(int index, int count, int) override {
    lastPercent_ = -1;
    count_ = count;
    QMetaObject::invokeMethod(
        dlg_, [dlg = dlg_, index, count] { dlg->ShowStep(index, count); }, Qt::QueuedConnection);
  }
  // The step counts the pages as they finish: pages read at once finish in any order, and the
  // last ones start no other page after them.
  void PageFinished(int, const PageText&) override {
    if (++done_ >= count_) return;
    QMetaObject::invokeMethod(
        dlg_, [dlg = dlg_, index = done_ + 1, count = count_] { dlg->ShowStep(index, count); }, Qt::QueuedConnection);
  }
  void PageProgress(int percent) override {
    if (percent == lastPercent_) return;
    lastPercent_ = percent;
    QMetaObject::invokeMethod(
        dlg_, [dlg = dlg_, percent] { dlg->ShowPagePercent(percent); }, Qt::QueuedConnection);
  }

 private:
  CRecognitionDlg* dlg_;
  int lastPercent_ = -1;
  int count_ = 0;
  int done_ = 0;
};

CRecognitionDlg::CRecognitionDlg(QWidget* parent, Progress* progress) : QDialog(parent), progress_(progress) {
  setObjectName(QStringLiteral("CRecognitionDlg"));
  setWindowTitle(QStringLiteral("Folidex"));
  setModal(true);
  step_ = new QLabel(QStringLiteral("文字認識中"), this);
  step_->setObjectName(QStringLiteral("IDC_RECOGNITION_STEP"));
  step_->setMinimumWidth(280);
  bar_ = new QProgressBar(this);
  bar_->setObjectName(QStringLiteral("IDC_RECOGNITION_PROGRESS"));
  bar_->setRange(0, 100);
  bar_->setValue(0);
  cancel_ = new QPushButton(QStringLiteral("キャンセル"), this);
  cancel_->setObjectName(QStringLiteral("IDCANCEL"));
  cancel_->setAutoDefault(false);
  connect(cancel_, &QPushButton::clicked, this, &CRecognitionDlg::reject);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(step_);
  layout->addWidget(bar_);
  layout->addLayout(buttons);
}

DocumentText CRecognitionDlg::Run(QWidget* parent, PdfEngine& pdf, TextRecognizer& recognizer, Progress* progress) {
  return RunBuild(parent, progress,
                  [&](DocumentTextMonitor& monitor) { return BuildDocumentText(pdf, recognizer, monitor); });
}

DocumentText CRecognitionDlg::Run(QWidget* parent, PdfEngine& pdf, RecognizerPool& recognizers, Progress* progress) {
  return RunBuild(parent, progress,
                  [&](DocumentTextMonitor& monitor) { return BuildDocumentText(pdf, recognizers, monitor); });
}

DocumentText CRecognitionDlg::RunBuild(QWidget* parent, Progress* progress,
                                       const std::function<DocumentText(DocumentTextMonitor&)>& build) {
  CRecognitionDlg dlg(parent, progress);
  Monitor monitor(dlg);
  std::optional<WaitCursor> wait;
  if (progress) wait.emplace(*progress);
  DocumentText result;
  std::thread worker([&] {
    try {
      result = build(monitor);
    } catch (const std::exception&) {
      result = DocumentText{};  // out of memory in the engine: nothing found
    }
    QMetaObject::invokeMethod(
        &dlg, [d = &dlg] { d->Finish(); }, Qt::QueuedConnection);
  });
  dlg.exec();
  dlg.cancelRequested_ = true;  // the loop may also have ended because the program quits
  worker.join();
  if (progress) {
    progress->SetPaneText(StatusPane::Url, std::string());
    progress->SetProgressBar(0);
  }
  return result;
}

void CRecognitionDlg::ShowStep(int index, int count) {
  index_ = index;
  count_ = count;
  if (cancelRequested_) return;
  const std::string text = RecognitionProgressText(index, count);
  step_->setText(ToQString(text));
  if (progress_) progress_->SetPaneText(StatusPane::Url, text);
  ShowPagePercent(0);
}

void CRecognitionDlg::ShowPagePercent(int percent) {
  if (count_ <= 0) return;
  const int overall = ((index_ - 1) * 100 + percent) / count_;
  if (overall <= shownPercent_) return;  // another page read at once reported less
  shownPercent_ = overall;
  bar_->setValue(overall);
  if (progress_) progress_->SetProgressBar(overall);
}

void CRecognitionDlg::Finish() {
  finished_ = true;
  done(QDialog::Accepted);
}

void CRecognitionDlg::reject() {
  if (finished_) {
    QDialog::reject();
    return;
  }
  if (cancelRequested_.exchange(true)) return;
  step_->setText(QStringLiteral("キャンセルしています..."));
  cancel_->setEnabled(false);
}

void CRecognitionDlg::closeEvent(QCloseEvent* event) {
  if (finished_) {
    QDialog::closeEvent(event);
    return;
  }
  event->ignore();
  reject();
}

}  // namespace folidex
