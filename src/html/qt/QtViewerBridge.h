#pragma once
// The ViewerBridge port on the HTML area: its windows are the view's child widgets (the PDF
// viewer pane's window text carries the document's name and the marker "ADOBE"), the clipboard
// is the system's, keys are posted key events that carry the Control and Shift state the
// capture holds, and a wait processes every event but the user's input.

#include <QPointer>
#include <QWidget>

#include "pdf/ViewerBridge.h"

namespace folidex {

class QtViewerBridge : public ViewerBridge {
 public:
  explicit QtViewerBridge(QWidget* view) : view_(view) {}

  ViewerWindow ViewWindow() override;
  std::vector<ViewerWindow> ChildWindows(ViewerWindow window) override;
  std::string WindowText(ViewerWindow window) override;
  bool SeedClipboard(ViewerWindow owner, const std::string& cp932) override;
  std::string ReadClipboardText(ViewerWindow owner) override;
  void SetFocus(ViewerWindow window) override;
  void SetKeyDown(ViewerKey modifier, bool down) override;
  void PostKey(ViewerWindow window, ViewerKey key) override;
  void Repaint(ViewerWindow window, bool invalidate) override;
  void Sleep(int ms) override;

 private:
  QPointer<QWidget> view_;
  Qt::KeyboardModifiers modifiers_;
};

}  // namespace folidex
