// The list's workbook: WriteListWorkbook over 10,000 and 100,000 rows held in memory, as the
// desktop program exports its list. Counters: rows per second, and how far the process's peak
// resident memory rose while writing (the list itself is built before the peak is reset), which
// libxlsxwriter's constant-memory mode keeps flat whatever the row count.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <fstream>

#include "SyntheticList.h"
#include "list/SpreadsheetExport.h"

namespace {

long StatusKiB(const char* key) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(key, 0) == 0) return std::stol(line.substr(line.find(':') + 1));
  }
  return -1;
}

void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

void ExportBench(benchmark::State& state) {
  const long n = state.range(0);
  std::mt19937 random(17);
  folidex::ListRows list;
  std::vector<folidex::ListRows::Row> rows;
  rows.reserve(static_cast<std::size_t>(n));
  for (long i = 0; i < n; ++i) rows.push_back({folidex::bench::SyntheticRow(i, random), false});
  list.ReplaceRows(std::move(rows));
  const std::string path = "/tmp/folidex-export-bench-" + std::to_string(::getpid()) + ".xlsx";
  long rise = 0;
  for (auto _ : state) {
    ResetPeak();
    const long before = StatusKiB("VmRSS:");
    if (folidex::WriteListWorkbook(list, path, true) != folidex::WorkbookResult::Done) {
      state.SkipWithError("the workbook was not written");
      break;
    }
    rise = std::max(rise, StatusKiB("VmHWM:") - before);
  }
  ::unlink(path.c_str());
  state.counters["rows/s"] = benchmark::Counter(static_cast<double>(n), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["peak_rise_MiB"] = static_cast<double>(rise) / 1024.0;
}

}  // namespace

BENCHMARK(ExportBench)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
