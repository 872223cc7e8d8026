#pragma once
// The import as the desktop program runs it: the core pipeline over the HTML area (its viewer
// pane, its network access with the browser's cookies), the confirmation dialog for a dropped
// file, and the list area's one-second timer that waits until the area has loaded the document.

#include <QElapsedTimer>
#include <QObject>
#include <QProgressDialog>
#include <QStringList>
#include <QTimer>
#include <deque>
#include <memory>

#include "common/qt/Services.h"
#include "html/qt/QtDownloader.h"
#include "html/qt/QtViewerBridge.h"
#include "import/Import.h"
#include "pdf/RecognizerPool.h"
#include "pdf/WorkerEngine.h"

namespace folidex {

class CShelfView;

class ImportController : public QObject {
  Q_OBJECT

 public:
  // `fitColumns` fits the list's column widths after an import (KanSet/ColumnMnt). `recognizers`
  // are the window's text recognizers, shared with the inbox.
  ImportController(Services& services, CShelfView& html, std::function<void()> fitColumns,
                   std::shared_ptr<RecognizerPool> recognizers, QWidget* owner);

  // Files dropped on the list area (native paths).
  void DropFiles(const QStringList& paths);
  // Files to open ("open with", the command line): imported one after the other, each as a drop
  // of that one file, once the import before it has finished. A path that is not a PDF file is
  // refused with its path and 31121.
  void OpenFiles(const QStringList& paths);
  // A link to a PDF dropped on the list area, under the wait cursor.
  void DropLink(const std::string& address, const std::string& fileName = {});
  // "PDF 取得", under the wait cursor.
  bool ImportShownPdf();

  Importer& Pipeline() { return *importer_; }
  const RecognizerPool* Recognizers() const { return recognizers_.get(); }
  // The HTML area's viewer, as the text capture reaches it.
  ViewerBridge& Viewer() { return viewer_; }
  QTimer* Timer() const { return timer_; }

 private:
  void StartWaiting();
  // The engine's question while it works in its worker: a wait of more than a second shows a
  // modal "PDFを読み込んでいます…" with キャンセル, which ends the document's engine work.
  bool EngineWaitCancelled();
  // The next file of OpenFiles, when no import waits.
  void TakeNextOpenedFile();

  Services& services_;
  QWidget* owner_;
  QtViewerBridge viewer_;
  QtDownloader downloader_;
  WorkerPool pool_;
  WorkerPdfEngine pdf_;
  std::shared_ptr<RecognizerPool> recognizers_;
  std::unique_ptr<Importer> importer_;
  QTimer* timer_;
  std::deque<QString> opened_;
  QElapsedTimer engineClock_;
  qint64 engineWaitStart_ = 0;
  qint64 lastEngineAsk_ = -1000;
  QProgressDialog* engineWait_ = nullptr;
  QTimer* engineWaitHide_ = nullptr;
  bool engineCancelled_ = false;
  bool takingOpened_ = false;
};

}  // namespace folidex
