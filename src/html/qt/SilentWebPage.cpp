#include "html/qt/SilentWebPage.h"

#include <QCoreApplication>
#include <QWebEngineCertificateError>

namespace folidex {

SilentWebPage::SilentWebPage(QWebEngineProfile* profile, QObject* parent) : QWebEnginePage(profile, parent) {
  connect(this, &QWebEnginePage::certificateError, this,
          [](QWebEngineCertificateError error) { error.rejectCertificate(); });
  connect(this, &QWebEnginePage::featurePermissionRequested, this, [this](const QUrl& origin, Feature feature) {
    setFeaturePermission(origin, feature, PermissionDeniedByUser);
  });
}

bool SilentWebPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) {
  return onNavigation_ ? onNavigation_(url, type, isMainFrame) : true;
}

QWebEnginePage* SilentWebPage::createWindow(WebWindowType) {
  if (onNewWindow_) onNewWindow_();
  return nullptr;  // never a new window
}

void SilentWebPage::javaScriptAlert(const QUrl&, const QString&) {}
bool SilentWebPage::javaScriptConfirm(const QUrl&, const QString& msg) {
  // The engine asks "leave this page?" through this box; a navigation is never held up by a
  // page. Every other confirm() is answered as if the user had declined.
  static const QString kLeavePage = QCoreApplication::translate(
      "QWebEnginePage", "Are you sure you want to leave this page? Changes that you made may not be saved.");
  return msg == kLeavePage;
}
bool SilentWebPage::javaScriptPrompt(const QUrl&, const QString&, const QString&, QString*) { return false; }
void SilentWebPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int, const QString&) {}

}  // namespace folidex
