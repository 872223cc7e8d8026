// ocr_bench_tool: the data and the measure of the text recognition benchmark (ocr_bench.sh).
//
//   ocr_bench_tool make DIR         writes, for each sample, NAME.text.pdf (drawn as text),
//                                   NAME.scan.pdf (its pages rendered at 300 dpi in greyscale by the
//                                   program's PDF engine and wrapped again as picture pages) and
//                                   NAME.truth.txt (the text drawn, UTF-8); and load.pdf, one page
//                                   with text, to time the engine's start alone
//   ocr_bench_tool recall TRUTH OUT character-bigram recall of OUT against TRUTH: the share of the
//                                   truth's bigrams (white space removed) that OUT has too
//   ocr_bench_tool cancel SCAN.pdf [DPI]
//                                   how long a cancel takes to stop the recognition of the first
//                                   page (rendered at DPI, 300 unless given), in this process and in
//                                   a worker process, and the page's time and peak memory uncancelled
//
// Samples: "ja-horizontal" (three pages of Japanese at 10.5 points), "ja-vertical" (one page of
// vertical writing), "en" (one page of English at 11 points) — clean renderings — and two pages as
// paper scans come: "ja-skewed" (turned by 1.5 degrees, with speckle and grey noise) and
// "ja-sideways" (fed into the scanner sideways: turned by 90 degrees, a landscape page). The
// scan-like pages include "scan-small", notes in 7-point type, and "scan-large", an A4 page drawn
// at twice its size (an A2 poster of 35 million pixels at 300 dpi).

#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QMap>
#include <QPainter>
#include <QStringList>
#include <QTransform>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <thread>
#include <vector>

#include "ScanPdf.h"
#include "pdf/RecognitionWorker.h"
#include "pdf/poppler/PopplerPdfEngine.h"
#include "pdf/tesseract/TesseractRecognizer.h"

namespace {

using folidex::test::ScanPage;

const char* const kJapanese[] = {
    "令和六年度の事業報告について、取締役会に提出する資料をまとめました。当期の売上高は前年同期に比べて八パーセント増加"
    "し、営業利益も大きく改善しています。主な要因は、新製品の販売が好調であったことと、物流費の削減が進んだことです。",
    "一方で、原材料価格の高騰により製造原価は上昇しており、来期も厳しい状況が続くと予想されます。このため、調達先の見"
    "直しと在庫管理の徹底を図り、収益の確保に努めてまいります。",
    "人事面では、技術部門を中心に二十名の新卒社員を採用しました。研修制度を充実させるとともに、若手社員が早期に活躍で"
    "きる環境づくりを進めています。また、育児休業の取得率は男女ともに向上しました。",
    "情報システムについては、社内の文書管理を電子化し、紙の書類を保管する倉庫を半分に縮小しました。過去の契約書や請求"
    "書は画像として取り込み、文字認識によって検索できるようにしています。",
    "顧客からの問い合わせ件数は前期より一割ほど減少しましたが、一件あたりの対応時間は長くなっています。よくある質問を"
    "まとめた案内を作成し、窓口の負担を軽くする取り組みを始めました。",
    "環境への配慮として、本社ビルの照明をすべて発光ダイオードに切り替え、電力使用量を約三割削減しました。今後は太陽光"
    "発電設備の導入についても検討を進める予定です。",
    "海外事業では、東南アジアの販売拠点を一か所増やし、現地の代理店との協力関係を強化しました。為替の変動による影響を"
    "抑えるため、決済通貨の分散にも取り組んでいます。",
    "最後に、株主の皆様には日頃のご支援に心より感謝申し上げます。引き続き、誠実な経営と透明性の高い情報開示に努めてま"
    "いりますので、今後ともよろしくお願い申し上げます。",
};

const char* const kVertical =
    "拝啓　初秋の候、皆様にはますますご清栄のこととお喜び申し上げます。\n"
    "さて、このたび当社は本店を下記の住所へ移転することになりました。\n"
    "新しい事務所は駅から徒歩五分の便利な場所にあり、より一層のサービス向上に努めてまいります。\n"
    "今後とも変わらぬご愛顧を賜りますよう、お願い申し上げます。\n"
    "敬具";

const char* const kEnglish =
    "The quarterly review meeting will be held on the third floor of the main office. Please bring the sales "
    "figures for each region, the list of open customer orders and any questions about the new invoicing "
    "procedure. Minutes of the previous meeting are attached to this notice.\n\n"
    "If you cannot attend, send a short written report to the planning department by Friday so that it can be "
    "discussed in your absence. Travel expenses for the meeting will be paid according to the usual rules; keep "
    "your receipts and hand them in within two weeks.";

QString Paragraphs(int from, int to) {
  QStringList parts;
  for (int i = from; i < to; ++i) parts << QString::fromUtf8(kJapanese[i]);
  return parts.join(QStringLiteral("\n\n"));
}

const char* const kMixed =
    "社内の文書はPDF形式で保存し、検索にはFolidex 2.0を使っています。動作確認はWindows 11とDebian 12で行い、"
    "文字認識にはTesseract 5.3を採用しました。詳しくは技術資料のAppendix Bを参照してください。";

const char* const kTable =
    "品目\t数量\t単価\t金額\n"
    "事務用紙\t20\t450\t9000\n"
    "封筒\t500\t12\t6000\n"
    "印刷用トナー\t3\t8200\t24600\n"
    "ファイル\t40\t150\t6000\n"
    "合計\t\t\t45600";

struct Sample {
  QString name;
  std::vector<ScanPage> pages;
  double turn = 0;     // degrees the scanner turned the sheet
  bool noise = false;  // speckle and grey noise of a paper scan
  bool blur = false;   // the softness of a scanner's lens
  bool jpeg = false;   // saved as JPEG, as scanners save at 300 dpi
  int enlarged = 1;    // the page drawn this many times as large each way (2: an A4 page as A2)
};

ScanPage Page(QString text, int pixelSize, QString heading = {}, int columns = 1, bool table = false,
              bool vertical = false) {
  ScanPage page{std::move(text), false, vertical, pixelSize};
  page.heading = std::move(heading);
  page.columns = columns;
  page.table = table;
  return page;
}

std::vector<Sample> Samples() {
  return {
      {QStringLiteral("ja-horizontal"),
       {{Paragraphs(0, 3), false, false, 44},
        {Paragraphs(3, 6), false, false, 44},
        {Paragraphs(6, 8), false, false, 44}}},
      {QStringLiteral("ja-vertical"), {{QString::fromUtf8(kVertical), false, true, 48}}},
      {QStringLiteral("en"), {{QString::fromUtf8(kEnglish), false, false, 46}}},
      {QStringLiteral("ja-skewed"), {{Paragraphs(0, 3), false, false, 44}}, 1.5, true},
      {QStringLiteral("ja-sideways"), {{Paragraphs(3, 6), false, false, 44}}, 90, false},
      // Pages as documents are scanned: headings, columns, a table, Latin words; blurred a
      // little, turned by 1 to 2 degrees, speckled, saved as JPEG.
      {QStringLiteral("scan-report"),
       {Page(QString::fromUtf8("第1章　事業の概要") + QLatin1Char('\n') + Paragraphs(0, 2) + QStringLiteral("\n\n") +
                 QString::fromUtf8(kMixed),
             42, QString::fromUtf8("令和六年度　事業報告書"))},
       1.2,
       true,
       true,
       true},
      {QStringLiteral("scan-columns"),
       {Page(Paragraphs(3, 5) + QLatin1Char('\f') + Paragraphs(5, 7), 40, QString::fromUtf8("第2章　社内の取り組み"),
             2)},
       -1.5,
       true,
       true,
       true},
      {QStringLiteral("scan-vertical"),
       {Page(QString::fromUtf8(kVertical), 46, {}, 1, false, true)},
       1.0,
       true,
       true,
       true},
      {QStringLiteral("scan-table"),
       {Page(QString::fromUtf8(kTable), 44, QString::fromUtf8("備品購入一覧"), 1, true)},
       1.8,
       true,
       true,
       true},
      {QStringLiteral("scan-small"), {Page(Paragraphs(0, 5), 29, QString::fromUtf8("注記"))}, 0.8, true, true, true},
      {QStringLiteral("scan-english"),
       {Page(QString::fromUtf8(kEnglish), 44, QStringLiteral("Quarterly Review"))},
       -1.0,
       true,
       true,
       true},
      // A poster-size page (A2, 35 million pixels at 300 dpi): the worker's memory with it.
      {QStringLiteral("scan-large"),
       {Page(Paragraphs(1, 4), 44, QString::fromUtf8("研修制度のご案内"))},
       1.0,
       true,
       true,
       true,
       2},
  };
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// A page image as the scanner delivers it: turned on white paper, with noise.
QImage Scanned(const QImage& page, const Sample& sample, std::mt19937& random) {
  QImage out = page;
  if (sample.turn != 0) {
    const QRect bounds = QTransform().rotate(sample.turn).mapRect(page.rect());
    out = QImage(bounds.size(), QImage::Format_Grayscale8);
    out.fill(255);
    QPainter painter(&out);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.translate(out.width() / 2.0, out.height() / 2.0);
    painter.rotate(sample.turn);
    painter.drawImage(QPointF(-page.width() / 2.0, -page.height() / 2.0), page);
  }
  if (sample.blur) {  // a 3 x 3 box filter
    const QImage sharp = out;
    for (int y = 1; y + 1 < out.height(); ++y) {
      uchar* line = out.scanLine(y);
      for (int x = 1; x + 1 < out.width(); ++x) {
        int sum = 0;
        for (int dy = -1; dy <= 1; ++dy) {
          const uchar* from = sharp.constScanLine(y + dy);
          sum += from[x - 1] + from[x] + from[x + 1];
        }
        line[x] = static_cast<uchar>(sum / 9);
      }
    }
  }
  if (sample.noise) {
    std::normal_distribution<double> grey(0, 18);
    std::uniform_int_distribution<int> speckle(0, 999);
    for (int y = 0; y < out.height(); ++y) {
      uchar* line = out.scanLine(y);
      for (int x = 0; x < out.width(); ++x) {
        const int value = line[x] + static_cast<int>(grey(random));
        line[x] = static_cast<uchar>(speckle(random) < 2 ? (line[x] > 127 ? 0 : 255) : std::clamp(value, 0, 255));
      }
    }
  }
  if (sample.jpeg) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    out.save(&buffer, "JPG", 75);
    out = QImage::fromData(bytes, "JPG").convertToFormat(QImage::Format_Grayscale8);
  }
  return out;
}

// The truth of a page: the heading, then the text, a table's cells one space apart.
QString Truth(const ScanPage& page) {
  QString text = page.text;
  text.replace(QLatin1Char('\f'), QLatin1Char('\n')).replace(QLatin1Char('\t'), QLatin1Char(' '));
  return page.heading.isEmpty() ? text : page.heading + QLatin1Char('\n') + text;
}

// The pages of a text PDF as a scanner would make them: rendered at 300 dpi by the program's
// engine, then wrapped again as picture pages.
bool Rescan(const QString& textPdf, const QString& scanPdf, const Sample& sample, const QString& base) {
  std::mt19937 random(20240401);
  folidex::PopplerPdfEngine pdf;
  if (pdf.Open(textPdf.toStdString()) != folidex::PdfOpenResult::Opened) return false;
  std::vector<QImage> images;
  for (int page = 0; page < pdf.PageCount(); ++page) {
    folidex::PageImage image;
    if (pdf.PageText(page).empty() || !pdf.RenderPage(page, 300, image)) return false;
    QImage picture(image.width, image.height, QImage::Format_Grayscale8);
    for (int y = 0; y < image.height; ++y)
      std::copy_n(image.bytes.data() + static_cast<std::size_t>(y * image.bytesPerLine), image.width,
                  picture.scanLine(y));
    if (sample.enlarged > 1)
      picture = picture.scaled(picture.size() * sample.enlarged, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    images.push_back(Scanned(picture, sample, random));
    // The same picture for the engine's own program.
    if (!images.back().save(base + QStringLiteral(".%1.png").arg(page + 1))) return false;
  }
  if (!folidex::test::WriteImagePdf(scanPdf, images)) return false;
  // What the benchmark recognises has no text of its own.
  if (pdf.Open(scanPdf.toStdString()) != folidex::PdfOpenResult::Opened) return false;
  for (int page = 0; page < pdf.PageCount(); ++page)
    if (!pdf.PageText(page).empty()) return false;
  return pdf.PageCount() == static_cast<int>(images.size());
}

int Make(const QString& dir) {
  for (const Sample& sample : Samples()) {
    const QString base = dir + QLatin1Char('/') + sample.name;
    QStringList truth;
    for (const ScanPage& page : sample.pages) truth << Truth(page);
    if (!folidex::test::WriteScanPdf(base + QStringLiteral(".text.pdf"), sample.pages) ||
        !WriteFile(base + QStringLiteral(".truth.txt"), truth.join(QLatin1Char('\n')).toUtf8() + '\n') ||
        !Rescan(base + QStringLiteral(".text.pdf"), base + QStringLiteral(".scan.pdf"), sample, base)) {
      std::fprintf(stderr, "ocr_bench_tool: cannot write %s\n", qPrintable(base));
      return 1;
    }
    std::printf("%s %zu\n", qPrintable(sample.name), sample.pages.size());
  }
  if (!folidex::test::WriteScanPdf(dir + QStringLiteral("/load.pdf"), {{QStringLiteral("load"), false}})) return 1;
  return 0;
}

QMap<QPair<char32_t, char32_t>, int> Bigrams(const QString& text) {
  std::vector<char32_t> characters;
  for (char32_t c : text.toUcs4())
    if (!QChar::isSpace(c)) characters.push_back(c);
  QMap<QPair<char32_t, char32_t>, int> bigrams;
  for (std::size_t i = 1; i < characters.size(); ++i) ++bigrams[qMakePair(characters[i - 1], characters[i])];
  return bigrams;
}

std::vector<char32_t> Characters(const QString& text) {
  std::vector<char32_t> characters;
  for (char32_t c : text.toUcs4())
    if (!QChar::isSpace(c)) characters.push_back(c);
  return characters;
}

// Character alignment: the share of the truth's characters (white space removed) that the output
// has in the same order (the longest common subsequence).
int Alignment(const QString& truthPath, const QString& outPath) {
  QFile truthFile(truthPath), outFile(outPath);
  if (!truthFile.open(QIODevice::ReadOnly) || !outFile.open(QIODevice::ReadOnly)) return 1;
  const std::vector<char32_t> truth = Characters(QString::fromUtf8(truthFile.readAll()));
  const std::vector<char32_t> out = Characters(QString::fromUtf8(outFile.readAll()));
  std::vector<int> row(out.size() + 1, 0), next(out.size() + 1, 0);
  for (char32_t t : truth) {
    for (std::size_t j = 0; j < out.size(); ++j) next[j + 1] = t == out[j] ? row[j] + 1 : std::max(next[j], row[j + 1]);
    std::swap(row, next);
  }
  std::printf("%.3f\n", truth.empty() ? 0.0 : static_cast<double>(row.back()) / static_cast<double>(truth.size()));
  return 0;
}

int Recall(const QString& truthPath, const QString& outPath) {
  QFile truthFile(truthPath), outFile(outPath);
  if (!truthFile.open(QIODevice::ReadOnly) || !outFile.open(QIODevice::ReadOnly)) return 1;
  const auto truth = Bigrams(QString::fromUtf8(truthFile.readAll()));
  const auto out = Bigrams(QString::fromUtf8(outFile.readAll()));
  int total = 0, found = 0;
  for (auto it = truth.begin(); it != truth.end(); ++it) {
    total += it.value();
    found += std::min(it.value(), out.value(it.key()));
  }
  std::printf("%.3f\n", total ? static_cast<double>(found) / total : 0.0);
  return 0;
}

// The peak resident memory of a process in MB (VmHWM), 0 when it cannot be read.
long PeakMb(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6)) / 1024;
  return 0;
}

// How long a cancel takes to stop the recognition of a PDF's first page (rendered at `dpi`):
// in this process and in a worker process, each with its models loaded, cancelled at several
// moments of the page; and how long the page takes uncancelled.
int Cancel(const QString& pdfPath, int dpi) {
  using Clock = std::chrono::steady_clock;
  folidex::PopplerPdfEngine pdf;
  folidex::PageImage page;
  if (pdf.Open(pdfPath.toStdString()) != folidex::PdfOpenResult::Opened || !pdf.RenderPage(0, dpi, page)) return 1;
  std::printf("page %dx%d at %d dpi\n", page.width, page.height, page.dpi);
  class Stop : public folidex::RecognitionMonitor {
   public:
    std::atomic<bool> stop{false};
    bool Cancelled() override { return stop.load(); }
  };
  auto ms = [](Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); };
  for (const bool inWorker : {false, true}) {
    const char* where = inWorker ? "worker" : "in-process";
    for (const int delay : {-1, 200, 500, 800, 1200, 1600, 2000, 2400}) {
      std::unique_ptr<folidex::TextRecognizer> recognizer;
      if (inWorker)
        recognizer = std::make_unique<folidex::WorkerTextRecognizer>(folidex::RecognitionWorkerCommand(),
                                                                     folidex::WorkerLimits{});
      else
        recognizer = std::make_unique<folidex::TesseractRecognizer>();
      if (!recognizer->Check().Ready()) return 1;
      Stop monitor;
      std::u16string text;
      folidex::RecognitionStatus status = folidex::RecognitionStatus::Failed;
      const Clock::time_point begun = Clock::now();
      Clock::time_point ended;
      std::thread reading([&] {
        status = recognizer->Recognize(page, monitor, text);
        ended = Clock::now();
      });
      if (delay < 0) {
        reading.join();
        long peak = 0;
        if (inWorker) peak = PeakMb(dynamic_cast<folidex::WorkerTextRecognizer&>(*recognizer).WorkerPid());
        std::printf("%-10s whole page: %6.0f ms, %zu characters, peak %ld MB\n", where, ms(ended - begun), text.size(),
                    inWorker ? peak : PeakMb(::getpid()));
        continue;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(delay));
      const Clock::time_point cancelled = Clock::now();
      monitor.stop = true;
      reading.join();
      if (status == folidex::RecognitionStatus::Cancelled)
        std::printf("%-10s cancel at %5d ms: stopped in %6.0f ms\n", where, delay, ms(ended - cancelled));
      else
        std::printf("%-10s cancel at %5d ms: the page was read first\n", where, delay);
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  QImageReader::setAllocationLimit(1024);  // MB: a poster-size page decoded from JPEG
  const QStringList args = app.arguments();
  if (args.size() == 3 && args[1] == QStringLiteral("make")) return Make(args[2]);
  if (args.size() == 4 && args[1] == QStringLiteral("recall")) return Recall(args[2], args[3]);
  if (args.size() == 4 && args[1] == QStringLiteral("align")) return Alignment(args[2], args[3]);
  if ((args.size() == 3 || args.size() == 4) && args[1] == QStringLiteral("cancel"))
    return Cancel(args[2], args.size() == 4 ? args[3].toInt() : 300);
  std::fprintf(stderr, "usage: ocr_bench_tool make DIR | recall TRUTH OUT | align TRUTH OUT | cancel SCAN.pdf [DPI]\n");
  return 2;
}
