#include "store/StoreLocation.h"

#include "common/Cp932.h"
#include "common/FileSystem.h"

namespace folidex {

bool IsAbsoluteFolderText(const std::string& path) {
  return !path.empty() && path[0] == kPathSeparator && !(path.size() > 1 && path[1] == kPathSeparator);
}

bool ChangeStoreLocation(const NativePath& location, Store& store, Settings& settings, Prompter& prompter,
                         Progress& progress) {
  NativePath root = location;
  if (!root.empty() && root.str().back() != kPathSeparator) root += kPathSeparator;
  root += "DOCDATA";
  if (!IsAbsoluteFolderText(location)) {
    // No store can live there: keep the current one rather than count from nothing.
    prompter.Error(Msg::FilePathRequired);
    return false;
  }
  const NativePath txt = root + kPathSeparator + "TXT";
  long next = 0;
  if (IsDirectory(txt)) {
    WaitCursor wait(progress);
    next = Store::ScanNextSerial(txt);
  } else if (!EnsureFolders(root)) {
    // The counter would restart at 0 for a store that does not exist: refuse the change.
    prompter.Error(Msg::StoreFolderCreateFailed, FromNativePath(root) + "\n");
    return false;
  }
  store.WriteSerialCounter(next);
  store.SetLocation(location);
  settings.SetPath(setting::StorePath, location);
  return true;
}

}  // namespace folidex
