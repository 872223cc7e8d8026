// Fitting the seventeen column widths of a 100,000-row list at start-up, in the list's font:
// every cell shaped on its own (how the fit measured before) against the measure that sums the
// advances of ASCII texts and shapes each other distinct text once, and stops a column that
// reached the bound. Both must give the same widths; the run ends with the ratio of their times.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFontMetrics>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <random>

#include "SyntheticList.h"
#include "common/qt/QtText.h"
#include "common/qt/QtTextMeasure.h"
#include "list/ColumnFit.h"

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

const ListRows& List() {
  static ListRows list;
  if (list.RowCount() == 0) {
    std::mt19937 random(2024);
    std::vector<ListRows::Row> rows(kRows);
    for (long i = 0; i < kRows; ++i) rows[static_cast<std::size_t>(i)].cells = bench::SyntheticRow(i, random);
    list.ReplaceRows(std::move(rows));
  }
  return list;
}

QFontMetrics ListFont() {
  QWidget list;  // the list view's font is the application's
  return list.fontMetrics();
}

void BM_FitShaped(benchmark::State& state) {
  const ListRows& list = List();
  for (auto _ : state) {
    ShapedMeasure measure(ListFont());
    benchmark::DoNotOptimize(FitColumnWidths(measure, list, ListRows::kColumns, -1));
  }
}

void BM_FitSummed(benchmark::State& state) {
  const ListRows& list = List();
  for (auto _ : state) {
    QtTextMeasure measure(ListFont());  // a new one each time, as every fit makes
    benchmark::DoNotOptimize(FitColumnWidths(measure, list, ListRows::kColumns, -1));
  }
}

template <typename Measure>
double Seconds(std::vector<ColumnWidth>& widths) {
  const auto start = std::chrono::steady_clock::now();
  Measure measure(ListFont());
  widths = FitColumnWidths(measure, List(), ListRows::kColumns, -1);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

BENCHMARK(BM_FitShaped)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FitSummed)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  std::vector<ColumnWidth> shaped;
  std::vector<ColumnWidth> summed;
  const double before = Seconds<ShapedMeasure>(shaped);
  const double after = Seconds<QtTextMeasure>(summed);
  bool same = shaped.size() == summed.size();
  for (std::size_t i = 0; same && i < shaped.size(); ++i) same = shaped[i].width == summed[i].width;
  std::printf("column fit of %d rows: shaped %.0f ms, summed %.0f ms, %.1f times faster; widths %s\n", kRows,
              before * 1000, after * 1000, before / after, same ? "the same" : "DIFFER");
  return same ? 0 : 1;
}
