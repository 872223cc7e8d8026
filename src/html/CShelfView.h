#pragma once
// The HTML area: the browser view (and, for PDF documents, the PDF viewer pane) under its bar.
//
// One stacked widget holds the PDF pane (CPdfPane) and a QWebEngineView for pages and pictures;
// an address whose page type is "PDF" is shown in the pane (a remote one is fetched first into
// a temporary file), everything else in the web view. Back and forward walk one history across
// both. The web view runs on a profile of its own under the user's data folder, in silent mode.

#include <QPointer>
#include <QWidget>
#include <memory>

#include "common/HtmlArea.h"
#include "common/qt/Services.h"
#include "html/NavigationHistory.h"

class QNetworkAccessManager;
class QNetworkReply;
class QStackedWidget;
class QTemporaryFile;
class QWebEngineDownloadRequest;
class QWebEngineProfile;
class QWebEngineView;

namespace folidex {

class CPdfPane;
class CTopBar;
class SilentWebPage;

class CShelfView : public QWidget, public HtmlArea {
  Q_OBJECT

 public:
  explicit CShelfView(Services& services, QWidget* parent = nullptr);
  ~CShelfView() override;

  // The one HTML area of the program (set when it is created).
  static CShelfView* Instance();

  // HtmlArea
  void Navigate2(const std::string& address) override;
  std::string GetLocationURL() const override;
  std::string GetLocationName() const override;
  std::string LastModified() const override;  // local time; empty when nothing is shown
  std::string PageType() const override;
  bool DocumentLoaded() const override;
  void SetDocumentLoaded(bool loaded) override;
  int WaitTicks() const override;
  void SetWaitTicks(int ticks) override;
  void GoBack() override;
  std::string ShownFileName() const override;

  // The bar's other commands.
  void GoForward();
  void Stop();
  void GoHome();
  void ChangeHome();
  // Navigates to an address as typed (a URL or a local path).
  void NavigateAddress(const QString& address);

  CTopBar* Bar() const { return bar_; }
  CPdfPane* PdfPane() const { return pane_; }
  QWebEngineView* WebView() const { return web_; }
  QWebEngineProfile* Profile() const { return profile_; }
  // The network access of the area: its fetches carry the browser's cookies.
  QNetworkAccessManager* Network() const { return network_; }
  QString LastStatusText() const { return lastStatusText_; }
  bool ShowingPdf() const { return shown_ == Shown::Pdf; }

 signals:
  void statusTextChanged(const QString& text);    // status pane 120
  void loadingChanged(bool busy);                 // status pane 121's busy animation
  void pageTypeChanged(const QString& pageType);  // the ribbon's ID_NOW_DSP indicator

 protected:
  void showEvent(QShowEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

  Services& services_;
  std::string pageType_;
  bool documentLoaded_ = false;
  int waitTicks_ = 0;

 private:
  enum class Shown { Nothing, Web, Pdf };

  void BeforeNavigate();
  void DocumentComplete(const QString& url, const std::string& pageType);
  bool OnNavigationRequest(const QUrl& url, int type, bool isMainFrame);
  void OnNewWindowRequest();
  void OnWebLoadFinished(bool ok);
  void OpenWeb(const QUrl& url);
  void SwitchToWeb();
  void OpenPdf(const QString& address, const QUrl& url, const QString& nameHint = {});
  void OnDownloadRequested(QWebEngineDownloadRequest* download);
  void FetchPdf(const QUrl& url, const QString& windowText);
  void OnFetchFinished(QNetworkReply* reply, const QString& windowText);
  void CancelFetch();
  void ApplyZoom();
  void RefuseDrops();

  CTopBar* bar_ = nullptr;
  QStackedWidget* stack_ = nullptr;
  CPdfPane* pane_ = nullptr;
  QWebEngineProfile* profile_ = nullptr;
  QWebEngineView* web_ = nullptr;
  SilentWebPage* page_ = nullptr;
  QNetworkAccessManager* network_ = nullptr;
  QPointer<QNetworkReply> fetch_;
  std::unique_ptr<QTemporaryFile> fetchFile_;  // the fetched PDF while it is shown
  Shown shown_ = Shown::Nothing;
  QString pdfLocation_;    // the address of the PDF in the pane
  QString shownFileName_;  // its kept file name (see ShownFileName)
  QString lastStatusText_;
  std::string lastModified_;
  NavigationHistory history_;  // UTF-8 addresses
  bool initialised_ = false;
  bool navigated_ = false;
  int webGeneration_ = 0;
};

}  // namespace folidex
