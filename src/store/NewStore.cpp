#include "store/NewStore.h"

#include <dirent.h>

#include <vector>

#include "common/FileSystem.h"
#include "store/StoreLayout.h"

namespace folidex {
namespace {

// The names in a folder other than "." and "..", or false when it cannot be read.
bool FolderEntries(const std::string& folder, std::vector<std::string>& names) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return false;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  closedir(dir);
  return true;
}

}  // namespace

NewStoreResult CreateNewStore(const std::string& location, bool force) {
  if (location.empty() || location[0] != kPathSeparator) return NewStoreResult::NotAbsolute;
  if (PathExists(location) && !IsDirectory(location)) return NewStoreResult::NotAFolder;
  const std::string root = location + (location.back() == kPathSeparator ? "" : "/") + std::string(layout::kRoot);
  if (IsDirectory(location)) {
    std::vector<std::string> names;
    if (!FolderEntries(location, names)) return NewStoreResult::CannotCreate;
    for (const std::string& name : names) {
      if (name != layout::kRoot) return NewStoreResult::NotEmpty;
      std::vector<std::string> inside;
      if (!force || !IsDirectory(root) || !FolderEntries(root, inside) || !inside.empty())
        return NewStoreResult::HasStore;
    }
  }
  for (std::string_view folder : {layout::kText, layout::kPdf, layout::kList})
    if (!EnsureFolders(root + "/" + std::string(folder))) return NewStoreResult::CannotCreate;
  // The counter last: a store with a counter is complete.
  if (!WriteFileAtomic(root + "/" + std::string(layout::kIndex), "") ||
      !WriteFileAtomic(root + "/" + std::string(layout::kCounter), "00000000"))
    return NewStoreResult::CannotCreate;
  return NewStoreResult::Created;
}

}  // namespace folidex
