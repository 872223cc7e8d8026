// gen_pdfs DIR COUNT: the import benchmark's folder of Japanese PDFs, drawn with Qt's PDF writer.
// Files of 1 to 40 A4 pages of body text in two fonts and sizes; every fifth file also carries
// photographs (noise images) that make it a few MB, as scanned appendices do. The same COUNT
// gives the same files.

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QRandomGenerator>
#include <QStringList>
#include <cstdio>

namespace {

const QStringList kSentences = {
    QStringLiteral("本年度の事業報告書では、売上高が前年同期比で一二パーセント増加したことを報告します。"),
    QStringLiteral("請求書の支払期限は来月末日です。振込手数料はお客様のご負担となります。"),
    QStringLiteral("会議の議事録：出席者は山田、佐藤、髙橋、﨑田の四名。次回は十月十五日〜十六日。"),
    QStringLiteral("ソフトウェアの保守契約について、第３条の条文を次のとおり改める。"),
    QStringLiteral("東京都千代田区丸の内一丁目の新しい事務所へ移転いたしました。"),
    QStringLiteral("ｶﾀｶﾅの半角文字と①②③の丸数字、そして「括弧」『二重括弧』【隅付き】を含む行。"),
    QStringLiteral("The quarterly report covers revenue, costs and the outlook for 2027."),
    QStringLiteral("品質管理の手順書に従い、検査記録は五年間保存すること。"),
};

void DrawPage(QPainter& painter, const QRect& area, QRandomGenerator& random, int lines) {
  const int lineHeight = area.height() / (lines + 2);
  for (int line = 0; line < lines; ++line) {
    const QString text = kSentences[static_cast<int>(random.bounded(static_cast<quint32>(kSentences.size())))];
    painter.drawText(QRect(area.left(), area.top() + line * lineHeight, area.width(), lineHeight),
                     Qt::AlignLeft | Qt::AlignVCenter, text);
  }
}

QImage Photograph(QRandomGenerator& random, int side) {
  QImage image(side, side, QImage::Format_RGB32);
  for (int y = 0; y < side; ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < side; ++x) row[x] = random.generate() | 0xFF000000u;
  }
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: gen_pdfs DIR COUNT\n");
    return 2;
  }
  const QString dir = QString::fromLocal8Bit(argv[1]);
  const int count = QString::fromLatin1(argv[2]).toInt();
  QDir().mkpath(dir);
  QRandomGenerator random(20261209);
  const QStringList fonts = {QStringLiteral("Noto Sans CJK JP"), QStringLiteral("Noto Serif CJK JP")};
  for (int n = 0; n < count; ++n) {
    const QString path = dir + QStringLiteral("/doc%1.pdf").arg(n, 4, 10, QLatin1Char('0'));
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setResolution(300);
    writer.setTitle(QStringLiteral("ベンチマーク文書 %1").arg(n));
    QPainter painter(&writer);
    QFont font(fonts[n % 2]);
    font.setPointSize(9 + n % 4);
    painter.setFont(font);
    const int pages = 1 + static_cast<int>(random.bounded(40u));
    const QRect area(200, 200, writer.width() - 400, writer.height() - 400);
    for (int page = 0; page < pages; ++page) {
      if (page > 0) writer.newPage();
      DrawPage(painter, area, random, 40);
      if (n % 5 == 4 && page < 3)
        painter.drawImage(QRect(area.left(), area.bottom() - 1200, 1200, 1200), Photograph(random, 1000));
    }
    painter.end();
  }
  return 0;
}
