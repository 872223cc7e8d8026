// The duplicate check's grouping over 100,000 stored fingerprints (every position visited: a few
// groups spread over the whole range, the rest unique), with the pairwise comparison of every
// fingerprint with every later one at smaller sizes for comparison.

#include <benchmark/benchmark.h>

#include <random>

#include "common/Progress.h"
#include "list/DuplicateCheck.h"

namespace {

struct Fingerprints {
  std::vector<std::string> fp;
  std::vector<long> serials;
};

Fingerprints Make(int n) {
  std::mt19937_64 random(42);
  static constexpr char kHex[] = "0123456789ABCDEF";
  Fingerprints data;
  data.fp.resize(static_cast<std::size_t>(n));
  data.serials.resize(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    data.serials[i] = i;
    if (i % 50 == 7) continue;  // records without a readable PDF
    std::string& f = data.fp[i];
    f.resize(64);
    for (char& c : f) c = kHex[random() & 15];
  }
  // 25 groups of three, their positions spread over the whole range.
  for (int g = 0; g < 25; ++g) {
    int first = g * (n / 25) + 1;
    data.fp[(first + n / 3) % n] = data.fp[first];
    data.fp[(first + 2 * n / 3) % n] = data.fp[first];
  }
  return data;
}

void BM_GroupFingerprints(benchmark::State& state) {
  Fingerprints data = Make(static_cast<int>(state.range(0)));
  folidex::NullProgress progress;
  for (auto _ : state) {
    folidex::DuplicateGrouping grouping = folidex::GroupFingerprints(data.fp, data.serials, 0, progress);
    if (grouping.groups != 25) state.SkipWithError("unexpected groups");
    benchmark::DoNotOptimize(grouping);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_GroupFingerprints)->Arg(3'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

// Every fingerprint against every later unmarked one.
void BM_PairwiseGrouping(benchmark::State& state) {
  Fingerprints data = Make(static_cast<int>(state.range(0)));
  const int m = static_cast<int>(data.fp.size());
  for (auto _ : state) {
    std::vector<char> marked(m, 0);
    int groups = 0;
    for (int h = 0; h < m; ++h) {
      if (data.fp[h].empty()) continue;
      bool found = false;
      for (int i = h + 1; i < m; ++i)
        if (!marked[i] && data.fp[i] == data.fp[h]) marked[i] = 1, found = true;
      groups += found;
    }
    benchmark::DoNotOptimize(groups);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_PairwiseGrouping)->Arg(3'000)->Arg(10'000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
