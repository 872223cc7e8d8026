#include "html/CShelfView.h"

#include <QDateTime>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEngineCookieStore>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include "common/Clock.h"
#include "common/DocumentName.h"
#include "common/Prompter.h"
#include "common/Settings.h"
#include "common/qt/QtText.h"
#include "html/CPdfPane.h"
#include "html/CTopBar.h"
#include "html/DroppedLink.h"
#include "html/HomePage.h"
#include "html/PageType.h"
#include "html/TextZoom.h"
#include "html/qt/BookmarkMenu.h"
#include "html/qt/SilentWebPage.h"

namespace folidex {
namespace {

CShelfView* instance = nullptr;

// The form a browser gives a document's last modification: MM/DD/YYYY hh:mm:ss, local time.
std::string FormatLastModified(const QDateTime& when) {
  return ToCp932(when.toLocalTime().toString(QStringLiteral("MM/dd/yyyy HH:mm:ss")));
}

// The last path segment of an address (after the last "/" or "\").
QString LastSegment(const QString& address) {
  const qsizetype cut = std::max(address.lastIndexOf(QLatin1Char('/')), address.lastIndexOf(QLatin1Char('\\')));
  return address.mid(cut + 1);
}

// The pane's window text: the document's file name as the address gives it, its decoded form
// when that differs, so that a title key taken from either is found in it, and the viewer
// marker, so that the text capture finds the pane whatever its key.
QString PdfWindowText(const QString& address, const QUrl& url, const QString& keptName) {
  QStringList names{LastSegment(address)};
  const QString decoded = url.isLocalFile() ? QFileInfo(url.toLocalFile()).fileName() : url.fileName();
  if (!decoded.isEmpty() && !names.contains(decoded)) names << decoded;
  if (!keptName.isEmpty() && !names.contains(keptName)) names << keptName;
  return names.join(QLatin1Char(' ')) + QStringLiteral(" (ADOBE)");
}

}  // namespace

CShelfView::CShelfView(Services& services, QWidget* parent) : QWidget(parent), services_(services) {
  setObjectName(QStringLiteral("CShelfView"));
  setAcceptDrops(false);
  instance = this;
  if (!services_.html) services_.html = this;

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  bar_ = new CTopBar(this);
  layout->addWidget(bar_);
  stack_ = new QStackedWidget(this);
  stack_->setObjectName(QStringLiteral("HtmlStack"));
  layout->addWidget(stack_, 1);

  // The pane comes first among the area's windows: the text capture looks for it there.
  pane_ = new CPdfPane(stack_);
  stack_->addWidget(pane_);

  const QString dataFolder =
      QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/WebEngine");
  profile_ = new QWebEngineProfile(QStringLiteral("Folidex"), this);
  profile_->setPersistentStoragePath(dataFolder);
  profile_->setCachePath(dataFolder + QStringLiteral("/Cache"));
  profile_->setHttpCacheType(QWebEngineProfile::DiskHttpCache);
  profile_->setPersistentCookiesPolicy(QWebEngineProfile::AllowPersistentCookies);
  profile_->setHttpAcceptLanguage(QStringLiteral("ja,en;q=0.5"));

  web_ = new QWebEngineView(stack_);
  web_->setObjectName(QStringLiteral("WebView"));
  web_->setAcceptDrops(false);
  page_ = new SilentWebPage(profile_, web_);
  page_->settings()->setAttribute(QWebEngineSettings::ErrorPageEnabled, true);
  // A page that declares no charset is read as a Japanese page would be.
  page_->settings()->setDefaultTextEncoding(QStringLiteral("Shift_JIS"));
  // A PDF the engine meets (served as application/pdf at any address) arrives as a download
  // request, and goes to the pane: never the engine's own viewer.
  page_->settings()->setAttribute(QWebEngineSettings::PdfViewerEnabled, false);
  connect(profile_, &QWebEngineProfile::downloadRequested, this, &CShelfView::OnDownloadRequested);
  web_->setPage(page_);
  stack_->addWidget(web_);
  stack_->setCurrentWidget(web_);

  // Fetches carry the cookies the browser holds: a PDF behind a site's login downloads too.
  network_ = new QNetworkAccessManager(this);
  auto* cookies = new QNetworkCookieJar(network_);
  network_->setCookieJar(cookies);
  QWebEngineCookieStore* store = profile_->cookieStore();
  connect(store, &QWebEngineCookieStore::cookieAdded, cookies,
          [cookies](const QNetworkCookie& cookie) { cookies->insertCookie(cookie); });
  connect(store, &QWebEngineCookieStore::cookieRemoved, cookies,
          [cookies](const QNetworkCookie& cookie) { cookies->deleteCookie(cookie); });
  store->loadAllCookies();
  web_->installEventFilter(this);  // the engine adds its drawing surface later

  page_->SetNavigationHandler([this](const QUrl& url, QWebEnginePage::NavigationType type, bool isMainFrame) {
    return OnNavigationRequest(url, static_cast<int>(type), isMainFrame);
  });
  page_->SetNewWindowHandler([this] { OnNewWindowRequest(); });
  connect(page_, &QWebEnginePage::linkHovered, this, [this](const QString& url) {
    lastStatusText_ = url;
    emit statusTextChanged(url);
  });
  connect(page_, &QWebEnginePage::loadFinished, this, &CShelfView::OnWebLoadFinished);

  connect(bar_, &CTopBar::backRequested, this, &CShelfView::GoBack);
  connect(bar_, &CTopBar::forwardRequested, this, &CShelfView::GoForward);
  connect(bar_, &CTopBar::stopRequested, this, &CShelfView::Stop);
  connect(bar_, &CTopBar::homeRequested, this, &CShelfView::GoHome);
  connect(bar_, &CTopBar::homeChangeRequested, this, &CShelfView::ChangeHome);
  connect(bar_, &CTopBar::navigateRequested, this, &CShelfView::NavigateAddress);
  connect(bar_, &CTopBar::zoomLevelChanged, this, &CShelfView::ApplyZoom);
  connect(pane_, &CPdfPane::zoomStepRequested, bar_, &CTopBar::StepZoomBy);
  bar_->SetBookmarkHandler(BookmarkButtonHandler(services_.settings, services_.prompter, *this));
  ApplyZoom();
}

CShelfView::~CShelfView() {
  CancelFetch();
  // The page must go before its profile.
  delete web_;
  web_ = nullptr;
  page_ = nullptr;
  if (services_.html == this) services_.html = nullptr;
  if (instance == this) instance = nullptr;
}

CShelfView* CShelfView::Instance() { return instance; }

bool CShelfView::eventFilter(QObject* watched, QEvent* e) {
  if (watched == web_ && e->type() == QEvent::ChildAdded) QTimer::singleShot(0, this, &CShelfView::RefuseDrops);
  return QWidget::eventFilter(watched, e);
}

void CShelfView::RefuseDrops() {
  // The area takes no dropped files (the list area does); the engine's surface would open them.
  if (!web_) return;
  for (QWidget* widget : web_->findChildren<QWidget*>()) widget->setAcceptDrops(false);
}

void CShelfView::showEvent(QShowEvent* e) {
  QWidget::showEvent(e);
  if (initialised_) return;
  initialised_ = true;
  // The home page, unless someone has already sent the area somewhere.
  if (!navigated_) GoHome();
}

// ---- navigation ---------------------------------------------------------------------------

void CShelfView::Navigate2(const std::string& address) { NavigateAddress(QString::fromStdString(address)); }

void CShelfView::NavigateAddress(const QString& address) {
  const QString trimmed = address.trimmed();
  if (trimmed.isEmpty()) return;
  navigated_ = true;
  const QUrl url = QUrl::fromUserInput(trimmed);  // an absolute path is a local file, "example.com" a site
  if (DetectPageType(ToCp932(trimmed)) == "PDF") {
    OpenPdf(trimmed, url);
  } else {
    OpenWeb(url);
  }
}

void CShelfView::OpenWeb(const QUrl& url) {
  CancelFetch();
  SwitchToWeb();
  web_->load(url);
}

void CShelfView::OpenPdf(const QString& address, const QUrl& url, const QString& nameHint) {
  CancelFetch();
  BeforeNavigate();
  web_->stop();
  ++webGeneration_;  // a late result of the hidden page is not this document's
  shown_ = Shown::Pdf;
  stack_->setCurrentWidget(pane_);
  shownFileName_ =
      url.isLocalFile()
          ? QFileInfo(url.toLocalFile()).fileName()
          : QString::fromStdString(KeptDocumentName(
                nameHint.isEmpty() ? std::string()
                                   : "attachment; filename*=UTF-8''" + QUrl::toPercentEncoding(nameHint).toStdString(),
                url.toEncoded().toStdString()));
  const QString windowText = PdfWindowText(address, url, shownFileName_);
  if (!url.isLocalFile()) {
    FetchPdf(url, windowText);
    return;
  }
  fetchFile_.reset();
  const QString path = url.toLocalFile();
  pdfLocation_ = QUrl::fromLocalFile(path).toString();
  QString error;
  if (pane_->Open(path, windowText, &error)) {
    lastModified_ = FormatLastModified(QFileInfo(path).lastModified());
    DocumentComplete(pdfLocation_, "PDF");
  } else {
    emit statusTextChanged(error);
    DocumentComplete(pdfLocation_, {});
  }
}

void CShelfView::FetchPdf(const QUrl& url, const QString& windowText) {
  pdfLocation_ = url.toString();
  pane_->ShowWaiting(QStringLiteral("ダウンロード中 - ") + pdfLocation_);
  // Only the web is fetched: another scheme (ftp:, data:, a file given as a remote address) is
  // never handed to the network access, which would read local files and devices for it.
  if (!IsWebLink(url.toEncoded().toStdString())) {
    fetchFile_.reset();
    pane_->ShowMessage(ToQString(MessageText(Msg::AddressNotFetchable)) + QStringLiteral("\n") + pdfLocation_);
    DocumentComplete(pdfLocation_, {});
    return;
  }
  fetchFile_ = std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/folidex-XXXXXX.pdf"));
  if (!fetchFile_->open()) {
    pane_->ShowMessage(QStringLiteral("一時ファイルを作成できません"));
    DocumentComplete(pdfLocation_, {});
    return;
  }
  QNetworkRequest request(url);
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
  request.setHeader(QNetworkRequest::UserAgentHeader, profile_->httpUserAgent());
  request.setTransferTimeout();
  QNetworkReply* reply = network_->get(request);
  fetch_ = reply;
  connect(reply, &QNetworkReply::readyRead, this, [this, reply] {
    if (reply == fetch_ && fetchFile_) fetchFile_->write(reply->readAll());
  });
  connect(reply, &QNetworkReply::downloadProgress, this, [this, reply](qint64 received, qint64 total) {
    if (reply == fetch_) pane_->SetProgress(received, total);
  });
  connect(reply, &QNetworkReply::finished, this, [this, reply, windowText] { OnFetchFinished(reply, windowText); });
}

void CShelfView::OnFetchFinished(QNetworkReply* reply, const QString& windowText) {
  reply->deleteLater();
  if (reply != fetch_) return;  // cancelled, or overtaken by another navigation
  fetch_ = nullptr;
  if (reply->error() != QNetworkReply::NoError) {
    const QString error = reply->errorString();
    fetchFile_.reset();
    pane_->ShowMessage(error + QStringLiteral("\n") + pdfLocation_);
    emit statusTextChanged(error);
    DocumentComplete(pdfLocation_, {});
    return;
  }
  fetchFile_->write(reply->readAll());
  fetchFile_->flush();
  // The server's own name for the document, when it gives one, is the name kept.
  const QByteArray disposition = reply->rawHeader("Content-Disposition");
  QString shownText = windowText;
  if (!DispositionFileName(disposition.toStdString()).empty()) {
    shownFileName_ = QString::fromStdString(KeptDocumentName(disposition.toStdString(), {}));
    if (!shownText.contains(shownFileName_)) shownText = shownFileName_ + QLatin1Char(' ') + shownText;
  }
  QString error;
  if (!pane_->Open(fetchFile_->fileName(), shownText, &error)) {
    fetchFile_.reset();
    emit statusTextChanged(error);
    DocumentComplete(pdfLocation_, {});
    return;
  }
  const QDateTime modified = reply->header(QNetworkRequest::LastModifiedHeader).toDateTime();
  // Without the header a browser reports the time the document arrived.
  lastModified_ =
      FormatLastModified(modified.isValid() ? modified : QDateTime::fromSecsSinceEpoch(services_.clock.Now()));
  DocumentComplete(pdfLocation_, "PDF");
}

void CShelfView::OnDownloadRequested(QWebEngineDownloadRequest* download) {
  if (download->page() != page_) return;
  const QUrl url = download->url();
  const QString name = download->suggestedFileName();
  const bool pdf = download->mimeType().compare(QLatin1String("application/pdf"), Qt::CaseInsensitive) == 0 ||
                   name.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive);
  download->cancel();  // the engine saves nothing: the pane fetches the document itself
  if (!pdf) {
    services_.prompter.Information(Msg::DownloadNotPdf, ToCp932(name) + "\n");
    emit loadingChanged(false);
    emit statusTextChanged(QStringLiteral("URL"));
    return;
  }
  QTimer::singleShot(0, this, [this, url, name] {
    navigated_ = true;
    OpenPdf(url.toString(), url, name);
  });
}

void CShelfView::CancelFetch() {
  if (QNetworkReply* reply = fetch_) {
    fetch_ = nullptr;
    reply->abort();
  }
}

// ---- browser events -----------------------------------------------------------------------

void CShelfView::BeforeNavigate() {
  documentLoaded_ = false;
  lastModified_.clear();
  emit loadingChanged(true);
  emit statusTextChanged(QStringLiteral("ダウンロード中 - ") + QString::fromStdString(GetLocationName()));
}

bool CShelfView::OnNavigationRequest(const QUrl& url, int type, bool isMainFrame) {
  if (!isMainFrame) return true;
  const auto kind = static_cast<QWebEnginePage::NavigationType>(type);
  // Our own load (OpenWeb) has already announced itself.
  if (kind == QWebEnginePage::NavigationTypeTyped) return true;
  // While the pane is shown, the hidden page may not move on by itself.
  if (shown_ == Shown::Pdf) return false;
  if (DetectPageType(ToCp932(url.toString())) == "PDF") {
    // A PDF goes to the pane, whatever asked for it (a link, a redirect, a script).
    QTimer::singleShot(0, this, [this, url] { NavigateAddress(url.toString()); });
    return false;
  }
  SwitchToWeb();
  return true;
}

void CShelfView::SwitchToWeb() {
  BeforeNavigate();  // the name is still that of the document being left
  if (shown_ == Shown::Pdf) {
    pane_->Clear();
    fetchFile_.reset();  // a fetched PDF lives only while it is shown
  }
  shownFileName_.clear();
  shown_ = Shown::Web;
  stack_->setCurrentWidget(web_);
  ++webGeneration_;
}

void CShelfView::OnNewWindowRequest() {
  if (!lastStatusText_.startsWith(QLatin1String("http"), Qt::CaseInsensitive)) return;
  const QString target = lastStatusText_;
  QTimer::singleShot(0, this, [this, target] { NavigateAddress(target); });
}

void CShelfView::OnWebLoadFinished(bool) {
  if (shown_ != Shown::Web) return;  // the hidden page, not the shown document
  const QString url = web_->url().toString();
  RefuseDrops();
  ApplyZoom();
  DocumentComplete(url, DetectPageType(ToCp932(url)));
  const int generation = webGeneration_;
  page_->runJavaScript(QStringLiteral("document.lastModified"), [this, generation](const QVariant& value) {
    if (generation == webGeneration_ && shown_ == Shown::Web) lastModified_ = ToCp932(value.toString());
  });
}

void CShelfView::DocumentComplete(const QString& url, const std::string& pageType) {
  documentLoaded_ = true;
  emit loadingChanged(false);
  // "ダウンロード中 - …" is over: pane 120 shows its own text again.
  emit statusTextChanged(QStringLiteral("URL"));
  bar_->SetAddress(url);
  pageType_ = pageType;
  emit pageTypeChanged(ToQString(pageType_));
  history_.Visit(url.toStdString());
}

// ---- bar commands -------------------------------------------------------------------------

void CShelfView::GoBack() {
  if (auto address = history_.Back()) NavigateAddress(QString::fromStdString(*address));
}

void CShelfView::GoForward() {
  if (auto address = history_.Forward()) NavigateAddress(QString::fromStdString(*address));
}

void CShelfView::Stop() {
  if (fetch_) {
    CancelFetch();
    fetchFile_.reset();
    pane_->ShowMessage(QStringLiteral("中止しました"));
    emit loadingChanged(false);
    return;
  }
  web_->stop();
}

void CShelfView::GoHome() {
  navigated_ = true;
  NavigateAddress(ToQString(services_.settings.GetText(setting::Home)));
}

void CShelfView::ChangeHome() {
  // A percent-encoded address is plain ASCII: the setting keeps it byte for byte.
  ChangeHomePage(Utf8ToCp932(GetLocationURL()), services_.settings, services_.prompter);
}

void CShelfView::ApplyZoom() {
  const double factor = TextZoomFactor(bar_->ZoomLevel());
  if (!qFuzzyCompare(web_->zoomFactor(), factor)) web_->setZoomFactor(factor);
  pane_->SetZoom(factor);
}

// ---- state --------------------------------------------------------------------------------

std::string CShelfView::GetLocationURL() const {
  switch (shown_) {
    case Shown::Pdf:
      return QUrl(pdfLocation_).toEncoded().toStdString();
    case Shown::Web:
      return web_->url().toEncoded().toStdString();
    case Shown::Nothing:
      break;
  }
  return {};
}

std::string CShelfView::GetLocationName() const {
  if (shown_ == Shown::Web) {
    const QString title = web_->title();
    if (!title.isEmpty()) return title.toStdString();
  }
  // No title: the address, in the readable form the bar shows.
  return QUrl::fromEncoded(QByteArray::fromStdString(GetLocationURL())).toString().toStdString();
}

std::string CShelfView::LastModified() const { return lastModified_; }
std::string CShelfView::ShownFileName() const {
  return shown_ == Shown::Pdf ? shownFileName_.toUtf8().toStdString() : std::string();
}
std::string CShelfView::PageType() const { return pageType_; }
bool CShelfView::DocumentLoaded() const { return documentLoaded_; }
void CShelfView::SetDocumentLoaded(bool loaded) { documentLoaded_ = loaded; }
int CShelfView::WaitTicks() const { return waitTicks_; }
void CShelfView::SetWaitTicks(int ticks) { waitTicks_ = ticks; }

}  // namespace folidex
