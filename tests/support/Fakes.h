#pragma once
// Fakes of the ports that reach outside the core: the PDF viewer with its clipboard and keys,
// the HTML area, the downloader.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/FileSystem.h"
#include "common/HtmlArea.h"
#include "import/Downloader.h"
#include "pdf/ViewerBridge.h"

namespace folidex::test {

// A window tree with a clipboard. The viewer copies `documentText` when Ctrl+C arrives after
// Ctrl+A, `copyDelay` polls later; everything the capture does is recorded in `events`.
class FakeViewer : public ViewerBridge {
 public:
  struct Window {
    std::string text;
    std::vector<std::unique_ptr<Window>> children;
    Window* Add(const std::string& childText) {
      children.push_back(std::make_unique<Window>());
      children.back()->text = childText;
      return children.back().get();
    }
  };
  Window root;
  std::string clipboard;
  bool clipboardOpens = true;
  std::string documentText;
  int copyDelay = 2;
  std::vector<std::string> events;
  int sleeps = 0;
  int lastSleepMs = 0;
  Window* copyingWindow = nullptr;  // the window that answers Ctrl+C (nullptr: none does)

  ViewerWindow ViewWindow() override { return &root; }
  std::vector<ViewerWindow> ChildWindows(ViewerWindow window) override {
    std::vector<ViewerWindow> result;
    for (auto& child : static_cast<const Window*>(window)->children) result.push_back(child.get());
    return result;
  }
  std::string WindowText(ViewerWindow window) override { return static_cast<const Window*>(window)->text; }
  bool SeedClipboard(ViewerWindow, const std::string& text) override {
    if (!clipboardOpens) return false;
    clipboard = text;
    events.push_back("seed " + text);
    return true;
  }
  std::string ReadClipboardText(ViewerWindow) override {
    if (pendingCopy_ >= 0 && pendingCopy_-- == 0) clipboard = documentText;
    return clipboardOpens ? clipboard : "TEXT";
  }
  void SetFocus(ViewerWindow window) override { events.push_back(Name("focus", window)); }
  void SetKeyDown(ViewerKey modifier, bool down) override {
    (modifier == ViewerKey::Control ? control_ : shift_) = down;
    events.push_back(std::string(modifier == ViewerKey::Control ? "ctrl" : "shift") + (down ? " down" : " up"));
  }
  void PostKey(ViewerWindow window, ViewerKey key) override {
    const char* name = key == ViewerKey::A ? "A" : key == ViewerKey::C ? "C" : "Home";
    std::string chord = std::string(control_ ? "Ctrl+" : "") + (shift_ ? "Shift+" : "") + name;
    events.push_back(Name("key " + chord, window));
    if (chord == "Ctrl+C" && window == copyingWindow) pendingCopy_ = copyDelay;
  }
  void Repaint(ViewerWindow window, bool invalidate) override {
    events.push_back(Name(invalidate ? "redraw" : "repaint", window));
  }
  void Sleep(int ms) override {
    lastSleepMs = ms;
    ++sleeps;
  }
  bool ControlDown() const { return control_; }
  bool ShiftDown() const { return shift_; }

 private:
  std::string Name(const std::string& what, ViewerWindow window) {
    return what + " " + static_cast<const Window*>(window)->text;
  }
  bool control_ = false;
  bool shift_ = false;
  int pendingCopy_ = -1;
};

// An HTML area that records where it was sent; the test sets what it shows.
class FakeHtmlArea : public HtmlArea {
 public:
  std::vector<std::string> navigated;
  std::string lastModified;
  std::string pageType;
  std::string title;
  int goneBack = 0;
  bool loadsAtOnce = true;  // a navigation completes the document at once

  void Navigate2(const std::string& address) override {
    navigated.push_back(address);
    if (loadsAtOnce) loaded_ = true;
  }
  std::string GetLocationURL() const override { return navigated.empty() ? std::string() : navigated.back(); }
  std::string GetLocationName() const override { return title.empty() ? GetLocationURL() : title; }
  std::string LastModified() const override { return lastModified; }
  std::string PageType() const override { return pageType; }
  bool DocumentLoaded() const override { return loaded_; }
  void SetDocumentLoaded(bool loaded) override { loaded_ = loaded; }
  int WaitTicks() const override { return ticks_; }
  void SetWaitTicks(int ticks) override { ticks_ = ticks; }
  void GoBack() override { ++goneBack; }
  std::string shownFileName;
  std::string ShownFileName() const override { return shownFileName; }

 private:
  bool loaded_ = false;
  int ticks_ = 0;
};

// A downloader that answers from a table of addresses; unknown addresses fail.
class FakeDownloader : public Downloader {
 public:
  std::map<std::string, std::string> answers;
  std::vector<std::string> fetched;
  bool Download(const std::string& address, const std::string& target) override {
    fetched.push_back(address);
    auto it = answers.find(address);
    return it != answers.end() && WriteFileAtomic(target, it->second);
  }
};

}  // namespace folidex::test
