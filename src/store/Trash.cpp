#include "store/Trash.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "common/ByteText.h"
#include "common/FileSystem.h"
#include "store/RunFolders.h"
#include "store/Store.h"
#include "store/StoreLayout.h"

namespace folidex {
namespace {

namespace fs = std::filesystem;

std::string FileName(const std::string& path) { return path.substr(path.rfind(kPathSeparator) + 1); }

bool IsRegular(const std::string& path) {
  struct stat status {};
  return ::lstat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

// Both folders of a store file (TXT/PDF and its sub-folder) real folders, not links.
bool InRealFolders(const std::string& path) {
  const std::string folder = path.substr(0, path.rfind(kPathSeparator));
  const std::string top = folder.substr(0, folder.rfind(kPathSeparator));
  for (const std::string& part : {top, folder}) {
    struct stat status {};
    if (::lstat(part.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) return false;
  }
  return true;
}

}  // namespace

bool TrashRun::Move(std::string_view serial) {
  if (!IsSerialText(serial)) return false;
  const StoreWriteLock lock = store_.LockForWriting();
  if (!lock) return false;
  const std::string record = store_.RecordFilePath(serial, kKindText);
  const std::string copy = store_.RecordFilePath(serial, kKindPdf);
  if (record.empty() || !InRealFolders(record) || !IsRegular(record)) return false;
  if (folder_.empty()) folder_ = MakeRunFolder(store_, layout::kTrash, now_);
  if (folder_.empty()) return false;
  if (!RenameFile(record, folder_ + kPathSeparator + FileName(record))) return false;
  if (InRealFolders(copy) && IsRegular(copy)) RenameFile(copy, folder_ + kPathSeparator + FileName(copy));
  store_.NotifyRecordChanged(serial);
  return true;
}

RestoreOutcome RestoreFromTrash(Store& store, std::string_view serial, std::string* from) {
  if (!IsSerialText(serial)) return RestoreOutcome::NotInTrash;
  const std::string record = store.RecordFilePath(serial, kKindText);
  const std::string copy = store.RecordFilePath(serial, kKindPdf);
  if (record.empty()) return RestoreOutcome::Failed;
  std::vector<std::string> folders = RunFolders(store, layout::kTrash);
  std::reverse(folders.begin(), folders.end());  // the newest deletion first
  const auto holder = std::find_if(folders.begin(), folders.end(), [&](const std::string& folder) {
    return IsRegular(folder + kPathSeparator + FileName(record));
  });
  if (holder == folders.end()) return RestoreOutcome::NotInTrash;
  if (from) *from = *holder;

  const StoreWriteLock lock = store.LockForWriting();
  if (!lock) return RestoreOutcome::Failed;
  // The serial was handed out again (a counter moved back) or the record was put back by hand.
  if (PathExists(record) || PathExists(copy)) return RestoreOutcome::InUse;
  // The folders are made (and checked for links) as an import makes them.
  if (store.StoreFilePath(serial, kKindText).empty()) return RestoreOutcome::Failed;
  const std::string trashedCopy = *holder + kPathSeparator + FileName(copy);
  if (IsRegular(trashedCopy)) {
    if (store.StoreFilePath(serial, kKindPdf).empty() || !RenameFile(trashedCopy, copy)) return RestoreOutcome::Failed;
  }
  if (!RenameFile(*holder + kPathSeparator + FileName(record), record)) {
    if (IsRegular(copy)) RenameFile(copy, trashedCopy);  // all or nothing
    return RestoreOutcome::Failed;
  }
  store.MarkIndexPresent(serial);
  store.NotifyRecordChanged(serial);
  std::error_code error;
  if (fs::is_empty(*holder, error) && !error) fs::remove(*holder, error);
  return RestoreOutcome::Restored;
}

std::vector<TrashedRecord> TrashContents(const Store& store) {
  std::vector<TrashedRecord> records;
  for (const std::string& folder : RunFolders(store, layout::kTrash)) {
    std::vector<std::string> serials;
    for (const std::string& name : ListFiles(folder)) {
      const std::string suffix = "." + std::string(kKindText);
      if (name.size() == 8 + suffix.size() && name.compare(8, suffix.size(), suffix) == 0 &&
          IsSerialText(std::string_view(name).substr(0, 8)))
        serials.push_back(name.substr(0, 8));
    }
    std::sort(serials.begin(), serials.end());
    for (std::string& serial : serials) records.push_back({folder, std::move(serial)});
  }
  return records;
}

std::uint64_t TrashSize(const Store& store) { return RunFoldersSize(store, layout::kTrash); }

bool EmptyTrash(Store& store, int& removed) {
  removed = 0;
  const StoreWriteLock lock = store.LockForWriting();
  if (!lock) return false;
  return DropRunFolders(store, layout::kTrash, removed);
}

}  // namespace folidex
