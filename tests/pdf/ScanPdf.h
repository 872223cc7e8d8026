#pragma once
// PDFs for the recognition tests and the benchmark, drawn with Qt (a QGuiApplication must exist):
// text pages drawn as text (the viewer can copy them) and picture pages, the text drawn large
// into a greyscale image that becomes the page, as a scanner makes them.

#include <QImage>
#include <QString>
#include <vector>

namespace folidex::test {

struct ScanPage {
  QString text;
  bool picture = true;    // false: drawn as text
  bool vertical = false;  // columns from the right, top to bottom (picture pages only)
  int pixelSize = 64;     // character size on a picture page, in pixels at 300 dpi
};

// An A4 page image at 300 dpi (2480 x 3508 greyscale) with `page.text` drawn in black.
QImage DrawPageImage(const ScanPage& page);

// Writes an A4 PDF with one page per entry; returns false when the file cannot be written.
bool WriteScanPdf(const QString& path, const std::vector<ScanPage>& pages);

// Writes an A4 PDF whose pages are the given images, each filling its page.
bool WriteImagePdf(const QString& path, const std::vector<QImage>& images);

}  // namespace folidex::test
