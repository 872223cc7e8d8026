#pragma once
// PDFs for the recognition tests and the benchmark, drawn with Qt (a QGuiApplication must exist):
// text pages drawn as text (the viewer can copy them) and picture pages, the text drawn into a
// greyscale image that becomes the page, as a scanner makes them.

#include <QImage>
#include <QString>
#include <vector>

namespace folidex::test {

struct ScanPage {
  QString text;
  bool picture = true;    // false: drawn as text
  bool vertical = false;  // columns from the right, top to bottom; "\n" starts a column
  int pixelSize = 64;     // character size in pixels at 300 dpi (44 is 10.5 points)
  QString heading{};      // drawn above the text, bold, at 2.5 times the size
  int columns = 1;        // 2: "\f" in `text` starts the right-hand column
  bool table = false;     // "\n" starts a row, "\t" a cell; drawn in a ruled grid
};

// An A4 page image at 300 dpi (2480 x 3508 greyscale) with `page.text` drawn in black.
QImage DrawPageImage(const ScanPage& page);

// Writes an A4 PDF with one page per entry; returns false when the file cannot be written.
bool WriteScanPdf(const QString& path, const std::vector<ScanPage>& pages);

// Writes a PDF whose pages are the given 300-dpi images, each page the size of its image.
bool WriteImagePdf(const QString& path, const std::vector<QImage>& images);

}  // namespace folidex::test
