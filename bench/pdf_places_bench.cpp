// The PDF pane with a 300-page Japanese PDF (drawn here): opening it at page 1, and opening it at
// a term's first place with that place highlighted (the difference is what a hit costs beyond
// opening the document), for a term first found early (page 4, then on every tenth page) and one
// found only late (page 291), also with its page known; and the engine's text of every page,
// what finding all the places cannot go below.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFont>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfWriter>
#include <QTemporaryDir>

#include "common/Cp932.h"
#include "common/Normalize.h"
#include "html/CPdfPane.h"
#include "html/qt/PdfPlaces.h"
#include "search/Places.h"

using namespace folidex;

namespace {

const QString& Document() {
  static QTemporaryDir dir;
  static QString path;
  if (!path.isEmpty()) return path;
  // A real document instead, when one is named (its own terms then: FOLIDEX_BENCH_TERMS=early,late).
  path = qEnvironmentVariable("FOLIDEX_BENCH_PDF");
  if (!path.isEmpty()) return path;
  path = dir.filePath(QStringLiteral("300.pdf"));
  QPdfWriter writer(path);
  writer.setPageSize(QPageSize(QPageSize::A4));
  writer.setResolution(150);
  QPainter painter(&writer);
  QFont font(QStringLiteral("Noto Sans CJK JP"));
  font.setPointSize(10);
  painter.setFont(font);
  const QString line = QString::fromUtf8("日本語の文章が続く段落です。English words and numbers 12345 も入ります。");
  for (int page = 0; page < 300; ++page) {
    if (page > 0) writer.newPage();
    for (int k = 0; k < 40; ++k) {
      QString text = line;
      if (page % 10 == 3 && k == 20) text += QString::fromUtf8("契約条項");
      if (page == 290 && k == 30) text += QString::fromUtf8("解約条項");
      painter.drawText(60, 80 + k * 40, text);
    }
  }
  return path;
}

void BM_OpenAtPageOne(benchmark::State& state) {
  const QString path = Document();
  CPdfPane pane;
  pane.resize(600, 800);
  pane.show();
  for (auto _ : state) {
    QString error;
    pane.Open(path, QStringLiteral("300.pdf"), &error);
    QApplication::processEvents();
  }
}
BENCHMARK(BM_OpenAtPageOne)->Unit(benchmark::kMillisecond);

void BM_PageTexts(benchmark::State& state) {
  QPdfDocument document;
  document.load(Document());
  for (auto _ : state)
    for (int page = 0; page < document.pageCount(); ++page) benchmark::DoNotOptimize(document.getAllText(page));
}
BENCHMARK(BM_PageTexts)->Unit(benchmark::kMillisecond);

std::string Term(const benchmark::State& state) {
  const QStringList named = qEnvironmentVariable("FOLIDEX_BENCH_TERMS").split(QLatin1Char(','));
  if (named.size() == 2) return named[state.range(0) == 0 ? 0 : 1].toStdString();
  return state.range(0) == 0 ? "契約" : "解約";
}

void BM_OpenAtFirstPlace(benchmark::State& state) {
  const QString path = Document();
  CPdfPane pane;
  pane.resize(600, 800);
  pane.show();
  PdfPlaces places(pane);
  const PlaceMatcher matcher(FoldForMatch(Utf8ToCp932(Term(state))), true, false);
  for (auto _ : state) {
    QString error;
    pane.Open(path, QStringLiteral("300.pdf"), &error);
    places.Show(matcher, state.range(1));
    while (places.Current() < 0 && !places.Complete()) QApplication::processEvents();
    QApplication::processEvents();
  }
  state.SetLabel(std::string(state.range(0) == 0 ? "early term" : "late term") +
                 (state.range(1) > 0 ? ", its page known" : ""));
}
// The late term's page known (the list found the row's places in the document's pages).
BENCHMARK(BM_OpenAtFirstPlace)->Args({0, 0})->Args({1, 0})->Args({1, 290})->Unit(benchmark::kMillisecond);

// Until every page is read and the number of places in all is known.
void BM_AllPlacesKnown(benchmark::State& state) {
  const QString path = Document();
  CPdfPane pane;
  pane.resize(600, 800);
  pane.show();
  PdfPlaces places(pane);
  const PlaceMatcher matcher(FoldForMatch(Utf8ToCp932(Term(state))), true, false);
  for (auto _ : state) {
    QString error;
    pane.Open(path, QStringLiteral("300.pdf"), &error);
    places.Show(matcher);
    while (!places.Complete()) QApplication::processEvents();
  }
  state.SetLabel(std::to_string(places.Count()) + " places");
}
BENCHMARK(BM_AllPlacesKnown)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
