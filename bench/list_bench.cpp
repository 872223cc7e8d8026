// Sorting the list: 3,000 and 100,000 rows of realistic cells, by a text column and by the
// right-aligned size column.

#include <benchmark/benchmark.h>

#include <random>

#include "common/ByteText.h"
#include "common/Progress.h"
#include "list/ListRows.h"
#include "list/ListSort.h"
#include "list/RecordRow.h"

namespace {

class QuietPrompter : public folidex::Prompter {
 public:
  folidex::Answer Show(folidex::MessageKind, const std::string&) override { return folidex::Answer::Ok; }
};

std::vector<folidex::ListRows::Row> MakeRows(int n) {
  std::mt19937 random(12345);
  std::uniform_int_distribution<int> size(100, 99'999'999);
  std::uniform_int_distribution<int> letter(0, 25);
  std::vector<folidex::ListRows::Row> rows(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    folidex::ListRows::Cells& c = rows[static_cast<std::size_t>(i)].cells;
    c[0] = std::to_string(i + 1);
    c[1] = folidex::FormatSerial(i);
    c[2] = folidex::kMarkAvailable;
    std::string title = "\x95\xf1\x8d\x90\x8f\x91 ";  // a kanji prefix shared by many titles
    for (int k = 0; k < 24; ++k) title += static_cast<char>('A' + letter(random));
    c[3] = title;
    c[4] = "author";
    c[9] = "I";
    c[11] = folidex::GroupDigits(std::to_string(size(random)));
    c[12] = folidex::GroupDigits(std::to_string(size(random) / 10));
    c[14] = "2024/01/01 10:00";
    c[15] = "/home/user/docs/" + title.substr(7) + ".pdf";
  }
  return rows;
}

void SortBench(benchmark::State& state, int column) {
  const int n = static_cast<int>(state.range(0));
  const std::vector<folidex::ListRows::Row> rows = MakeRows(n);
  folidex::ListRows list;
  QuietPrompter prompter;
  folidex::NullProgress progress;
  bool descending = false;
  for (auto _ : state) {
    state.PauseTiming();
    list.ReplaceRows(rows);
    state.ResumeTiming();
    folidex::SortList(list, column, descending ? folidex::SortOrder::Descending : folidex::SortOrder::Ascending,
                      prompter, progress);
    descending = !descending;
  }
  state.SetItemsProcessed(state.iterations() * n);
}

void BM_SortByTitle(benchmark::State& state) { SortBench(state, 3); }
void BM_SortBySize(benchmark::State& state) { SortBench(state, 11); }

BENCHMARK(BM_SortByTitle)->Arg(3000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortBySize)->Arg(3000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
