#include "import/qt/ImportController.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QProgressDialog>
#include <QThread>
#include <QWebEngineProfile>

#include "common/Cp932.h"
#include "common/qt/QtText.h"
#include "html/CShelfView.h"
#include "import/CQuesDlg.h"
#include "pdf/qt/CRecognitionDlg.h"

namespace folidex {

ImportController::ImportController(Services& services, CShelfView& html, std::function<void()> fitColumns,
                                   std::shared_ptr<RecognizerPool> recognizers, QWidget* owner)
    : QObject(owner),
      services_(services),
      owner_(owner),
      viewer_(&html),
      downloader_(html.Network(), services.progress, html.Profile()->httpUserAgent()),
      pool_({WorkerProgramPath()}, ReadWorkerLimits(services.settings)),
      pdf_(pool_, [this] { return EngineWaitCancelled(); }),
      recognizers_(std::move(recognizers)),
      timer_(new QTimer(this)) {
  engineClock_.start();
  engineWaitHide_ = new QTimer(this);
  engineWaitHide_->setSingleShot(true);
  engineWaitHide_->setInterval(400);
  connect(engineWaitHide_, &QTimer::timeout, this, [this] {
    if (engineWait_) engineWait_->hide();
  });
  ImportPorts ports{
      services.store, services.settings, services.prompter, services.progress,    services.clock, services.list,
      html,           viewer_,           downloader_,       std::move(fitColumns)};
  ports.pdf = &pdf_;
  ports.recognizers = recognizers_.get();
  // The recognition runs on worker threads behind its modal progress window, the pages of a
  // document at once.
  ports.recognize = [this](PdfEngine& pdf, RecognizerPool& recognizers) {
    return CRecognitionDlg::Run(owner_, pdf, recognizers, &services_.progress);
  };
  importer_ = std::make_unique<Importer>(std::move(ports));
  // Timer 1 of the list area: once a second until the HTML area has loaded the document.
  timer_->setObjectName(QStringLiteral("ImportTimer"));
  timer_->setInterval(1000);
  connect(timer_, &QTimer::timeout, this, [this] {
    importer_->Tick();
    if (!importer_->Waiting()) {
      timer_->stop();
      TakeNextOpenedFile();
    }
  });
}

bool ImportController::EngineWaitCancelled() {
  // The recognition's worker thread asks too: only the window's own thread shows anything.
  if (QThread::currentThread() != QCoreApplication::instance()->thread()) return false;
  // The engine asks about ten times a second while one request runs; a longer pause means a new
  // request, which gets its own second before the window appears.
  const qint64 now = engineClock_.elapsed();
  if (now - lastEngineAsk_ > 300) {
    engineWaitStart_ = now;
    engineCancelled_ = false;
    if (engineWait_) engineWait_->hide();
  }
  lastEngineAsk_ = now;
  if (now - engineWaitStart_ < 1000 || !owner_) {
    // The window keeps painting; input waits, so no second import starts on the same worker.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    return false;
  }
  // Gone as soon as the engine stops asking (its work done, or a message of the import shown).
  engineWaitHide_->start();
  if (!engineWait_) {
    engineWait_ =
        new QProgressDialog(QStringLiteral("PDFを読み込んでいます…"), QStringLiteral("キャンセル"), 0, 0, owner_);
    engineWait_->setObjectName(QStringLiteral("EngineWait"));
    engineWait_->setWindowTitle(QStringLiteral("フォリデクス"));
    engineWait_->setWindowModality(Qt::WindowModal);
    engineWait_->setMinimumDuration(0);
    engineWait_->setAutoReset(false);
    // キャンセル, Esc and closing the window all end the request.
    connect(engineWait_, &QProgressDialog::canceled, this, [this] { engineCancelled_ = true; });
    connect(engineWait_, &QDialog::rejected, this, [this] { engineCancelled_ = true; });
  }
  if (!engineWait_->isVisible() && !engineCancelled_) {
    engineWait_->reset();
    engineWait_->show();
  }
  // The dialog is modal: only its キャンセル (or Esc) takes input while the engine works.
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  return engineCancelled_;
}

void ImportController::StartWaiting() {
  if (importer_->Waiting()) timer_->start();  // (re)started: a new drop replaces a waiting one
}

void ImportController::DropFiles(const QStringList& paths) {
  std::vector<NativePath> native;
  for (const QString& path : paths) native.push_back(ToNativePathText(path));
  importer_->ImportDroppedFile(native, [this] { return CQuesDlg::Ask(services_.settings, owner_); });
  StartWaiting();
}

void ImportController::OpenFiles(const QStringList& paths) {
  for (const QString& path : paths) opened_.push_back(path);
  TakeNextOpenedFile();
}

void ImportController::TakeNextOpenedFile() {
  // A question of the import runs an event loop, in which more files may arrive: they join the
  // queue and this loop takes them.
  if (takingOpened_) return;
  takingOpened_ = true;
  while (!importer_->Waiting() && !opened_.empty()) {
    const QString path = opened_.front();
    opened_.pop_front();
    const QFileInfo file(path);
    if (!file.isFile() || file.suffix().compare(QStringLiteral("pdf"), Qt::CaseInsensitive) != 0) {
      services_.prompter.Error(Msg::PdfNotPdf, FromNativePath(path.toStdString()) + "\n");
      continue;
    }
    DropFiles({path});
  }
  takingOpened_ = false;
}

void ImportController::DropLink(const std::string& address, const std::string& fileName) {
  {
    WaitCursor wait(services_.progress);
    importer_->ImportFromUrl(address, fileName);
  }
  StartWaiting();
}

bool ImportController::ImportShownPdf() {
  WaitCursor wait(services_.progress);
  services_.store.WorkingRecord().Clear();
  return importer_->ImportShownPdf();
}

}  // namespace folidex
