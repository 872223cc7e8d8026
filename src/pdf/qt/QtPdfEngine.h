#pragma once
// The PdfEngine port on QtPdf (QPdfDocument, which is PDFium). No widgets: the desktop program
// and folidex-cli both use it. One object holds one open document; it may be used from a worker
// thread while no other thread uses it (QtPdf serialises the engine's calls itself).

#include <memory>

#include "pdf/PdfEngine.h"

class QPdfDocument;

namespace folidex {

class QtPdfEngine : public PdfEngine {
 public:
  QtPdfEngine();
  ~QtPdfEngine() override;
  QtPdfEngine(const QtPdfEngine&) = delete;
  QtPdfEngine& operator=(const QtPdfEngine&) = delete;

  PdfOpenResult Open(const std::string& nativePath) override;
  void Close() override;
  int PageCount() override;
  std::u16string PageText(int page) override;
  PdfMetaData MetaData() override;
  bool RenderPage(int page, int dpi, PageImage& image) override;

 private:
  std::unique_ptr<QPdfDocument> document_;
};

}  // namespace folidex
