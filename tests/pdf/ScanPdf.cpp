#include "ScanPdf.h"

#include <QFont>
#include <QHash>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QStringList>
#include <QTextOption>

namespace folidex::test {

namespace {

constexpr int kWidth = 2480;  // A4 at 300 dpi: the painters of the image and the PDF alike
constexpr int kHeight = 3508;
constexpr int kMargin = 240;

// Vertical writing sets punctuation and brackets in their vertical forms.
QChar VerticalForm(QChar c) {
  static const QHash<QChar, QChar> forms = {{QChar(0x3001), QChar(0xFE11)}, {QChar(0x3002), QChar(0xFE12)},
                                            {QChar(0x30FC), QChar(0xFE31)}, {QChar(0x300C), QChar(0xFE41)},
                                            {QChar(0x300D), QChar(0xFE42)}, {QChar(0xFF08), QChar(0xFE35)},
                                            {QChar(0xFF09), QChar(0xFE36)}};
  return forms.value(c, c);
}

void DrawPage(QPainter& painter, const ScanPage& page) {
  QFont font(QStringLiteral("Noto Sans CJK JP"));
  font.setPixelSize(page.pixelSize);
  painter.setFont(font);
  painter.setPen(Qt::black);
  int top = kMargin;
  if (!page.heading.isEmpty()) {
    QFont large = font;
    large.setPixelSize(page.pixelSize * 5 / 2);
    large.setBold(true);
    painter.setFont(large);
    const QRect bounds(kMargin, top, kWidth - 2 * kMargin, page.pixelSize * 4);
    painter.drawText(bounds, Qt::AlignLeft | Qt::AlignVCenter, page.heading);
    painter.setFont(font);
    top += page.pixelSize * 5;
  }
  if (page.table) {
    const QStringList rows = page.text.split(QLatin1Char('\n'));
    const int rowHeight = page.pixelSize * 2;
    int cells = 1;
    for (const QString& row : rows) cells = std::max(cells, static_cast<int>(row.split(QLatin1Char('\t')).size()));
    const int cellWidth = (kWidth - 2 * kMargin) / cells;
    painter.setPen(QPen(Qt::black, 3));
    for (int r = 0; r < rows.size(); ++r) {
      const QStringList row = rows[r].split(QLatin1Char('\t'));
      for (int c = 0; c < row.size(); ++c) {
        const QRect cell(kMargin + c * cellWidth, top + r * rowHeight, cellWidth, rowHeight);
        painter.drawRect(cell);
        painter.drawText(cell.adjusted(page.pixelSize / 3, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, row[c]);
      }
    }
    return;
  }
  if (!page.vertical) {
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    const QStringList parts = page.columns == 2 ? page.text.split(QLatin1Char('\f')) : QStringList{page.text};
    const int gap = page.pixelSize * 3;
    const int width =
        (kWidth - 2 * kMargin - (static_cast<int>(parts.size()) - 1) * gap) / static_cast<int>(parts.size());
    for (int i = 0; i < parts.size(); ++i)
      painter.drawText(QRectF(kMargin + i * (width + gap), top, width, kHeight - kMargin - top), parts[i], option);
    return;
  }
  const int size = page.pixelSize;
  const int step = size * 11 / 10;
  const int perColumn = (kHeight - kMargin - top) / step;
  int x = kWidth - kMargin - size;
  int row = 0;
  for (const QChar c : page.text) {
    if (c == QLatin1Char('\n') || row == perColumn) {
      x -= size * 17 / 10;
      row = 0;
      if (c == QLatin1Char('\n')) continue;
    }
    if (x < kMargin) break;
    painter.drawText(QRect(x, top + row * step, size, step), Qt::AlignCenter, QString(VerticalForm(c)));
    ++row;
  }
}

}  // namespace

QImage DrawPageImage(const ScanPage& page) {
  QImage image(kWidth, kHeight, QImage::Format_Grayscale8);
  image.fill(255);
  image.setDotsPerMeterX(11811);  // 300 dpi
  image.setDotsPerMeterY(11811);
  QPainter painter(&image);
  DrawPage(painter, page);
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
    if (pages[i].picture) {
      painter.drawImage(QRect(0, 0, kWidth, kHeight), DrawPageImage(pages[i]));
    } else {
      DrawPage(painter, pages[i]);
    }
  }
  return painter.end();
}

bool WriteImagePdf(const QString& path, const std::vector<QImage>& images) {
  // Each page takes the size of its image at 300 dpi (a landscape scan makes a landscape page).
  auto pageSize = [](const QImage& image) {
    return QPageSize(QSizeF(image.width(), image.height()) * 25.4 / 300.0, QPageSize::Millimeter);
  };
  QPdfWriter writer(path);
  writer.setPageMargins(QMarginsF(0, 0, 0, 0));
  writer.setResolution(300);
  if (!images.empty()) writer.setPageSize(pageSize(images.front()));
  QPainter painter;
  if (!painter.begin(&writer)) return false;
  for (std::size_t i = 0; i < images.size(); ++i) {
    if (i > 0) {
      writer.setPageSize(pageSize(images[i]));
      writer.newPage();
    }
    painter.drawImage(QRect(0, 0, images[i].width(), images[i].height()), images[i]);
  }
  return painter.end();
}

}  // namespace folidex::test
