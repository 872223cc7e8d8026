#include <iostream>
#include <map>
#include <optional>

#include "cli/Cli.h"
#include "common/ByteText.h"
#include "common/Cp932.h"
#include "pdf/DocumentText.h"
#include "pdf/RecognitionWorker.h"
#include "pdf/RecognizerPool.h"
#include "pdf/poppler/PopplerPdfEngine.h"

namespace folidex::cli {

namespace {

std::size_t Characters(std::u16string_view text) {
  std::size_t n = 0;
  for (char16_t c : text) n += (c < 0xDC00 || c > 0xDFFF) ? 1 : 0;
  return n;
}

// Progress on stderr; each recognised page's text on stdout as soon as it and the pages before
// it are read (pages are read at once, and finish in any order).
class CliMonitor : public DocumentTextMonitor {
 public:
  explicit CliMonitor(int pages) : pages_(pages) {}
  bool Cancelled() override { return false; }
  void RecognitionStarted(int index, int count, int page) override {
    std::cerr << "page " << page + 1 << '/' << pages_ << ": recognising (" << index << " of " << count << ")\n";
    reading_[page];
  }
  void PageFinished(int page, const PageText& result) override {
    reading_[page] = result.source == PageSource::Recognised ? std::optional<std::u16string>(result.text)
                                                             : std::optional<std::u16string>(std::u16string());
    while (!reading_.empty() && reading_.begin()->second) {
      const std::u16string& text = *reading_.begin()->second;
      if (!text.empty()) std::cout << Out(ReplaceAllCp932(Utf16ToCp932(text), "\r\n", "\n")) << '\n';
      reading_.erase(reading_.begin());
    }
    std::cout.flush();
  }

 private:
  int pages_;
  std::map<int, std::optional<std::u16string>> reading_;  // started pages, with their text once read
};

}  // namespace

// ocr FILE.pdf: the text recognised on every page that has no text of its own (UTF-8, what the
// import would store before normalising), and on stderr what happened to each page.
int CommandOcr(Context& context) {
  if (context.args.size() != 1) return Fail("usage: folidex-cli ocr FILE.pdf", 2);
  const std::string& path = context.args[0];
  PopplerPdfEngine pdf;
  const PdfOpenResult opened = pdf.Open(path);
  if (opened != PdfOpenResult::Opened) {
    context.prompter.Error(PdfOpenFailureMessage(opened), FromNativePath(path) + "\n");
    return 1;
  }
  // The pages are read at once, one recognizer per core (at most four), each in a worker process.
  RecognizerPool recognizers(WorkerRecognizers(RecognitionWorkerCommand(), ReadWorkerLimits(context.settings)),
                             RecognizerCount());
  const RecognizerCheck check = recognizers.Check();
  if (!check.Ready()) {
    context.prompter.Error(Msg::RecognizerUnavailable, Utf8ToCp932(check.detail) + "\n");
    return 1;
  }
  const int pages = pdf.PageCount();
  CliMonitor monitor(pages);
  const DocumentText document = BuildDocumentText(pdf, recognizers, monitor);
  for (std::size_t page = 0; page < document.pages.size(); ++page) {
    const PageText& result = document.pages[page];
    std::cerr << "page " << page + 1 << '/' << pages << ": ";
    switch (result.source) {
      case PageSource::TextLayer:
        std::cerr << "text layer, " << Characters(result.text) << " characters, not recognised\n";
        break;
      case PageSource::Recognised:
        std::cerr << "recognised, " << Characters(result.text) << " characters\n";
        break;
      case PageSource::NothingRecognised:
        std::cerr << "recognised, no text found\n";
        break;
      case PageSource::RenderFailed:
        std::cerr << "could not be rendered\n";
        break;
      case PageSource::RecognitionFailed:
        std::cerr << "recognition failed\n";
        break;
    }
  }
  if (pages == 0) std::cerr << "no pages\n";
  return 0;
}

}  // namespace folidex::cli
