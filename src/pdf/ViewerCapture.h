#pragma once
// Text capture through the PDF viewer: the viewer window is found by its window text, the
// clipboard is seeded with "TEXT", Ctrl+A and Ctrl+C are sent to the viewer, and the clipboard
// is polled until the viewer has copied the document's text; then the selection is undone.

#include <string>
#include <string_view>

#include "common/Prompter.h"
#include "pdf/ViewerBridge.h"

namespace folidex {

inline constexpr std::string_view kClipboardSentinel = "TEXT";
inline constexpr std::string_view kViewerMarker = "ADOBE";
// How long the capture waits for the viewer's copy: at most `polls` reads of the clipboard,
// `intervalMs` apart (about ten seconds).
struct CaptureTiming {
  int polls = 100;
  int intervalMs = 100;
};

// The viewer title key of a path or address: the part after the last backslash (or, without
// one, after the last slash), cut before its last full stop, upper-cased (single-byte letters
// only). Empty without a separator or without a full stop in that part.
std::string ViewerTitleKey(std::string_view pathOrUrl);

// Depth-first, pre-order over the descendants of `window`: the first whose upper-cased window
// text contains `key` or `marker`. An empty key matches the first child. nullptr: none.
ViewerWindow FindViewerWindow(ViewerBridge& bridge, ViewerWindow window, std::string_view key, std::string_view marker);

// What a capture came to.
enum class CaptureResult {
  Captured,   // `text` holds the document's text (and the work text file, when asked for)
  Failed,     // no viewer, no clipboard, an empty copy, or the work text file not written
  Cancelled,  // the viewer never copied (the sentinel stayed) and the user chose Cancel on 30009
};

// Captures the text of the document the viewer shows, as the user would with Ctrl+A, Ctrl+C.
// With `writeWorkText` the text is also written to `workTextPathNative` (raw bytes, no final
// zero). Message 30009 (Retry/Cancel) when the viewer never copied; Retry starts again from the
// search for the viewer window. With `askWhenNoCopy` false the capture asks nothing and reports
// Failed when the viewer never copied (the import then recognises the pages' text instead).
CaptureResult CaptureViewerText(ViewerBridge& bridge, Prompter& prompter, bool writeWorkText,
                                const std::string& workTextPathNative, std::string_view key, std::string& text,
                                CaptureTiming timing = {}, bool askWhenNoCopy = true);

}  // namespace folidex
