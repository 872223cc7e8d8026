#include "search/index/IndexUpkeep.h"

#include "common/SettingsTable.h"
#include "search/index/SearchIndex.h"
#include "store/RecordListing.h"
#include "store/StoreLayout.h"

namespace folidex {
namespace {

void UpdateIndex(Store& store, std::string_view serial) {
  if (store.settings().GetInt(setting::Index) == 0 || !IsSerialText(serial) || serial.size() > 9) return;
  const std::string root = store.StoreRoot();
  if (root.empty()) return;
  SearchIndex::OpenResult result;
  std::unique_ptr<SearchIndex> index = SearchIndex::Open(root, result);
  if (!index) return;  // none yet, in use or to be rebuilt: the next search reads the record itself
  const std::string path = store.RecordFilePath(serial, kKindText);
  long n = 0;
  for (char c : serial) n = n * 10 + (c - '0');
  index->Update(n, path);
}

}  // namespace

void InstallIndexUpkeep() { Store::SetRecordHook(&UpdateIndex); }

std::vector<long> ListedSerials(const std::string& storeRoot) {
  RecordListing listing = ListRecordFiles(storeRoot + "/" + std::string(layout::kText));
  return listing.serials;
}

}  // namespace folidex
