#pragma once
// The ViewerBridge port: what the text capture needs of the HTML area's PDF viewer — its windows
// and their texts, the clipboard, the keyboard, repaints and waits. The Qt side talks to the
// viewer pane and the system clipboard; tests fake it.

#include <string>
#include <vector>

namespace folidex {

// A window of the HTML area's view, opaque to the core; nullptr is no window.
using ViewerWindow = const void*;

enum class ViewerKey { A, C, Home, Control, Shift };

class ViewerBridge {
 public:
  virtual ~ViewerBridge() = default;

  // The HTML area's view window, and the child windows of a window in their z-order.
  virtual ViewerWindow ViewWindow() = 0;
  virtual std::vector<ViewerWindow> ChildWindows(ViewerWindow window) = 0;
  // A window's text (CP932).
  virtual std::string WindowText(ViewerWindow window) = 0;

  // Puts a plain text (CP932) on the clipboard on behalf of `owner`; false when the clipboard
  // cannot be opened.
  virtual bool SeedClipboard(ViewerWindow owner, const std::string& cp932) = 0;
  // The clipboard's plain text (CP932; characters of the viewer's text without a CP932 form
  // become spaces, radicals are folded to their ideographs); empty when it holds no plain text,
  // "TEXT" when it cannot be opened.
  virtual std::string ReadClipboardText(ViewerWindow owner) = 0;

  // Gives `window` the keyboard focus.
  virtual void SetFocus(ViewerWindow window) = 0;
  // Control or Shift down or up in the thread's key state; posted keys carry it.
  virtual void SetKeyDown(ViewerKey modifier, bool down) = 0;
  // Posts key-down and key-up of a key to `window`; it handles them when events are processed.
  virtual void PostKey(ViewerWindow window, ViewerKey key) = 0;
  // Lets `window` repaint now; `invalidate` erases and redraws it whole first.
  virtual void Repaint(ViewerWindow window, bool invalidate) = 0;
  // Waits `ms` milliseconds while the program's windows go on processing their events (but not
  // the user's input).
  virtual void Sleep(int ms) = 0;
};

}  // namespace folidex
