// Finding the places of a body term in one record's stored text of 5 MB (Japanese text with a
// place every 50 kB and one at the very end), exact and folded, and in 300 pages of 17 kB each
// as a document's page texts come (normalised and folded with their map back).

#include <benchmark/benchmark.h>

#include <string>

#include "common/Cp932.h"
#include "common/Normalize.h"
#include "search/Places.h"

namespace {

std::string Text(std::size_t size) {
  const std::string line = folidex::Utf8ToCp932("日本語の文章と ｶﾀｶﾅ と English words 12345、ひらがな。");
  const std::string term = folidex::Utf8ToCp932("検索語");
  std::string text;
  text.reserve(size + line.size());
  while (text.size() < size) {
    text += line;
    if (text.size() % 50000 < line.size()) text += term;
  }
  return text + term;
}

void Places(benchmark::State& state) {
  const bool fold = state.range(0) != 0;
  const std::string text = folidex::NormalizeBodyText(Text(5 << 20));
  std::string term = folidex::Utf8ToCp932("検索語");
  if (fold) term = folidex::FoldForMatch(term);
  const folidex::PlaceMatcher matcher(term, fold, false);
  for (auto _ : state) {
    folidex::Places places;
    matcher.Collect(text, true, folidex::kUnknownPage, 3, places);
    benchmark::DoNotOptimize(places);
  }
  state.SetLabel(fold ? "5 MB stored, folded" : "5 MB stored, exact");
}
BENCHMARK(Places)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The search's own fold of the same text, for comparison.
void Fold(benchmark::State& state) {
  const std::string text = folidex::NormalizeBodyText(Text(5 << 20));
  std::string out;
  std::vector<std::uint32_t> origin;
  for (auto _ : state) {
    if (state.range(0)) {
      folidex::FoldForMatch(text, out, origin);
    } else {
      folidex::FoldForMatch(text, out);
    }
    benchmark::DoNotOptimize(out);
  }
  state.SetLabel(state.range(0) ? "5 MB fold with its map" : "5 MB fold");
}
BENCHMARK(Fold)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void PagePlaces(benchmark::State& state) {
  const std::string page = Text(17000);
  const folidex::PlaceMatcher matcher(folidex::FoldForMatch(folidex::Utf8ToCp932("検索語")), true, false);
  for (auto _ : state) {
    folidex::Places places;
    for (int p = 0; p < 300; ++p) matcher.Collect(page, false, p, 3, places);
    benchmark::DoNotOptimize(places);
  }
  state.SetLabel("300 pages of 17 kB, folded");
}
BENCHMARK(PagePlaces)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
