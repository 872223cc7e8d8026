#pragma once
// The PdfEngine port on poppler's C++ library. It gives the text of every page in the order the
// page draws it (lines joined with CR LF), the document's meta data and greyscale page images.
// The import, folidex-cli and the viewer pane's copy all take a document's text from here, so a
// document stores the same text whichever way it was added. No Qt: the core's tests and the
// command-line tool use it as they are. One object holds one open document and is used from one
// thread at a time.

#include <memory>
#include <string>

#include "pdf/PdfEngine.h"

namespace poppler {
class document;
}

namespace folidex {

class PopplerPdfEngine : public PdfEngine {
 public:
  PopplerPdfEngine();
  ~PopplerPdfEngine() override;
  PopplerPdfEngine(const PopplerPdfEngine&) = delete;
  PopplerPdfEngine& operator=(const PopplerPdfEngine&) = delete;

  PdfOpenResult Open(const std::string& nativePath) override;
  void Close() override;
  int PageCount() override;
  std::u16string PageText(int page) override;
  PdfMetaData MetaData() override;
  std::u16string PageHeading(int page) override;
  bool RenderPage(int page, int dpi, PageImage& image) override;
  bool RenderPageWithin(int page, int dpi, long long maxPixels, PageImage& image) override;

 private:
  // A file up to this size is read into memory once and parsed from there (the engine's own file
  // reader asks the system for a few hundred bytes at a time); a larger one is read from the file.
  static constexpr long long kReadWholeLimit = 256ll << 20;

  std::string bytes_;  // the document's bytes while it is open from memory
  std::unique_ptr<poppler::document> document_;
};

// A date of the document information ("D:YYYYMMDDHHmmSS" followed by an optional zone) as the
// document's own clock time; nothing when the year is missing or a part is out of range. Parts
// that are left out take their earliest value, as the PDF date form says.
std::optional<PdfDateTime> ParsePdfDate(std::u16string_view text);

// One page's text as the engine gives it, made the viewer's form: the page-final form feed goes,
// line feeds become CR LF, white space at the end of the page goes.
std::u16string PageTextWithCrLf(std::u16string_view engineText);

}  // namespace folidex
