// Fitting the seventeen column widths of a 100,000-row list at start-up, in the list's font:
//   - every cell measured in row order, each shaped on its own (the first fit);
//   - every cell measured in row order, ASCII texts summed and other texts shaped once each;
//   - the fit as it is: each cell bounded without layout, only the texts that can be the widest
//     measured.
// All must give the same widths; the run ends with the ratios of their times.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFontMetrics>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>

#include "SyntheticList.h"
#include "common/qt/QtText.h"
#include "common/qt/QtTextMeasure.h"
#include "list/ColumnFit.h"
#include "list/RecordRow.h"

using namespace folidex;

namespace {

constexpr int kRows = 100'000;

// Every text shaped: QFontMetrics::horizontalAdvance of the whole cell.
class ShapedMeasure : public TextMeasure {
 public:
  explicit ShapedMeasure(const QFontMetrics& metrics) : metrics_(metrics) {}
  int TextWidth(const std::string& cp932) const override { return metrics_.horizontalAdvance(ToQString(cp932)); }

 private:
  QFontMetrics metrics_;
};

// The fit that measures every cell, in row order, until a column reaches the bound.
std::vector<ColumnWidth> FitEveryCell(const TextMeasure& measure, const ListRows& list) {
  std::vector<ColumnWidth> widths;
  for (int i = 0; i < ListRows::kColumns; ++i) {
    const int margins = (i == 0 ? 20 : 0) + 15;
    const int enough = kMaxFittedColumnWidth - margins;
    int width = measure.TextWidth(ListColumnTitle(i));
    for (int row = 0; row < list.RowCount() && width < enough; ++row) {
      const std::string& text = list.Cell(row, i);
      if (!text.empty()) width = std::max(width, measure.TextWidth(text));
    }
    widths.push_back({i, std::min(width + margins, kMaxFittedColumnWidth)});
  }
  return widths;
}

// kRows rows made by `row`, the same ones at every call.
template <typename MakeRow>
ListRows MakeList(unsigned seed, const MakeRow& row) {
  ListRows list;
  std::mt19937 random(seed);
  std::vector<ListRows::Row> rows(kRows);
  for (long i = 0; i < kRows; ++i) rows[static_cast<std::size_t>(i)].cells = row(i, random);
  list.ReplaceRows(std::move(rows));
  return list;
}

const ListRows& List() {
  static const ListRows list = MakeList(2024, bench::SyntheticRow);
  return list;
}

// Rows whose Japanese cells are all different, as real titles, names and file names are.
const ListRows& DistinctList() {
  static const ListRows list = MakeList(2025, bench::DistinctRow);
  return list;
}

QFontMetrics ListFont() {
  QWidget list;  // the list view's font is the application's
  return list.fontMetrics();
}

void BM_FitEveryCellShaped(benchmark::State& state) {
  const ListRows& list = List();
  for (auto _ : state) {
    ShapedMeasure measure(ListFont());
    benchmark::DoNotOptimize(FitEveryCell(measure, list));
  }
}

void BM_FitEveryCellSummed(benchmark::State& state) {
  const ListRows& list = List();
  for (auto _ : state) {
    QtTextMeasure measure(ListFont());  // a new one each time, as every fit makes
    benchmark::DoNotOptimize(FitEveryCell(measure, list));
  }
}

void BM_FitBounded(benchmark::State& state) {
  const ListRows& list = List();
  for (auto _ : state) {
    QtTextMeasure measure(ListFont());
    benchmark::DoNotOptimize(FitColumnWidths(measure, list, ListRows::kColumns, -1));
  }
}

template <typename Fit>
double Seconds(std::vector<ColumnWidth>& widths, const Fit& fit) {
  const auto start = std::chrono::steady_clock::now();
  widths = fit();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool Same(const std::vector<ColumnWidth>& a, const std::vector<ColumnWidth>& b) {
  bool same = a.size() == b.size();
  for (std::size_t i = 0; same && i < a.size(); ++i) same = a[i].width == b[i].width;
  return same;
}

}  // namespace

BENCHMARK(BM_FitEveryCellShaped)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FitEveryCellSummed)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FitBounded)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  bool same = true;
  for (const auto& [name, list] : {std::pair("synthetic", &List()), std::pair("distinct", &DistinctList())}) {
    std::vector<ColumnWidth> shaped;
    std::vector<ColumnWidth> summed;
    std::vector<ColumnWidth> bounded;
    const double first = Seconds(shaped, [&] { return FitEveryCell(ShapedMeasure(ListFont()), *list); });
    const double last = Seconds(summed, [&] { return FitEveryCell(QtTextMeasure(ListFont()), *list); });
    const double now =
        Seconds(bounded, [&] { return FitColumnWidths(QtTextMeasure(ListFont()), *list, ListRows::kColumns, -1); });
    const bool alike = Same(shaped, summed) && Same(shaped, bounded);
    std::printf(
        "column fit of %d %s rows: every cell shaped %.0f ms, every cell summed %.0f ms, bounded %.0f ms"
        " (%.1f and %.1f times faster); widths %s\n",
        kRows, name, first * 1000, last * 1000, now * 1000, first / now, last / now, alike ? "the same" : "DIFFER");
    same = same && alike;
  }
  return same ? 0 : 1;
}
