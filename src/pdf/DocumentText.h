#pragma once
// A document's text page by page through the two ports: a page with its own text keeps it; a page
// whose text layer is empty is rendered in greyscale (one page at a time, so memory is bounded by
// one page) and read by the text recognizer. The pages are joined with CR LF in page order, as
// the viewer's copy joins them, so a document stores the same text whichever way it was taken.
// The result is UTF-16; the caller converts it (Utf16ToCp932, NormalizeBodyText).

#include <string>
#include <string_view>
#include <vector>

#include "pdf/PdfEngine.h"
#include "pdf/TextRecognizer.h"

namespace folidex {

inline constexpr int kRecognitionDpi = 300;
// The most pixels a page is rendered with for the recognizer (an A3 page at 300 dpi); a larger
// page gets fewer dots per inch. What the engine holds while it reads a page grows with its
// pixels: this keeps a recognition worker, its models included, within 300 MB.
inline constexpr long long kRecognitionPixels = 17'500'000;

enum class PageSource {
  TextLayer,          // the page's own text
  Recognised,         // read by the recognizer
  NothingRecognised,  // recognised, but no text found
  RenderFailed,       // the engine could not render the page
  RecognitionFailed,  // the recognizer failed on the page
};

struct PageText {
  PageSource source = PageSource::TextLayer;
  std::u16string text;
};

enum class DocumentTextOutcome {
  Text,          // `text` holds the document's text
  NothingFound,  // neither the pages nor the recognition gave any text
  Cancelled,     // the monitor asked to stop; `text` is empty
};

struct DocumentText {
  DocumentTextOutcome outcome = DocumentTextOutcome::NothingFound;
  std::u16string text;          // the pages joined with CR LF (empty unless the outcome is Text)
  std::vector<PageText> pages;  // one per page, in page order (none after a cancel)
};

// What BuildDocumentText reports while it runs, on its own thread; Cancelled() is asked before
// each page and by the recognizer while it reads one.
class DocumentTextMonitor : public RecognitionMonitor {
 public:
  // Before a page without text is recognised: the `index`-th (from 1) of `count` such pages;
  // `page` is its number in the document (from 0).
  virtual void RecognitionStarted(int index, int count, int page) { (void)index, (void)count, (void)page; }
  // After each recognised page.
  virtual void PageFinished(int page, const PageText& result) { (void)page, (void)result; }
};

// Builds the text of the document open in `pdf`. The recognizer is asked only for pages whose own
// text is empty or white space; a page that cannot be rendered or recognised counts as empty and
// the others go on.
DocumentText BuildDocumentText(PdfEngine& pdf, TextRecognizer& recognizer, DocumentTextMonitor& monitor);

class RecognizerPool;

// The same text as above, the pages without text recognised at once on the pool's recognizers
// (shared with other documents): each page is rendered by `pdf`, one after the other, when a
// recognizer is free for it, so no more page images exist than the pool has recognizers. The
// monitor is called from the recognising threads, one call at a time; RecognitionStarted counts
// the pages finished (its `index` is one more than those), PageFinished comes as each finishes,
// in any order. A cancel stops every page being read.
DocumentText BuildDocumentText(PdfEngine& pdf, RecognizerPool& pool, DocumentTextMonitor& monitor);

// Whether a page's own text holds anything but white space.
bool PageHasText(std::u16string_view text);

// How much of the open document has a text layer: an import captures the text of a document with
// text on every page as before, and builds it with BuildDocumentText otherwise (a picture-only
// document needs no capture at all). A document without pages counts as Nowhere.
enum class TextLayer { Everywhere, Partly, Nowhere };
TextLayer FindTextLayer(PdfEngine& pdf);

// Whether the lines of a text are known to be spaced (an OCR engine's output) or are looked at
// one by one.
enum class Spacing { Recognised, Detect };

// A text's spacing tidied: on a spaced line the spaces between Japanese characters are removed
// (they are not in the printed text, and they would split the words a body search looks for),
// spaces between Latin words stay. A recognised text is spaced throughout; otherwise a line
// counts as spaced when most of its adjacent Japanese pairs, two at least, stand one space apart
// (a text layer of that kind: "美 学 や 社 会 学"), and ordinary spacing ("山田 太郎", a space after
// a full stop) is kept. Lines end with CR LF; white space at the end of lines and blank lines at
// the end go.
std::u16string TidySpacing(std::u16string_view text, Spacing spacing);

// Line breaks as the stored text takes them: a line break with the white space around it
// between two Japanese characters (kana, kanji, full-width forms, Japanese punctuation) is
// removed, since Japanese wraps at any character; between other characters it is one space (a
// hyphen at a line end stays as it is). The result has no line break.
std::u16string JoinBrokenLines(std::u16string_view text);

// A document's text (engine, recognizer or clipboard) in the CP932 form NormalizeBodyText is
// given: NFC, spacing tidied, line breaks joined, the characters without a CP932 form replaced
// (BodyTextToCp932). Every way a document's text is taken ends here.
std::string PrepareBodyText(std::u16string_view text);

// "文字認識中 3/12 ページ" (CP932): the step shown while the `index`-th of `count` pages is read.
std::string RecognitionProgressText(int index, int count);

}  // namespace folidex
