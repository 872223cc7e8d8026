#include "pdf/qt/QtPdfEngine.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QFile>
#include <QImage>
#include <QPdfDocument>
#include <QPdfDocumentRenderOptions>
#include <QPdfSelection>
#include <algorithm>
#include <cmath>
#include <string_view>

namespace folidex {

namespace {

// QImage and PDFium both keep a side below 32768 pixels.
constexpr double kMaxRenderSide = 30000;

enum class FileKind { Unreadable, NotPdf, Pdf };

// Looks at the file before the engine does: only a regular file is read (opened without blocking,
// so a FIFO cannot hang the caller), and a PDF header must stand in its first kilobyte.
FileKind InspectFile(const std::string& nativePath) {
  const int fd = ::open(nativePath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return FileKind::Unreadable;
  struct stat st {};
  char head[1024];
  ssize_t n = -1;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) n = ::pread(fd, head, sizeof head, 0);
  ::close(fd);
  if (n < 0) return FileKind::Unreadable;
  return std::string_view(head, static_cast<std::size_t>(n)).find("%PDF-") == std::string_view::npos ? FileKind::NotPdf
                                                                                                     : FileKind::Pdf;
}

std::optional<PdfDateTime> DateOf(const QVariant& value) {
  const QDateTime when = value.toDateTime();
  if (!when.isValid()) return std::nullopt;
  // QtPdf gives the date in the zone the document names; its own clock time is what is kept.
  const QDate d = when.date();
  const QTime t = when.time();
  return PdfDateTime{d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second()};
}

}  // namespace

QtPdfEngine::QtPdfEngine() = default;
QtPdfEngine::~QtPdfEngine() = default;

PdfOpenResult QtPdfEngine::Open(const std::string& nativePath) {
  Close();
  switch (InspectFile(nativePath)) {
    case FileKind::Unreadable:
      return PdfOpenResult::Unreadable;
    case FileKind::NotPdf:
      return PdfOpenResult::NotPdf;
    case FileKind::Pdf:
      break;
  }
  auto document = std::make_unique<QPdfDocument>();
  switch (document->load(QFile::decodeName(QByteArray::fromStdString(nativePath)))) {
    case QPdfDocument::Error::None:
      break;
    case QPdfDocument::Error::FileNotFound:
      return PdfOpenResult::Unreadable;
    case QPdfDocument::Error::IncorrectPassword:
    case QPdfDocument::Error::UnsupportedSecurityScheme:
      return PdfOpenResult::Encrypted;
    default:
      return PdfOpenResult::Damaged;
  }
  if (document->status() != QPdfDocument::Status::Ready) return PdfOpenResult::Damaged;
  document_ = std::move(document);
  return PdfOpenResult::Opened;
}

void QtPdfEngine::Close() { document_.reset(); }

int QtPdfEngine::PageCount() { return document_ ? std::max(0, document_->pageCount()) : 0; }

std::u16string QtPdfEngine::PageText(int page) {
  if (page < 0 || page >= PageCount()) return {};
  return document_->getAllText(page).text().toStdU16String();
}

PdfMetaData QtPdfEngine::MetaData() {
  PdfMetaData meta;
  if (!document_) return meta;
  auto text = [this](QPdfDocument::MetaDataField field) {
    return document_->metaData(field).toString().toStdU16String();
  };
  meta.title = text(QPdfDocument::MetaDataField::Title);
  meta.author = text(QPdfDocument::MetaDataField::Author);
  meta.subject = text(QPdfDocument::MetaDataField::Subject);
  meta.keywords = text(QPdfDocument::MetaDataField::Keywords);
  meta.created = DateOf(document_->metaData(QPdfDocument::MetaDataField::CreationDate));
  meta.modified = DateOf(document_->metaData(QPdfDocument::MetaDataField::ModificationDate));
  return meta;
}

bool QtPdfEngine::RenderPage(int page, int dpi, PageImage& image) {
  image = PageImage{};
  if (page < 0 || page >= PageCount() || dpi <= 0) return false;
  const QSizeF points = document_->pagePointSize(page);
  if (!(points.width() > 0 && points.height() > 0)) return false;

  // Pixels per point; lowered for a page too large to render whole at this resolution.
  double scale = dpi / 72.0;
  const double pixels = points.width() * scale * points.height() * scale;
  if (pixels > static_cast<double>(kMaxRenderPixels))
    scale *= std::sqrt(static_cast<double>(kMaxRenderPixels) / pixels);
  scale = std::min({scale, kMaxRenderSide / points.width(), kMaxRenderSide / points.height()});
  const int width = std::max(1, static_cast<int>(std::floor(points.width() * scale)));
  const int height = std::max(1, static_cast<int>(std::floor(points.height() * scale)));

  QPdfDocumentRenderOptions options;
  options.setRenderFlags(QPdfDocumentRenderOptions::RenderFlag::Annotations);
  QImage rendered = document_->render(page, QSize(width, height), options);
  if (rendered.isNull()) return false;
  if (rendered.format() != QImage::Format_ARGB32) rendered.convertTo(QImage::Format_ARGB32);

  // The engine leaves transparent what the page does not paint: laid over white paper.
  image.width = rendered.width();
  image.height = rendered.height();
  image.bytesPerLine = image.width;
  image.dpi = static_cast<int>(std::lround(scale * 72.0));
  image.bytes.resize(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height));
  for (int y = 0; y < image.height; ++y) {
    const auto* source = reinterpret_cast<const QRgb*>(rendered.constScanLine(y));
    std::uint8_t* target = image.bytes.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width);
    for (int x = 0; x < image.width; ++x) {
      const int alpha = qAlpha(source[x]);
      target[x] = static_cast<std::uint8_t>((qGray(source[x]) * alpha + 255 * (255 - alpha) + 127) / 255);
    }
  }
  return true;
}

}  // namespace folidex
