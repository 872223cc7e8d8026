// folidex-manual: makes the user's manual, Manual.pdf, from its HTML chapters.
//
//   folidex-manual OUT.pdf STYLE.css CHAPTER.html...
//
// The chapters are set one after another, each from a new page, in the order given, with the
// style sheet applied to all of them; pictures are looked up relative to each chapter's folder.
// The PDF is written beside OUT.pdf and renamed over it only when complete, so a failed run never
// leaves a truncated manual behind. Runs without a display (QT_QPA_PLATFORM=offscreen).

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTextDocument>
#include <QUrl>
#include <cstdio>

#include "common/Cp932.h"

namespace {

QString ReadUtf8(const QString& path, bool* ok) {
  QFile file(path);
  *ok = file.open(QIODevice::ReadOnly);
  return *ok ? QString::fromUtf8(file.readAll()) : QString();
}

// The body of one chapter file (the whole text when it has no <body>).
QString BodyOf(const QString& html) {
  static const QRegularExpression body(
      QStringLiteral("<body[^>]*>(.*)</body>"),
      QRegularExpression::DotMatchesEverythingOption | QRegularExpression::CaseInsensitiveOption);
  const QRegularExpressionMatch match = body.match(html);
  return match.hasMatch() ? match.captured(1) : html;
}

// Pictures are registered with the document under their absolute path, and scaled down to the
// text width, so a wide screenshot never runs off the page.
QString EmbedImages(QTextDocument& doc, const QString& body, const QString& folder, double textWidth, bool* ok) {
  static const QRegularExpression img(QStringLiteral("<img\\s+src=\"([^\"]+)\"([^>]*)>"));
  QString out;
  qsizetype last = 0;
  for (auto it = img.globalMatch(body); it.hasNext();) {
    const QRegularExpressionMatch match = it.next();
    out += body.mid(last, match.capturedStart() - last);
    last = match.capturedEnd();
    const QString path = QFileInfo(folder + QLatin1Char('/') + match.captured(1)).absoluteFilePath();
    QImage image(path);
    if (image.isNull()) {
      std::fprintf(stderr, "folidex-manual: cannot read picture %s\n", qPrintable(path));
      *ok = false;
      continue;
    }
    const QUrl name = QUrl::fromLocalFile(path);
    doc.addResource(QTextDocument::ImageResource, name, image);
    // A width="N" in the chapter is a share of the text width in per cent.
    static const QRegularExpression share(QStringLiteral("width=\"(\\d+)%\""));
    const QRegularExpressionMatch shareMatch = share.match(match.captured(2));
    double width = textWidth * (shareMatch.hasMatch() ? shareMatch.captured(1).toDouble() / 100.0 : 1.0);
    if (image.width() < width) width = image.width();
    const double height = image.height() * width / image.width();
    out += QStringLiteral("<img src=\"%1\" width=\"%2\" height=\"%3\">")
               .arg(name.toString())
               .arg(qRound(width))
               .arg(qRound(height));
  }
  out += body.mid(last);
  return out;
}

// Qt's PDF writer names each glyph in a font's ToUnicode map by the first code point that the
// font draws with it. A CJK font draws a Kangxi radical and its ideograph (U+2F70 and U+793A 示)
// with one glyph, so the text layer said 表⽰ and the manual could not be searched for 表示. Every
// destination of the maps that is a radical with a compatibility ideograph becomes that ideograph:
// four hexadecimal digits for four, so no byte of the file moves and its cross-reference stays.
int UnifyRadicals(QByteArray& pdf) {
  static const QRegularExpression cmap(QStringLiteral("begincmap(.*?)endcmap"),
                                       QRegularExpression::DotMatchesEverythingOption);
  static const QRegularExpression hex(QStringLiteral("<([0-9A-Fa-f]{4})>"));
  const QString text = QString::fromLatin1(pdf);
  int changed = 0;
  for (auto maps = cmap.globalMatch(text); maps.hasNext();) {
    const QRegularExpressionMatch map = maps.next();
    qsizetype lineStart = map.capturedStart(1);
    const qsizetype mapEnd = map.capturedEnd(1);
    enum { Other, Ranges, Glyphs } section = Other;
    while (lineStart < mapEnd) {
      qsizetype lineEnd = text.indexOf(QLatin1Char('\n'), lineStart);
      if (lineEnd < 0 || lineEnd > mapEnd) lineEnd = mapEnd;
      const QString line = text.mid(lineStart, lineEnd - lineStart);
      if (line.contains(QLatin1String("beginbfrange"))) section = Ranges;
      if (line.contains(QLatin1String("beginbfchar"))) section = Glyphs;
      if (line.contains(QLatin1String("endbf"))) section = Other;
      // "<lo> <hi> [<d>...]" and "<lo> <hi> <d>" of a range, "<glyph> <d>" of a single glyph; a
      // range that counts up from a radical keeps it (its other code points would move too).
      QList<QRegularExpressionMatch> values;
      for (auto it = hex.globalMatch(line); it.hasNext();) values.append(it.next());
      const qsizetype bracket = line.indexOf(QLatin1Char('['));
      for (qsizetype k = 0; k < values.size() && section != Other; ++k) {
        const bool destination = section == Glyphs ? k == 1
                                 : bracket >= 0    ? values[k].capturedStart() > bracket
                                                   : k == 2 && values[0].captured(1) == values[1].captured(1);
        if (!destination) continue;
        const char16_t code = static_cast<char16_t>(values[k].captured(1).toUInt(nullptr, 16));
        if (code < 0x2E80 || code > 0x2FD5) continue;
        const char32_t unified = folidex::FoldRadical(code);
        if (unified == code || unified > 0xFFFF) continue;
        pdf.replace(lineStart + values[k].capturedStart(1), 4,
                    QByteArray::number(static_cast<uint>(unified), 16).toUpper().rightJustified(4, '0'));
        ++changed;
      }
      lineStart = lineEnd + 1;
    }
  }
  return changed;
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() < 4) {
    std::fprintf(stderr, "usage: folidex-manual OUT.pdf STYLE.css CHAPTER.html...\n");
    return 2;
  }
  const QString outPath = args[1];
  bool ok = true;
  const QString css = ReadUtf8(args[2], &ok);
  if (!ok) {
    std::fprintf(stderr, "folidex-manual: cannot read %s\n", qPrintable(args[2]));
    return 1;
  }

  QBuffer pdf;
  pdf.open(QIODevice::WriteOnly);
  QPdfWriter writer(&pdf);
  writer.setResolution(96);
  writer.setPageLayout(
      QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(18, 16, 18, 16), QPageLayout::Millimeter));
  writer.setTitle(QStringLiteral("Folidex 取扱い説明書"));
  writer.setCreator(QStringLiteral("Folidex"));
  const QRectF page = writer.pageLayout().paintRectPixels(writer.resolution());

  QTextDocument doc;
  doc.setPageSize(page.size());
  doc.setDocumentMargin(0);
  // The text is set in IPAexGothic: with Noto Sans CJK JP the writer's text layer lost a digit
  // after an "F" ("F6", "Ctrl+F1" read as "F", "Ctrl+F"), so the manual could not be searched
  // for its keys. Without the font the manual is not made, rather than made with another one.
  const QString family = QStringLiteral("IPAexGothic");
  if (!QFontDatabase::families().contains(family)) {
    std::fprintf(stderr, "folidex-manual: the font %s is missing (Debian: fonts-ipaexfont-gothic)\n",
                 qPrintable(family));
    return 1;
  }
  QFont font(family);
  font.setPointSizeF(10.5);
  doc.setDefaultFont(font);
  doc.setDefaultStyleSheet(css);

  QString html = QStringLiteral("<html><body>");
  for (qsizetype i = 3; i < args.size(); ++i) {
    const QString chapter = ReadUtf8(args[i], &ok);
    if (!ok) {
      std::fprintf(stderr, "folidex-manual: cannot read %s\n", qPrintable(args[i]));
      return 1;
    }
    const QString body = EmbedImages(doc, BodyOf(chapter), QFileInfo(args[i]).absolutePath(), page.width(), &ok);
    if (!ok) return 1;
    if (i > 3) html += QStringLiteral("<div style=\"page-break-before: always\"></div>");
    html += body;
  }
  html += QStringLiteral("</body></html>");
  doc.setHtml(html);
  doc.print(&writer);
  QByteArray bytes = pdf.data();
  UnifyRadicals(bytes);
  QSaveFile out(outPath);
  if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit()) {
    std::fprintf(stderr, "folidex-manual: cannot write %s\n", qPrintable(outPath));
    return 1;
  }
  std::printf("%s: %d pages\n", qPrintable(outPath), doc.pageCount());
  return 0;
}
