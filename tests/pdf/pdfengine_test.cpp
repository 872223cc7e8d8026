// The PdfEngine port on poppler: opening (and telling apart the files it cannot open), page text,
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
#include "common/ByteText.h"
#include "common/Cp932.h"
#include "common/Normalize.h"
#include "pdf/DocumentText.h"
#include "pdf/PdfInfo.h"
#include "pdf/poppler/PopplerPdfEngine.h"
#include "support/TestSupport.h"
#include "support/qt/QtTestSupport.h"

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

// A PDF 1.5 file as dvipdfmx and recent pdfTeX write them: the information dictionary is object 6
// inside a Flate-compressed object stream, found through a cross-reference stream, so none of its
// names stands in the raw bytes.
std::string ObjectStreamPdf(const std::string& infoBody) {
  std::string pdf = "%PDF-1.5\n%\xE2\xE3\xCF\xD3\n";
  std::vector<std::size_t> offsets(7, 0);
  auto object = [&](int n, const std::string& body) {
    offsets[static_cast<std::size_t>(n)] = pdf.size();
    pdf += std::to_string(n) + " 0 obj\n" + body + "\nendobj\n";
  };
  object(1, "<< /Type /Catalog /Pages 2 0 R >>");
  object(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] >>");
  const std::string header = "6 0 ";
  const QByteArray packed = qCompress(QByteArray::fromStdString(header + "<< " + infoBody + " >>")).mid(4);
  object(4, "<< /Type /ObjStm /N 1 /First " + std::to_string(header.size()) + " /Filter /FlateDecode /Length " +
                std::to_string(packed.size()) + " >>\nstream\n" + packed.toStdString() + "\nendstream");
  offsets[5] = pdf.size();
  std::string rows;
  auto row = [&rows](int type, std::size_t second, int third) {
    rows += static_cast<char>(type);
    for (int shift = 24; shift >= 0; shift -= 8) rows += static_cast<char>((second >> shift) & 0xFF);
    rows += static_cast<char>((third >> 8) & 0xFF);
    rows += static_cast<char>(third & 0xFF);
  };
  row(0, 0, 0xFFFF);
  for (int n = 1; n <= 5; ++n) row(1, offsets[static_cast<std::size_t>(n)], 0);
  row(2, 4, 0);  // object 6: the first object of stream 4
  pdf += "5 0 obj\n<< /Type /XRef /Size 7 /W [1 4 2] /Root 1 0 R /Info 6 0 R /Length " + std::to_string(rows.size()) +
         " >>\nstream\n" + rows + "\nendstream\nendobj\nstartxref\n" + std::to_string(offsets[5]) + "\n%%EOF\n";
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

class PdfEngineTest : public QObject {
  Q_OBJECT

 private slots:
  void textPagesPicturePagesAndRendering() {
    QTemporaryDir dir;
    const std::string path = Native(dir, "mixed.pdf");
    QVERIFY(test::WriteScanPdf(QString::fromStdString(path),
                               {{QStringLiteral("表紙の本文テキスト"), false}, {QStringLiteral("画像の頁"), true}}));
    PopplerPdfEngine pdf;
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
    PopplerPdfEngine pdf;
    QCOMPARE(pdf.Open(path), PdfOpenResult::Opened);
    PageImage image;
    QVERIFY(pdf.RenderPage(0, 300, image));
    QVERIFY(static_cast<long long>(image.width) * image.height <= kMaxRenderPixels);
    QVERIFY(image.width > 5000);
    QVERIFY(image.dpi < 300 && image.dpi > 25);
    // Within a smaller bound, at fewer dots per inch still; a page within it keeps its resolution.
    const int capped = image.dpi;
    QVERIFY(pdf.RenderPageWithin(0, 300, 2'000'000, image));
    QVERIFY(static_cast<long long>(image.width) * image.height <= 2'000'000);
    QVERIFY(image.width > 1000 && image.dpi < capped);
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
    PopplerPdfEngine pdf;
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
    PopplerPdfEngine pdf;
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
  void pageTextIsTheViewersFormWithoutFormFeeds() {
    QCOMPARE(PageTextWithCrLf(u"一行目\n二行目\n\f"), std::u16string(u"一行目\r\n二行目"));
    QCOMPARE(PageTextWithCrLf(u"a\r\nb\rc \n\n"), std::u16string(u"a\r\nb\r\nc"));
    QCOMPARE(PageTextWithCrLf(u"\f"), std::u16string());

    QTemporaryDir dir;
    const std::string path = Native(dir, "two.pdf");
    test::WriteJapanesePdf(QString::fromStdString(path), {QStringLiteral("第一頁の本文"), QStringLiteral("二頁目")});
    PopplerPdfEngine pdf;
    QCOMPARE(pdf.Open(path), PdfOpenResult::Opened);
    const std::u16string first = pdf.PageText(0);
    QVERIFY(first.find(u'\f') == std::u16string::npos);
    QVERIFY(Cp932ToUtf8(Utf16ToCp932(first)).find("第一頁の本文") != std::string::npos);
    QVERIFY(Cp932ToUtf8(Utf16ToCp932(pdf.PageText(1))).find("二頁目") != std::string::npos);
  }

  void verticalWritingAndWrappedWordsKeepTheirWords() {
    // Vertical writing: characters one by one down two columns, right to left; beside it a
    // horizontal paragraph whose word 東京都庁 wraps at the line end.
    QTemporaryDir dir;
    const QString path = QString::fromStdString(Native(dir, "vertical.pdf"));
    {
      QPdfWriter writer(path);
      writer.setPageSize(QPageSize(QPageSize::A4));
      writer.setResolution(300);
      QPainter painter(&writer);
      QFont font(QStringLiteral("Noto Sans CJK JP"));
      font.setPointSize(16);
      painter.setFont(font);
      const QString columns[] = {QStringLiteral("縦書きの文章は"), QStringLiteral("右から読む")};
      for (int c = 0; c < 2; ++c) {
        for (int i = 0; i < columns[c].size(); ++i)
          painter.drawText(QPoint(2000 - c * 120, 300 + i * 90), columns[c].mid(i, 1));
      }
      painter.drawText(QPoint(150, 1500), QStringLiteral("本日は東京"));
      painter.drawText(QPoint(150, 1600), QStringLiteral("都庁に行く"));
    }
    PopplerPdfEngine pdf;
    QCOMPARE(pdf.Open(path.toStdString()), PdfOpenResult::Opened);
    const std::string stored = NormalizeBodyText(PrepareBodyText(pdf.PageText(0)));
    // Each column is read down, whole (these glyphs are upright: the engine orders the columns
    // as it finds them).
    QVERIFY2(ContainsCp932(stored, Utf8ToCp932("縦書きの文章は")), Cp932ToUtf8(stored).c_str());
    QVERIFY2(ContainsCp932(stored, Utf8ToCp932("右から読む")), Cp932ToUtf8(stored).c_str());
    QVERIFY2(ContainsCp932(stored, Utf8ToCp932("東京都庁")), Cp932ToUtf8(stored).c_str());
  }

  void pdfDatesAreTheDocumentsOwnClockTime() {
    QVERIFY((ParsePdfDate(u"D:20101201102030+09'00'") == PdfDateTime{2010, 12, 1, 10, 20, 30}));
    QVERIFY((ParsePdfDate(u"D:2010") == PdfDateTime{2010, 1, 1, 0, 0, 0}));  // left-out parts: earliest
    QVERIFY((ParsePdfDate(u"20111109080706Z") == PdfDateTime{2011, 11, 9, 8, 7, 6}));
    QVERIFY(!ParsePdfDate(u""));
    QVERIFY(!ParsePdfDate(u"D:20"));
    QVERIFY(!ParsePdfDate(u"D:20101301"));  // month 13
    QVERIFY(!ParsePdfDate(u"yesterday"));
  }

  void metadataInsideACompressedObjectStreamComesFromTheEngine() {
    QTemporaryDir dir;
    const std::string bytes = ObjectStreamPdf(
        "/Title <FEFF5E745EA65831544A66F8> /Author (Yamada) /Subject (Finance) /Keywords (a, b) "
        "/CreationDate (D:20101201102030+09'00') /ModDate (D:20111109080706Z)");
    const std::string path = test::WritePdf(dir.path().toStdString(), "objstm.pdf", bytes);
    QVERIFY(!PdfInfo::HasInfoNames(bytes));

    test::ScriptedPrompter prompter;
    IndexRecord scanned;
    QCOMPARE(PdfInfo(prompter).ReadInfoFile(path, scanned), 1);  // the scan alone sees nothing
    QCOMPARE(scanned[FieldTag::PT], std::string());

    PopplerPdfEngine pdf;
    IndexRecord record;
    QCOMPARE(PdfInfo(prompter, &pdf).ReadInfoFile(path, record), 1);
    QCOMPARE(Cp932ToUtf8(record[FieldTag::PT]), std::string("年度報告書"));
    QCOMPARE(record[FieldTag::PA], std::string("Yamada"));
    QCOMPARE(record[FieldTag::PS], std::string("Finance"));
    QCOMPARE(record[FieldTag::PK], std::string("a, b"));
    QCOMPARE(record[FieldTag::PC], std::string("2010.12.01 10:20:30"));
    QCOMPARE(record[FieldTag::PM], std::string("2011.11.09 08:07:06"));
    QCOMPARE(pdf.PageCount(), 0);  // the reader closed what it opened
    QVERIFY(prompter.shown.empty());

    // Where the scan finds any name its result stands, even with more in the object stream.
    const std::string named =
        test::WritePdf(dir.path().toStdString(), "named.pdf", test::BuildPdf({"/Author (Scan)", {}, {}, {}}));
    IndexRecord kept;
    QCOMPARE(PdfInfo(prompter, &pdf).ReadInfoFile(named, kept), 1);
    QCOMPARE(kept[FieldTag::PA], std::string("Scan"));
    QCOMPARE(kept[FieldTag::PT], std::string());
  }

  void aFifoIsRefusedByTheInformationReaderWithoutWaiting() {
    QTemporaryDir dir;
    const std::string fifo = Native(dir, "pipe.pdf");
    QCOMPARE(::mkfifo(fifo.c_str(), 0600), 0);
    test::ScriptedPrompter prompter;
    IndexRecord record;
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(PdfInfo(prompter).ReadInfoFile(fifo, record), 0);
    QVERIFY(timer.elapsed() < 5000);
    QVERIFY(prompter.ShowedMessage(Msg::FileOpenFailed));
  }
};

QTEST_MAIN(PdfEngineTest)
#include "pdfengine_test.moc"
