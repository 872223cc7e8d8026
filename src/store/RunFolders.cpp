#include "store/RunFolders.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "common/Clock.h"
#include "common/FileSystem.h"
#include "store/Store.h"

namespace folidex {
namespace {

namespace fs = std::filesystem;

bool IsRealFolder(const std::string& path) {
  struct stat status {};
  return ::lstat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

}  // namespace

bool IsRunFolderName(std::string_view name) {
  if (name.size() < 15 || name[8] != '-') return false;
  for (std::size_t k = 0; k < name.size(); ++k) {
    if (k == 8) continue;
    if (k == 15) {
      if (name[k] != '-' || name.size() == 16) return false;
      continue;
    }
    if (name[k] < '0' || name[k] > '9') return false;
  }
  return true;
}

std::string KeepFolder(const Store& store, std::string_view keep) {
  const std::string root = store.StoreRoot();
  if (root.empty()) return {};
  return root + kPathSeparator + std::string(keep);
}

std::string MakeRunFolder(const Store& store, std::string_view keep, std::time_t now) {
  const std::string root = KeepFolder(store, keep);
  if (root.empty()) return {};
  if (!PathExists(root) && ::mkdir(root.c_str(), 0777) != 0 && errno != EEXIST) return {};
  if (!IsRealFolder(root)) return {};  // never write through a symbolic link
  // One folder per run, never one an earlier run has filled.
  const std::string stamp = FormatLocalTime(now, "%Y%m%d-%H%M%S");
  for (int n = 1; n < 1000; ++n) {
    const std::string folder = root + kPathSeparator + stamp + (n == 1 ? std::string() : "-" + std::to_string(n));
    if (::mkdir(folder.c_str(), 0777) == 0) return folder;
    if (errno != EEXIST) return {};
  }
  return {};
}

std::vector<std::string> RunFolders(const Store& store, std::string_view keep) {
  std::vector<std::string> folders;
  const std::string root = KeepFolder(store, keep);
  if (root.empty() || !IsRealFolder(root)) return folders;
  std::error_code error;
  for (fs::directory_iterator it(root, error); !error && it != fs::directory_iterator(); it.increment(error)) {
    const std::string path = it->path().string();
    if (IsRunFolderName(it->path().filename().string()) && IsRealFolder(path)) folders.push_back(path);
  }
  // Names sort by time, and a "-N" run after the plain one of its second.
  std::sort(folders.begin(), folders.end(), [](const std::string& a, const std::string& b) {
    const std::size_t stampA = a.rfind(kPathSeparator) + 1, stampB = b.rfind(kPathSeparator) + 1;
    const std::string_view nameA = std::string_view(a).substr(stampA), nameB = std::string_view(b).substr(stampB);
    if (nameA.substr(0, 15) != nameB.substr(0, 15)) return nameA < nameB;
    const long n = nameA.size() > 16 ? std::stol(std::string(nameA.substr(16))) : 1;
    const long m = nameB.size() > 16 ? std::stol(std::string(nameB.substr(16))) : 1;
    return n < m;
  });
  return folders;
}

std::uint64_t RunFoldersSize(const Store& store, std::string_view keep) {
  std::uint64_t bytes = 0;
  for (const std::string& folder : RunFolders(store, keep)) {
    std::error_code error;
    for (fs::directory_iterator it(folder, error); !error && it != fs::directory_iterator(); it.increment(error))
      if (it->is_regular_file(error) && !it->is_symlink(error)) bytes += it->file_size(error);
  }
  return bytes;
}

bool DropRunFolders(const Store& store, std::string_view keep, int& removed) {
  removed = 0;
  bool all = true;
  for (const std::string& folder : RunFolders(store, keep)) {
    std::error_code error;
    fs::remove_all(folder, error);  // symbolic links inside are removed, never followed
    if (error) {
      all = false;
    } else {
      ++removed;
    }
  }
  return all;
}

}  // namespace folidex
