#include <iostream>

#include "cli/Cli.h"
#include "common/ByteText.h"
#include "common/Cp932.h"
#include "list/RecordRow.h"
#include "search/index/IndexUpkeep.h"
#include "search/index/SearchIndex.h"

namespace folidex::cli {
namespace {

void PrintFigures(const IndexFigures& figures, const std::string& folder) {
  std::cout << Out(Filled(Msg::IndexFigures,
                          {GroupDigits(std::to_string(figures.records)), GroupDigits(std::to_string(figures.bytes)),
                           GroupDigits(std::to_string(figures.textBytes)), Utf8ToCp932(folder)}))
            << '\n';
}

int Problem(SearchIndex::OpenResult result) {
  const Msg id = result == SearchIndex::OpenResult::Missing ? Msg::IndexMissing
                 : result == SearchIndex::OpenResult::Busy  ? Msg::IndexBusy
                                                            : Msg::IndexInvalid;
  std::cerr << Out(MessageText(id)) << '\n';
  return 1;
}

}  // namespace

// index [--rebuild | --check | --drop]: the search index of the store in the user's cache folder.
// Without a flag its figures; --rebuild builds it anew from the record files, --check looks it
// over (and counts the record files changed since they were indexed), --drop removes it.
int CommandIndex(Context& context) {
  std::string mode;
  for (const std::string& arg : context.args) {
    if ((arg == "--rebuild" || arg == "--check" || arg == "--drop") && mode.empty())
      mode = arg;
    else
      return Fail("usage: folidex-cli index [--rebuild | --check | --drop]", 2);
  }
  if (int status = RequireStore(context)) return status;
  if (!context.store.CheckStoreRoot()) return 1;
  const std::string root = context.store.StoreRoot();
  const std::string folder = IndexFolderOf(root);
  if (folder.empty()) return Fail("no cache folder (XDG_CACHE_HOME or HOME)");

  if (mode == "--drop") {
    if (!SearchIndex::Drop(root)) {
      std::cerr << Out(MessageText(Msg::IndexDropFailed)) << '\n';
      return 1;
    }
    std::cout << Out(MessageText(Msg::IndexDropped)) << '\n';
    return 0;
  }
  if (mode == "--rebuild") {
    IndexFigures figures;
    if (!SearchIndex::Build(root, ListedSerials(root), nullptr, &figures)) {
      std::cerr << Out(MessageText(Msg::IndexBuildFailed)) << '\n';
      return 1;
    }
    PrintFigures(figures, folder);
    return 0;
  }
  SearchIndex::OpenResult result;
  std::unique_ptr<SearchIndex> index = SearchIndex::Open(root, result);
  if (!index) return Problem(result);
  IndexFigures figures = index->Figures();
  // The record files' bytes are the size of what the index covers now: an opened index keeps no
  // count of them, so they are added up from the files' status.
  long changed = 0;
  const std::vector<long> serials = ListedSerials(root);
  for (long serial : serials) {
    struct stat st;
    const std::string path = context.store.RecordFilePath(FormatSerial(serial), kKindText);
    const bool there = ::stat(path.c_str(), &st) == 0;
    if (there && S_ISREG(st.st_mode)) figures.textBytes += static_cast<std::uint64_t>(st.st_size);
    if (!there || FileStamp(st) != index->StampOf(serial)) ++changed;
  }
  if (mode == "--check") {
    std::string problem;
    if (!index->Check(problem)) {
      std::cerr << Out(Filled(Msg::IndexCheckFailed, {Utf8ToCp932(problem)})) << '\n';
      return 1;
    }
    for (std::size_t serial = 0; serial < index->Stamps().size(); ++serial) {
      if (index->Stamps()[serial] != 0 &&
          !std::binary_search(serials.begin(), serials.end(), static_cast<long>(serial)))
        ++changed;
    }
    PrintFigures(figures, folder);
    std::cout << Out(Filled(Msg::IndexCheckOk, {GroupDigits(std::to_string(changed))})) << '\n';
    return 0;
  }
  PrintFigures(figures, folder);
  return 0;
}

}  // namespace folidex::cli
