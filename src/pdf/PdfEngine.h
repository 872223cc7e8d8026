#pragma once
// The PdfEngine port: what the core asks of a PDF engine — open a document, its page count, the
// text of one page, the document's meta data, and a page rendered to a greyscale image. The engine
// itself (poppler here: PopplerPdfEngine) stays behind this port.

#include <cmath>
#include <optional>
#include <string>

#include "common/Messages.h"
#include "pdf/PageImage.h"

namespace folidex {

enum class PdfOpenResult {
  Opened,
  Unreadable,  // missing, not a regular file (a folder, a FIFO), or not readable
  NotPdf,      // readable, but no PDF header in its first kilobyte
  Damaged,     // a PDF header, but the engine cannot make a document of it
  Encrypted,   // the document needs a password
};

// A date of the document information as written in the document: its own clock time, without
// the time zone it may name.
struct PdfDateTime {
  int year = 0;
  int month = 0;  // 1..12
  int day = 0;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
  friend bool operator==(const PdfDateTime&, const PdfDateTime&) = default;
};

struct PdfMetaData {
  std::u16string title;
  std::u16string author;
  std::u16string subject;
  std::u16string keywords;
  std::optional<PdfDateTime> created;
  std::optional<PdfDateTime> modified;
};

// A rendered page never gets more pixels than this; a larger page is rendered at a lower
// resolution than asked (PageImage::dpi tells which), so one page's memory stays bounded.
inline constexpr long long kMaxRenderPixels = 40'000'000;

class PdfEngine {
 public:
  virtual ~PdfEngine() = default;

  // Opens the file at `nativePath` (closing any document opened before). A file that is not a
  // regular file is Unreadable without being opened, so a FIFO never blocks.
  virtual PdfOpenResult Open(const std::string& nativePath) = 0;
  virtual void Close() = 0;

  // The open document's pages, 0 when none is open. Pages are numbered from 0.
  virtual int PageCount() = 0;

  // The text of one page as the engine extracts it (lines end with CR LF); empty for a page
  // without text and for a page number out of range.
  virtual std::u16string PageText(int page) = 0;

  virtual PdfMetaData MetaData() = 0;

  // The line of one page set in the largest type (HeadingLine of the page's text boxes); empty
  // for a page without text, a page number out of range, or an engine that cannot tell type sizes.
  virtual std::u16string PageHeading(int /*page*/) { return {}; }

  // Renders one page at `dpi` (white where the page draws nothing) into `image`. Returns false,
  // with `image` emptied, when the page cannot be rendered.
  virtual bool RenderPage(int page, int dpi, PageImage& image) = 0;

  // As RenderPage, at a lower resolution than `dpi` where the page would have more than
  // `maxPixels` pixels at it (PageImage::dpi tells which). An engine that cannot tell a page's
  // size first renders such a page twice, one image after the other.
  virtual bool RenderPageWithin(int page, int dpi, long long maxPixels, PageImage& image) {
    for (int attempt = 0; attempt < 3 && RenderPage(page, dpi, image); ++attempt) {
      const double pixels = static_cast<double>(image.width) * static_cast<double>(image.height);
      if (pixels <= static_cast<double>(maxPixels)) return true;
      dpi = static_cast<int>(image.dpi * std::sqrt(static_cast<double>(maxPixels) / pixels) * 0.99);
      image = PageImage{};
      if (dpi <= 0) break;
    }
    image = PageImage{};
    return false;
  }

  // Why the engine gave up on the document opened last (it ran too long, used too much memory
  // or crashed; every call since has answered empty), or nothing.
  virtual std::optional<Msg> Failure() const { return std::nullopt; }
};

// The message that reports a failed Open: 30026 for an unreadable file, otherwise the PDF's own.
Msg PdfOpenFailureMessage(PdfOpenResult result);

}  // namespace folidex
