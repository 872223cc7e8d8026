// index_phases: the parts of an indexed search timed one by one in one process, for the search
// index benchmark (index_bench.sh): the TXT folders' listing, the status sweep, opening the index
// (Groonga and the stamps), asking it for a body term, and closing it. The listing is timed
// twice: every folder read, and as an indexed search lists them (unchanged folders remembered).
//
//   index_phases STORE_DOCDATA TERM... (terms UTF-8; the index is found under $XDG_CACHE_HOME;
//   INDEX_PHASES_THREADS sets the sweep's helper threads, default 2)

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "common/Cp932.h"
#include "search/index/IndexText.h"
#include "search/index/SearchIndex.h"
#include "search/index/StatusSweep.h"
#include "store/RecordListing.h"

namespace {

double Since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: index_phases STORE_DOCDATA TERM...\n");
    return 2;
  }
  const std::string root = argv[1];
  auto start = std::chrono::steady_clock::now();
  const folidex::RecordListing listing = folidex::ListRecordFiles(root + "/TXT");
  std::printf("listing %zu files: %.1f ms\n", listing.serials.size(), Since(start));
  const std::string memo = folidex::IndexFolderOf(root) + "/listing";
  start = std::chrono::steady_clock::now();
  const folidex::RecordListing remembered = folidex::ListRecordFilesRemembered(root + "/TXT", memo);
  std::printf("listing remembered beside the index: %.1f ms%s\n", Since(start),
              remembered.serials == listing.serials ? "" : " (differs!)");
  std::vector<unsigned long> serials(listing.serials.begin(), listing.serials.end());
  start = std::chrono::steady_clock::now();
  {
    const char* threads = std::getenv("INDEX_PHASES_THREADS");
    folidex::StatusSweep sweep(root + "/TXT/", serials, threads ? std::atoi(threads) : 2);
    sweep.Stamps();
  }
  std::printf("sweep: %.1f ms\n", Since(start));
  start = std::chrono::steady_clock::now();
  folidex::SearchIndex::OpenResult result;
  std::unique_ptr<folidex::SearchIndex> index = folidex::SearchIndex::Open(root, result);
  std::printf("open: %.1f ms%s\n", Since(start), index ? "" : " (not opened)");
  if (!index) return 1;
  for (int a = 2; a < argc; ++a) {
    const std::vector<std::string> pieces = folidex::QueryPieces(folidex::Utf8ToCp932(argv[a]), false);
    for (int round = 0; round < 3; ++round) {
      start = std::chrono::steady_clock::now();
      const auto found = index->Find(folidex::IndexColumn::Body, pieces);
      std::printf("find %s (round %d): %zu candidates, %.2f ms\n", argv[a], round + 1, found ? found->size() : 0,
                  Since(start));
    }
  }
  start = std::chrono::steady_clock::now();
  index.reset();
  std::printf("close: %.1f ms\n", Since(start));
  return 0;
}
