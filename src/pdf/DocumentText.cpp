#include "pdf/DocumentText.h"

#include <exception>
#include <mutex>
#include <thread>
#include <utility>

#include "common/Cp932.h"
#include "pdf/RecognizerPool.h"

namespace folidex {

Msg PdfOpenFailureMessage(PdfOpenResult result) {
  switch (result) {
    case PdfOpenResult::NotPdf:
      return Msg::PdfNotPdf;
    case PdfOpenResult::Damaged:
      return Msg::PdfDamaged;
    case PdfOpenResult::Encrypted:
      return Msg::PdfEncrypted;
    case PdfOpenResult::Opened:
    case PdfOpenResult::Unreadable:
      break;
  }
  return Msg::FileOpenFailed;
}

namespace {

bool IsSpace(char32_t c) { return c == U' ' || c == U'\t' || c == U'\r' || c == U'\n' || c == 0x3000 || c == 0xA0; }

// Characters of Japanese (and Chinese) writing, which is set without spaces between words:
// radicals, CJK symbols and punctuation, kana, enclosed and compatibility forms, the unified
// ideographs with extension A and the supplementary planes, compatibility ideographs, and the
// full-width and half-width forms.
bool IsWide(char32_t c) {
  return (c >= 0x2E80 && c <= 0x2FDF) || (c >= 0x3000 && c <= 0x30FF) || (c >= 0x31F0 && c <= 0x4DBF) ||
         (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
         (c >= 0xFF00 && c <= 0xFFEF) || (c >= 0x20000 && c <= 0x3FFFF);
}

std::u32string ToCodePoints(std::u16string_view text) {
  std::u32string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    out.push_back(c);
  }
  return out;
}

void AppendUtf16(std::u16string& out, char32_t c) {
  if (c >= 0x10000) {
    c -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
  } else {
    out.push_back(static_cast<char16_t>(c));
  }
}

// One line: runs of ASCII spaces next to a wide character removed, white space at the end cut.
std::u16string TidyLine(const std::u32string& line, bool spaced) {
  std::size_t end = line.size();
  while (end > 0 && IsSpace(line[end - 1])) --end;
  std::u16string out;
  out.reserve(end);
  std::size_t i = 0;
  while (i < end && line[i] == U' ') out.push_back(line[i++]);  // an indent stays
  while (i < end) {
    if (line[i] != U' ' || !spaced) {
      AppendUtf16(out, line[i++]);
      continue;
    }
    std::size_t next = i;
    while (next < end && line[next] == U' ') ++next;  // never reaches `end`: the line ends in non-space
    if (!IsWide(line[i - 1]) && !IsWide(line[next])) {
      for (; i < next; ++i) out.push_back(u' ');
    }
    i = next;
  }
  return out;
}

// Whether most adjacent pairs of Japanese characters of a line, two at least, stand one space
// apart.
bool LooksSpaced(const std::u32string& line) {
  int spaced = 0, tight = 0;
  for (std::size_t i = 0; i + 1 < line.size(); ++i) {
    if (!IsWide(line[i])) continue;
    if (IsWide(line[i + 1])) {
      ++tight;
    } else if (line[i + 1] == U' ' && i + 2 < line.size() && IsWide(line[i + 2])) {
      ++spaced;
    }
  }
  return spaced >= 2 && spaced > tight;
}

}  // namespace

bool PageHasText(std::u16string_view text) {
  for (char16_t c : text) {
    if (!IsSpace(c)) return true;
  }
  return false;
}

TextLayer FindTextLayer(PdfEngine& pdf) {
  const int pages = pdf.PageCount();
  int withText = 0;
  for (int page = 0; page < pages; ++page) withText += PageHasText(pdf.PageText(page)) ? 1 : 0;
  if (withText == 0) return TextLayer::Nowhere;
  return withText == pages ? TextLayer::Everywhere : TextLayer::Partly;
}

std::u16string TidySpacing(std::u16string_view text, Spacing spacing) {
  std::vector<std::u16string> lines;
  std::u16string_view rest = text;
  while (true) {
    std::size_t brk = rest.find_first_of(u"\r\n");
    const std::u32string line = ToCodePoints(rest.substr(0, brk));
    lines.push_back(TidyLine(line, spacing == Spacing::Recognised || LooksSpaced(line)));
    if (brk == std::u16string_view::npos) break;
    brk += (rest[brk] == u'\r' && brk + 1 < rest.size() && rest[brk + 1] == u'\n') ? 2 : 1;
    rest.remove_prefix(brk);
  }
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  std::u16string out;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) out += u"\r\n";
    out += lines[i];
  }
  return out;
}

std::u16string JoinBrokenLines(std::u16string_view text) {
  const std::u32string points = ToCodePoints(text);
  std::u16string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < points.size()) {
    if (!IsSpace(points[i])) {
      AppendUtf16(out, points[i++]);
      continue;
    }
    std::size_t end = i;
    bool lineBreak = false;
    for (; end < points.size() && IsSpace(points[end]); ++end)
      lineBreak = lineBreak || points[end] == U'\r' || points[end] == U'\n';
    if (!lineBreak) {
      for (; i < end; ++i) AppendUtf16(out, points[i]);
      continue;
    }
    // White space with a line break: nothing between two Japanese characters, one space
    // between others, nothing at the start or the end of the text.
    if (i > 0 && end < points.size() && !(IsWide(points[i - 1]) && IsWide(points[end]))) out.push_back(u' ');
    i = end;
  }
  return out;
}

std::string PrepareBodyText(std::u16string_view text) {
  return BodyTextToCp932(JoinBrokenLines(TidySpacing(ToNfc(text), Spacing::Detect)));
}

std::string RecognitionProgressText(int index, int count) {
  return Utf8ToCp932("文字認識中 ") + std::to_string(index) + "/" + std::to_string(count) + Utf8ToCp932(" ページ");
}

namespace {

// The pages' own texts; the pages without text are put into `withoutText`.
DocumentText OwnTexts(PdfEngine& pdf, std::vector<int>& withoutText) {
  DocumentText result;
  const int pageCount = pdf.PageCount();
  result.pages.reserve(pageCount > 0 ? static_cast<std::size_t>(pageCount) : 0);
  for (int page = 0; page < pageCount; ++page) {
    PageText own{PageSource::TextLayer, pdf.PageText(page)};
    if (!PageHasText(own.text)) {
      own.text.clear();
      withoutText.push_back(page);
    }
    result.pages.push_back(std::move(own));
  }
  return result;
}

// A page's result from what the recognizer answered; false when it was cancelled.
bool TakeRecognised(RecognitionStatus status, const std::u16string& text, PageText& done) {
  switch (status) {
    case RecognitionStatus::Cancelled:
      return false;
    case RecognitionStatus::Failed:
      done.source = PageSource::RecognitionFailed;
      break;
    case RecognitionStatus::Done:
      done.text = TidySpacing(text, Spacing::Recognised);
      done.source = PageHasText(done.text) ? PageSource::Recognised : PageSource::NothingRecognised;
      if (done.source == PageSource::NothingRecognised) done.text.clear();
      break;
  }
  return true;
}

// The pages joined in page order, and the outcome.
DocumentText Joined(DocumentText result) {
  bool any = false;
  for (std::size_t page = 0; page < result.pages.size(); ++page) {
    if (page > 0) result.text += u"\r\n";
    result.text += result.pages[page].text;
    any = any || PageHasText(result.pages[page].text);
  }
  if (!any) result.text.clear();
  result.outcome = any ? DocumentTextOutcome::Text : DocumentTextOutcome::NothingFound;
  return result;
}

// The document's monitor as the recognising threads see it: one call at a time.
class SharedMonitor : public RecognitionMonitor {
 public:
  SharedMonitor(DocumentTextMonitor& monitor, std::mutex& mutex) : monitor_(monitor), mutex_(mutex) {}
  bool Cancelled() override {
    std::lock_guard<std::mutex> lock(mutex_);
    return monitor_.Cancelled();
  }
  void PageProgress(int percent) override {
    std::lock_guard<std::mutex> lock(mutex_);
    monitor_.PageProgress(percent);
  }

 private:
  DocumentTextMonitor& monitor_;
  std::mutex& mutex_;
};

}  // namespace

DocumentText BuildDocumentText(PdfEngine& pdf, TextRecognizer& recognizer, DocumentTextMonitor& monitor) {
  std::vector<int> withoutText;
  DocumentText result = OwnTexts(pdf, withoutText);
  const int count = static_cast<int>(withoutText.size());
  for (int index = 0; index < count; ++index) {
    if (monitor.Cancelled()) return DocumentText{DocumentTextOutcome::Cancelled, {}, {}};
    const int page = withoutText[static_cast<std::size_t>(index)];
    monitor.RecognitionStarted(index + 1, count, page);
    PageText& done = result.pages[static_cast<std::size_t>(page)];
    {
      PageImage image;  // one page at a time: released before the next is rendered
      if (!pdf.RenderPageWithin(page, kRecognitionDpi, kRecognitionPixels, image) || image.Empty()) {
        done.source = PageSource::RenderFailed;
      } else {
        std::u16string text;
        if (!TakeRecognised(recognizer.RecognizeTaken(std::move(image), monitor, text), text, done))
          return DocumentText{DocumentTextOutcome::Cancelled, {}, {}};
      }
    }
    monitor.PageFinished(page, done);
  }
  return Joined(std::move(result));
}

DocumentText BuildDocumentText(PdfEngine& pdf, RecognizerPool& pool, DocumentTextMonitor& monitor) {
  std::vector<int> withoutText;
  DocumentText result = OwnTexts(pdf, withoutText);
  const int count = static_cast<int>(withoutText.size());
  std::mutex mutex;  // the monitor, the pages' results and the counts below
  SharedMonitor shared(monitor, mutex);
  int finished = 0;
  bool cancelled = false;
  std::vector<std::thread> reading;
  for (int index = 0; index < count; ++index) {
    const int page = withoutText[static_cast<std::size_t>(index)];
    TextRecognizer* recognizer = pool.Acquire([&shared] { return shared.Cancelled(); });
    bool stop = recognizer == nullptr;
    {
      std::lock_guard<std::mutex> lock(mutex);
      stop = stop || cancelled || monitor.Cancelled();
      cancelled = cancelled || stop;
      if (!stop) monitor.RecognitionStarted(finished + 1, count, page);
    }
    PageImage image;
    if (stop || !pdf.RenderPageWithin(page, kRecognitionDpi, kRecognitionPixels, image) || image.Empty()) {
      pool.Release(recognizer);
      if (stop) break;
      std::lock_guard<std::mutex> lock(mutex);
      PageText& done = result.pages[static_cast<std::size_t>(page)];
      done.source = PageSource::RenderFailed;
      ++finished;
      monitor.PageFinished(page, done);
      continue;
    }
    reading.emplace_back([&, recognizer, page, taken = std::move(image)]() mutable {
      PageImage image = std::move(taken);
      std::u16string text;
      RecognitionStatus status = RecognitionStatus::Failed;
      try {
        status = recognizer->RecognizeTaken(std::move(image), shared, text);
      } catch (const std::exception&) {  // out of memory in the engine: this page failed
        text.clear();
      }
      image = PageImage{};  // gone before the recognizer takes the next page
      pool.Release(recognizer);
      std::lock_guard<std::mutex> lock(mutex);
      PageText& done = result.pages[static_cast<std::size_t>(page)];
      if (!TakeRecognised(status, text, done)) {
        cancelled = true;
        return;
      }
      ++finished;
      if (!cancelled) monitor.PageFinished(page, done);
    });
  }
  for (std::thread& thread : reading) thread.join();
  if (cancelled) return DocumentText{DocumentTextOutcome::Cancelled, {}, {}};
  return Joined(std::move(result));
}

}  // namespace folidex
