#include "pdf/poppler/PopplerPdfEngine.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <poppler-document.h>
#include <poppler-global.h>
#include <poppler-image.h>
#include <poppler-page-renderer.h>
#include <poppler-page.h>
#include <algorithm>
#include <cmath>
#include <mutex>
#include <string_view>

#include "common/FileSystem.h"
#include "pdf/DerivedTitle.h"

namespace folidex {

namespace {

// The renderer keeps a side of a page image below this many pixels.
constexpr double kMaxRenderSide = 30000;

enum class FileKind { Unreadable, NotPdf, Pdf };

// Looks at the file before the engine does: only a regular file is read (opened without blocking,
// so a FIFO cannot hang the caller), and a PDF header must stand in its first kilobyte. `size`
// gets the file's size.
FileKind InspectFile(const std::string& nativePath, long long& size) {
  const FileHandle file(::open(nativePath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (!file) return FileKind::Unreadable;
  struct stat st {};
  if (::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode)) return FileKind::Unreadable;
  size = st.st_size;
  char head[1024];
  const ssize_t n = ::pread(file.get(), head, sizeof head, 0);
  if (n < 0) return FileKind::Unreadable;
  return std::string_view(head, static_cast<std::size_t>(n)).find("%PDF-") == std::string_view::npos ? FileKind::NotPdf
                                                                                                     : FileKind::Pdf;
}

// The engine reports every syntax error of a damaged file on stderr; what matters reaches the
// caller as an open result or an empty page.
void SilenceEngineMessages() {
  static std::once_flag once;
  std::call_once(once, [] { poppler::set_debug_error_function([](const std::string&, void*) {}, nullptr); });
}

std::u16string ToUtf16(const poppler::ustring& text) { return std::u16string(text.begin(), text.end()); }

// Two digits of a date at `pos`, or -1.
int TwoDigits(std::u16string_view text, std::size_t pos) {
  if (pos + 2 > text.size()) return -1;
  const char16_t a = text[pos], b = text[pos + 1];
  if (a < u'0' || a > u'9' || b < u'0' || b > u'9') return -1;
  return (a - u'0') * 10 + (b - u'0');
}

}  // namespace

std::optional<PdfDateTime> ParsePdfDate(std::u16string_view text) {
  if (text.substr(0, 2) == u"D:") text.remove_prefix(2);
  const int century = TwoDigits(text, 0), years = TwoDigits(text, 2);
  if (century < 0 || years < 0) return std::nullopt;
  PdfDateTime when{century * 100 + years, 1, 1, 0, 0, 0};
  int* parts[] = {&when.month, &when.day, &when.hour, &when.minute, &when.second};
  std::size_t pos = 4;
  for (int* part : parts) {
    const int value = TwoDigits(text, pos);
    if (value < 0) break;  // the rest is left out (or a zone follows)
    *part = value;
    pos += 2;
  }
  if (when.month < 1 || when.month > 12 || when.day < 1 || when.day > 31 || when.hour > 23 || when.minute > 59 ||
      when.second > 60)
    return std::nullopt;
  return when;
}

std::u16string PageTextWithCrLf(std::u16string_view engineText) {
  std::u16string text;
  text.reserve(engineText.size() + engineText.size() / 16);
  for (std::size_t i = 0; i < engineText.size(); ++i) {
    const char16_t c = engineText[i];
    if (c == u'\f') continue;
    if (c == u'\r') {
      text += u"\r\n";
      if (i + 1 < engineText.size() && engineText[i + 1] == u'\n') ++i;
    } else if (c == u'\n') {
      text += u"\r\n";
    } else {
      text += c;
    }
  }
  while (!text.empty() && (text.back() == u'\r' || text.back() == u'\n' || text.back() == u' ')) text.pop_back();
  return text;
}

PopplerPdfEngine::PopplerPdfEngine() { SilenceEngineMessages(); }
PopplerPdfEngine::~PopplerPdfEngine() = default;

PdfOpenResult PopplerPdfEngine::Open(const std::string& nativePath) {
  Close();
  long long size = 0;
  switch (InspectFile(nativePath, size)) {
    case FileKind::Unreadable:
      return PdfOpenResult::Unreadable;
    case FileKind::NotPdf:
      return PdfOpenResult::NotPdf;
    case FileKind::Pdf:
      break;
  }
  std::unique_ptr<poppler::document> document;
  if (size <= kReadWholeLimit && size <= std::numeric_limits<int>::max()) {
    if (ReadRegularFile(nativePath, bytes_, static_cast<std::uint64_t>(kReadWholeLimit)) != FileRead::Ok) {
      Close();
      return PdfOpenResult::Unreadable;
    }
    document.reset(poppler::document::load_from_raw_data(bytes_.data(), static_cast<int>(bytes_.size())));
  } else {
    document.reset(poppler::document::load_from_file(nativePath));
  }
  if (!document) {
    Close();
    return PdfOpenResult::Damaged;
  }
  if (document->is_locked()) {
    Close();
    return PdfOpenResult::Encrypted;
  }
  document_ = std::move(document);
  return PdfOpenResult::Opened;
}

void PopplerPdfEngine::Close() {
  document_.reset();
  std::string().swap(bytes_);
}

int PopplerPdfEngine::PageCount() { return document_ ? std::max(0, document_->pages()) : 0; }

std::u16string PopplerPdfEngine::PageText(int page) {
  if (page < 0 || page >= PageCount()) return {};
  const std::unique_ptr<poppler::page> p(document_->create_page(page));
  if (!p) return {};
  return PageTextWithCrLf(ToUtf16(p->text(poppler::rectf(), poppler::page::non_raw_non_physical_layout)));
}

std::u16string PopplerPdfEngine::PageHeading(int page) {
  if (page < 0 || page >= PageCount()) return {};
  const std::unique_ptr<poppler::page> p(document_->create_page(page));
  if (!p) return {};
  std::vector<PdfTextBox> boxes;
  for (const poppler::text_box& box : p->text_list(poppler::page::text_list_include_font)) {
    const poppler::rectf r = box.bbox();
    boxes.push_back(
        {ToUtf16(box.text()), r.x(), r.y(), r.width(), r.height(), box.get_font_size(), box.has_space_after()});
  }
  return HeadingLine(std::move(boxes));
}

PdfMetaData PopplerPdfEngine::MetaData() {
  PdfMetaData meta;
  if (!document_) return meta;
  auto text = [this](const char* key) { return ToUtf16(document_->info_key(key)); };
  meta.title = text("Title");
  meta.author = text("Author");
  meta.subject = text("Subject");
  meta.keywords = text("Keywords");
  meta.created = ParsePdfDate(text("CreationDate"));
  meta.modified = ParsePdfDate(text("ModDate"));
  return meta;
}

bool PopplerPdfEngine::RenderPage(int page, int dpi, PageImage& image) {
  return RenderPageWithin(page, dpi, kMaxRenderPixels, image);
}

bool PopplerPdfEngine::RenderPageWithin(int page, int dpi, long long maxPixels, PageImage& image) {
  image = PageImage{};
  maxPixels = std::min(maxPixels, kMaxRenderPixels);
  if (maxPixels <= 0) return false;
  if (page < 0 || page >= PageCount() || dpi <= 0) return false;
  const std::unique_ptr<poppler::page> p(document_->create_page(page));
  if (!p) return false;
  // The page as it is shown: its crop box, turned by its own rotation.
  poppler::rectf box = p->page_rect(poppler::crop_box);
  double widthPt = box.width(), heightPt = box.height();
  const poppler::page::orientation_enum orientation = p->orientation();
  if (orientation == poppler::page::landscape || orientation == poppler::page::seascape) std::swap(widthPt, heightPt);
  if (!(widthPt > 0 && heightPt > 0)) return false;

  // Pixels per point; lowered for a page too large to render whole at this resolution.
  double scale = dpi / 72.0;
  const double pixels = widthPt * scale * heightPt * scale;
  // (The renderer rounds the sides up: a little margin keeps the capped image under the bound.)
  if (pixels > static_cast<double>(maxPixels)) scale *= std::sqrt(static_cast<double>(maxPixels) / pixels) * 0.999;
  scale = std::min({scale, kMaxRenderSide / widthPt, kMaxRenderSide / heightPt});
  const double resolution = scale * 72.0;

  poppler::page_renderer renderer;
  renderer.set_render_hint(poppler::page_renderer::antialiasing, true);
  renderer.set_render_hint(poppler::page_renderer::text_antialiasing, true);
  renderer.set_image_format(poppler::image::format_gray8);
  renderer.set_paper_color(0xffffffff);
  const poppler::image rendered = renderer.render_page(p.get(), resolution, resolution);
  if (!rendered.is_valid() || rendered.width() <= 0 || rendered.height() <= 0) return false;

  image.width = rendered.width();
  image.height = rendered.height();
  image.bytesPerLine = image.width;
  image.dpi = static_cast<int>(std::lround(resolution));
  image.bytes.resize(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height));
  const char* source = rendered.const_data();
  for (int y = 0; y < image.height; ++y)
    std::copy_n(reinterpret_cast<const std::uint8_t*>(source) + static_cast<std::size_t>(y) * rendered.bytes_per_row(),
                image.width, image.bytes.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width));
  return true;
}

}  // namespace folidex
