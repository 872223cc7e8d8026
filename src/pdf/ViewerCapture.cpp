#include "pdf/ViewerCapture.h"

#include "common/ByteText.h"
#include "common/FileSystem.h"

namespace folidex {

std::string ViewerTitleKey(std::string_view pathOrUrl) {
  std::size_t separator = pathOrUrl.rfind('\\');
  if (separator == std::string_view::npos) separator = pathOrUrl.rfind('/');
  if (separator == std::string_view::npos) return {};
  std::string_view name = pathOrUrl.substr(separator + 1);
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return {};
  return UpperCaseAsciiCp932(name.substr(0, dot));
}

ViewerWindow FindViewerWindow(ViewerBridge& bridge, ViewerWindow window, std::string_view key,
                              std::string_view marker) {
  for (ViewerWindow child : bridge.ChildWindows(window)) {
    const std::string text = UpperCaseAsciiCp932(bridge.WindowText(child));
    if (ContainsCp932(text, key) || ContainsCp932(text, marker)) return child;
    if (ViewerWindow found = FindViewerWindow(bridge, child, key, marker)) return found;
  }
  return nullptr;
}

namespace {

// Back to the top of the document and nothing selected, as the user left it.
void RestoreViewer(ViewerBridge& bridge, ViewerWindow viewer) {
  bridge.Repaint(viewer, false);
  bridge.PostKey(viewer, ViewerKey::Home);  // Control is still down
  bridge.SetKeyDown(ViewerKey::Shift, true);
  bridge.Repaint(viewer, false);
  bridge.PostKey(viewer, ViewerKey::A);  // Ctrl+Shift+A: deselect all
  bridge.Repaint(viewer, true);
  bridge.Repaint(viewer, false);
  bridge.SetKeyDown(ViewerKey::Shift, false);
  bridge.SetKeyDown(ViewerKey::Control, false);
}

}  // namespace

CaptureResult CaptureViewerText(ViewerBridge& bridge, Prompter& prompter, bool writeWorkText,
                                const std::string& workTextPathNative, std::string_view key, std::string& text,
                                CaptureTiming timing, bool askWhenNoCopy) {
  for (;;) {
    ViewerWindow viewer = FindViewerWindow(bridge, bridge.ViewWindow(), key, kViewerMarker);
    if (!viewer) return CaptureResult::Failed;
    if (!bridge.SeedClipboard(viewer, std::string(kClipboardSentinel))) return CaptureResult::Failed;
    bridge.SetFocus(viewer);
    bridge.SetKeyDown(ViewerKey::Control, true);
    bridge.PostKey(viewer, ViewerKey::A);
    bridge.PostKey(viewer, ViewerKey::C);

    for (int poll = 0; poll < timing.polls; ++poll) {
      text = bridge.ReadClipboardText(viewer);
      if (!text.empty() && text != kClipboardSentinel) break;
      if (poll + 1 < timing.polls) bridge.Sleep(timing.intervalMs);
    }

    CaptureResult result = CaptureResult::Captured;
    if (text == kClipboardSentinel && !askWhenNoCopy) {
      result = CaptureResult::Failed;
    } else if (text == kClipboardSentinel) {
      if (prompter.Message(MessageKind::RetryCancel, Msg::ViewerTextUnavailable) == Answer::Retry) {
        // The next round presses Control again; released meanwhile, it cannot stay stuck when
        // that round finds no viewer any more.
        bridge.SetKeyDown(ViewerKey::Control, false);
        continue;
      }
      result = CaptureResult::Cancelled;
    } else if (text.empty()) {
      result = CaptureResult::Failed;
    }
    RestoreViewer(bridge, viewer);
    if (result != CaptureResult::Captured) return result;
    if (!writeWorkText) return result;
    if (!WriteFileAtomic(workTextPathNative, text)) {
      prompter.Error(Msg::FileOpenFailed);
      return CaptureResult::Failed;
    }
    return CaptureResult::Captured;
  }
}

}  // namespace folidex
