#include "search/index/IndexUpkeep.h"

#include "common/ByteText.h"
#include "common/Messages.h"
#include "common/SettingsTable.h"
#include "list/RecordRow.h"
#include "search/index/SearchIndex.h"
#include "store/RecordListing.h"
#include "store/StoreLayout.h"

namespace folidex {
namespace {

// The index a batch keeps open, and the store it is of.
int batches = 0;
std::unique_ptr<SearchIndex> batchIndex;
std::string batchRoot;

void UpdateIndex(Store& store, std::string_view serial) {
  if (store.settings().GetInt(setting::Index) == 0 || !IsSerialText(serial) || serial.size() > 9) return;
  const std::string root = store.StoreRoot();
  if (root.empty()) return;
  std::unique_ptr<SearchIndex> own;
  SearchIndex* index = nullptr;
  if (batches > 0 && batchIndex && batchRoot == root) {
    index = batchIndex.get();
  } else {
    SearchIndex::OpenResult result;
    own = SearchIndex::Open(root, result);
    if (!own) return;  // none yet, in use or to be rebuilt: the next search reads the record itself
    index = own.get();
    if (batches > 0) {
      batchIndex = std::move(own);
      batchRoot = root;
    }
  }
  const std::string path = store.RecordFilePath(serial, kKindText);
  long n = 0;
  for (char c : serial) n = n * 10 + (c - '0');
  index->Update(n, path);
}

}  // namespace

void InstallIndexUpkeep() { Store::SetRecordHook(&UpdateIndex); }

IndexBatch::IndexBatch() { ++batches; }
IndexBatch::~IndexBatch() {
  if (--batches == 0) batchIndex.reset();
}

std::vector<long> ListedSerials(const std::string& storeRoot) {
  RecordListing listing = ListRecordFiles(storeRoot + "/" + std::string(layout::kText));
  return listing.serials;
}

bool IndexNeedsBuild(const std::string& storeRoot) {
  SearchIndex::OpenResult result;
  std::unique_ptr<SearchIndex> index = SearchIndex::Open(storeRoot, result);
  return result == SearchIndex::OpenResult::Missing || result == SearchIndex::OpenResult::Invalid;
}

bool BuildIndexWithProgress(Store& store, Progress& progress, const std::function<bool()>& cancelled) {
  const std::string root = store.StoreRoot();
  if (root.empty()) return false;
  bool stopped = false;
  auto shown = [&](const SearchIndex::BuildProgress& step) {
    if (step.finishingPercent >= 0) {
      const std::string percent = std::to_string(step.finishingPercent);
      progress.SetPaneText(StatusPane::Url, ReplaceAllCp932(MessageText(Msg::IndexFinishing), "%1", percent));
      progress.SetProgressBar(step.finishingPercent);
    } else {
      const std::string done = GroupDigits(std::to_string(step.read)), total = GroupDigits(std::to_string(step.total));
      progress.SetPaneText(StatusPane::Url,
                           ReplaceAllCp932(ReplaceAllCp932(MessageText(Msg::IndexBuilding), "%1", done), "%2", total));
      progress.SetProgressBar(step.total > 0 ? static_cast<int>(step.read * 100 / step.total) : 0);
    }
    progress.Repaint();
    if (cancelled && cancelled()) stopped = true;
    return !stopped;
  };
  const bool built = SearchIndex::Build(root, ListedSerials(root), shown);
  progress.SetProgressBar(0);
  progress.SetPaneText(StatusPane::Url,
                       built ? std::string() : MessageText(stopped ? Msg::IndexBuildCancelled : Msg::IndexBuildFailed));
  progress.Repaint();
  return built;
}

}  // namespace folidex
