#pragma once
// The HTML area's web page in silent mode: no JavaScript dialogs, no certificate prompts (a bad
// certificate is refused), no permission prompts (denied), and no new windows — a request for
// one goes to the view, which decides where the HTML area itself goes.

#include <QWebEnginePage>
#include <functional>

namespace folidex {

class SilentWebPage : public QWebEnginePage {
  Q_OBJECT

 public:
  using NavigationHandler = std::function<bool(const QUrl& url, NavigationType type, bool isMainFrame)>;
  using NewWindowHandler = std::function<void()>;

  SilentWebPage(QWebEngineProfile* profile, QObject* parent);

  void SetNavigationHandler(NavigationHandler handler) { onNavigation_ = std::move(handler); }
  void SetNewWindowHandler(NewWindowHandler handler) { onNewWindow_ = std::move(handler); }

 protected:
  bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
  QWebEnginePage* createWindow(WebWindowType type) override;
  void javaScriptAlert(const QUrl& securityOrigin, const QString& msg) override;
  bool javaScriptConfirm(const QUrl& securityOrigin, const QString& msg) override;
  bool javaScriptPrompt(const QUrl& securityOrigin, const QString& msg, const QString& defaultValue,
                        QString* result) override;
  void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int lineNumber,
                                const QString& sourceID) override;

 private:
  NavigationHandler onNavigation_;
  NewWindowHandler onNewWindow_;
};

}  // namespace folidex
