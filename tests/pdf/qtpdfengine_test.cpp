// The PdfEngine port on QtPdf: opening (and telling apart the files it cannot open), page text,
// meta data and greyscale rendering.

#include <sys/stat.h>

#include <QElapsedTimer>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>

#include "PdfBuilder.h"
#include "ScanPdf.h"
#include "common/Cp932.h"
#include "pdf/qt/QtPdfEngine.h"

using namespace folidex;

namespace {

std::string Native(const QTemporaryDir& dir, const char* name) {
  return dir.filePath(QLatin1String(name)).toStdString();
}

// A PDF whose standard security handler wants a user password that is not empty.
std::string EncryptedPdf() {
  std::string pdf = "%PDF-1.4\n";
  std::vector<std::size_t> offsets;
  auto object = [&](const std::string& body) {
    offsets.push_back(pdf.size());
    pdf += std::to_string(offsets.size()) + " 0 obj\n" + body + "\nendobj\n";
  };
  const std::string key32(64, 'A');
  object("<< /Type /Catalog /Pages 2 0 R >>");
  object("<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  object("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] >>");
  object("<< /Filter /Standard /V 1 /R 2 /O <" + key32 + "> /U <" + key32 + "> /P -4 >>");
  const std::size_t xref = pdf.size();
  pdf += "xref\n0 5\n0000000000 65535 f \n";
  for (std::size_t offset : offsets) {
    std::string digits = std::to_string(offset);
    pdf += std::string(10 - digits.size(), '0') + digits + " 00000 n \n";
  }
  pdf +=
      "trailer\n<< /Size 5 /Root 1 0 R /Encrypt 4 0 R /ID [<0123456789ABCDEF0123456789ABCDEF> "
      "<0123456789ABCDEF0123456789ABCDEF>] >>\nstartxref\n" +
      std::to_string(xref) + "\n%%EOF\n";
  return pdf;
}

int DarkPixels(const PageImage& image) {
  int dark = 0;
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x)
      dark += image.bytes[static_cast<std::size_t>(y * image.bytesPerLine + x)] < 128;
  return dark;
}

}  // namespace

class QtPdfEngineTest : public QObject {
  Q_OBJECT

 private slots:
  void textPagesPicturePagesAndRendering() {
    QTemporaryDir dir;
    const std::string path = Native(dir, "mixed.pdf");
    QVERIFY(test::WriteScanPdf(QString::fromStdString(path),
                               {{QStringLiteral("表紙の本文テキスト"), false}, {QStringLiteral("画像の頁"), true}}));
    QtPdfEngine pdf;
    QCOMPARE(pdf.PageCount(), 0);  // nothing open yet
    QCOMPARE(pdf.Open(path), PdfOpenResult::Opened);
    QCOMPARE(pdf.PageCount(), 2);
    // The font's radical forms (⽂ for 文) are the conversion layer's to fold.
    QVERIFY(Cp932ToUtf8(Utf16ToCp932(pdf.PageText(0))).find("表紙の本文テキスト") != std::string::npos);
    QCOMPARE(pdf.PageText(1), std::u16string());
    QCOMPARE(pdf.PageText(2), std::u16string());
    QCOMPARE(pdf.PageText(-1), std::u16string());

    // A4 at 72 dpi: 595 x 842 points. What the page does not paint is white paper, not the
    // transparent black the engine leaves there.
    PageImage image;
    QVERIFY(pdf.RenderPage(0, 72, image));
    QVERIFY(std::abs(image.width - 595) <= 1 && std::abs(image.height - 842) <= 1);
    QCOMPARE(image.dpi, 72);
    QCOMPARE(image.bytesPerLine, image.width);
    QCOMPARE(image.bytes.size(), static_cast<std::size_t>(image.width * image.height));
    QCOMPARE(image.bytes.front(), std::uint8_t{255});
    QCOMPARE(image.bytes.back(), std::uint8_t{255});
    QVERIFY(DarkPixels(image) > 100);  // the text
    QVERIFY(pdf.RenderPage(1, 100, image));
    QVERIFY(std::abs(image.width - 827) <= 1);
    QVERIFY(DarkPixels(image) > 100);  // the picture's text
    QVERIFY(!pdf.RenderPage(2, 100, image));
    QVERIFY(image.Empty());
    QVERIFY(!pdf.RenderPage(0, 0, image));

    pdf.Close();
    QCOMPARE(pdf.PageCount(), 0);
    QVERIFY(!pdf.RenderPage(0, 72, image));
  }

  void aHugePageIsRenderedAtALowerResolution() {
    QTemporaryDir dir;
    const std::string path = Native(dir, "huge.pdf");
    {
      QPdfWriter writer(QString::fromStdString(path));
      writer.setPageSize(QPageSize(QSizeF(5000, 5000), QPageSize::Millimeter));
      QPainter painter(&writer);
      painter.drawText(QPointF(100, 100), QStringLiteral("x"));
    }
    QtPdfEngine pdf;
    QCOMPARE(pdf.Open(path), PdfOpenResult::Opened);
    PageImage image;
    QVERIFY(pdf.RenderPage(0, 300, image));
    QVERIFY(static_cast<long long>(image.width) * image.height <= kMaxRenderPixels);
    QVERIFY(image.width > 5000);
    QVERIFY(image.dpi < 300 && image.dpi > 25);
  }

  void metaDataWithTheDocumentsOwnClockTime() {
    QTemporaryDir dir;
    const std::string path = test::WritePdf(
        dir.path().toStdString(), "meta.pdf",
        test::BuildPdf({"/Title <FEFF5E745EA65831544A66F8> /Author (Yamada) /Subject (Finance) /Keywords (a, b) "
                        "/CreationDate (D:20101201102030+09'00') /ModDate (D:20111109080706Z)",
                        {},
                        {},
                        {}}));
    QtPdfEngine pdf;
    QCOMPARE(pdf.Open(path), PdfOpenResult::Opened);
    const PdfMetaData meta = pdf.MetaData();
    QCOMPARE(QString::fromStdU16String(meta.title), QStringLiteral("年度報告書"));
    QCOMPARE(meta.author, u"Yamada");
    QCOMPARE(meta.subject, u"Finance");
    QCOMPARE(meta.keywords, u"a, b");
    QVERIFY(meta.created && meta.modified);
    QVERIFY((*meta.created == PdfDateTime{2010, 12, 1, 10, 20, 30}));
    QVERIFY((*meta.modified == PdfDateTime{2011, 11, 9, 8, 7, 6}));

    const std::string bare = test::WritePdf(dir.path().toStdString(), "bare.pdf", test::BuildPdf({}));
    QCOMPARE(pdf.Open(bare), PdfOpenResult::Opened);
    const PdfMetaData none = pdf.MetaData();
    QVERIFY(none.title.empty() && !none.created && !none.modified);
    QCOMPARE(pdf.PageCount(), 1);
  }

  void filesThatCannotBeOpenedSayWhy() {
    QTemporaryDir dir;
    const std::string root = dir.path().toStdString();
    QtPdfEngine pdf;
    QCOMPARE(pdf.Open(root + "/missing.pdf"), PdfOpenResult::Unreadable);
    QCOMPARE(pdf.Open(root), PdfOpenResult::Unreadable);  // a folder

    // A FIFO without a writer would block an ordinary open: it is refused at once.
    const std::string fifo = root + "/fifo.pdf";
    QCOMPARE(::mkfifo(fifo.c_str(), 0600), 0);
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(pdf.Open(fifo), PdfOpenResult::Unreadable);
    QVERIFY(timer.elapsed() < 5000);

    QCOMPARE(pdf.Open(test::WritePdf(root, "text.pdf", "just some words\n")), PdfOpenResult::NotPdf);
    QCOMPARE(pdf.Open(test::WritePdf(root, "empty.pdf", "")), PdfOpenResult::NotPdf);
    QCOMPARE(pdf.Open(test::WritePdf(root, "cut.pdf", "%PDF-1.7\n1 0 obj\n<< /Type /Cat")), PdfOpenResult::Damaged);
    QCOMPARE(pdf.Open(test::WritePdf(root, "locked.pdf", EncryptedPdf())), PdfOpenResult::Encrypted);
    QCOMPARE(pdf.PageCount(), 0);

    // A failed open leaves nothing open, even after a good one.
    QCOMPARE(pdf.Open(test::WritePdf(root, "good.pdf", test::BuildPdf({}))), PdfOpenResult::Opened);
    QCOMPARE(pdf.Open(root + "/missing.pdf"), PdfOpenResult::Unreadable);
    QCOMPARE(pdf.PageCount(), 0);
  }
};

QTEST_MAIN(QtPdfEngineTest)
#include "qtpdfengine_test.moc"
