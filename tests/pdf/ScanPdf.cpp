#include "ScanPdf.h"

#include <QFont>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextOption>

namespace folidex::test {

namespace {

constexpr int kWidth = 2480;  // A4 at 300 dpi
constexpr int kHeight = 3508;
constexpr int kMargin = 240;

QFont PageFont(int pixelSize) {
  QFont font(QStringLiteral("Noto Sans CJK JP"));
  font.setPixelSize(pixelSize);
  return font;
}

void DrawVertical(QPainter& painter, const QString& text, int pixelSize) {
  const int step = pixelSize * 6 / 5;
  const int perColumn = (kHeight - 2 * kMargin) / step;
  int x = kWidth - kMargin - pixelSize;
  int n = 0;
  for (const QChar c : text) {
    if (c == QLatin1Char('\n')) {
      n = (n / perColumn + 1) * perColumn;
      continue;
    }
    if (n > 0 && n % perColumn == 0) x -= pixelSize * 8 / 5;
    const int y = kMargin + (n % perColumn) * step;
    painter.drawText(QRect(x, y, pixelSize, step), Qt::AlignCenter, QString(c));
    ++n;
    if (n % perColumn == 0 && x < kMargin) break;
  }
}

}  // namespace

QImage DrawPageImage(const ScanPage& page) {
  QImage image(kWidth, kHeight, QImage::Format_Grayscale8);
  image.fill(255);
  image.setDotsPerMeterX(11811);  // 300 dpi
  image.setDotsPerMeterY(11811);
  QPainter painter(&image);
  painter.setPen(Qt::black);
  painter.setFont(PageFont(page.pixelSize));
  if (page.vertical) {
    DrawVertical(painter, page.text, page.pixelSize);
  } else {
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    painter.drawText(QRectF(kMargin, kMargin, kWidth - 2 * kMargin, kHeight - 2 * kMargin), page.text, option);
  }
  return image;
}

bool WriteScanPdf(const QString& path, const std::vector<ScanPage>& pages) {
  QPdfWriter writer(path);
  writer.setPageSize(QPageSize(QPageSize::A4));
  writer.setPageMargins(QMarginsF(0, 0, 0, 0));
  writer.setResolution(300);
  QPainter painter;
  if (!painter.begin(&writer)) return false;
  for (std::size_t i = 0; i < pages.size(); ++i) {
    if (i > 0) writer.newPage();
    const ScanPage& page = pages[i];
    if (page.picture) {
      painter.drawImage(QRect(0, 0, kWidth, kHeight), DrawPageImage(page));
    } else {
      painter.setPen(Qt::black);
      painter.setFont(PageFont(page.pixelSize));
      QTextOption option;
      option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
      painter.drawText(QRectF(kMargin, kMargin, kWidth - 2 * kMargin, kHeight - 2 * kMargin), page.text, option);
    }
  }
  return painter.end();
}

bool WriteImagePdf(const QString& path, const std::vector<QImage>& images) {
  QPdfWriter writer(path);
  writer.setPageSize(QPageSize(QPageSize::A4));
  writer.setPageMargins(QMarginsF(0, 0, 0, 0));
  writer.setResolution(300);
  QPainter painter;
  if (!painter.begin(&writer)) return false;
  for (std::size_t i = 0; i < images.size(); ++i) {
    if (i > 0) writer.newPage();
    painter.drawImage(QRect(0, 0, kWidth, kHeight), images[i]);
  }
  return painter.end();
}

}  // namespace folidex::test
