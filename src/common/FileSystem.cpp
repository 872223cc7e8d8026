#include "common/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>

namespace folidex {
namespace {

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

std::string TemporarySibling(const std::string& path) {
  static thread_local std::mt19937 random{std::random_device{}()};
  char suffix[32];
  std::snprintf(suffix, sizeof suffix, ".tmp%08x", static_cast<unsigned>(random()));
  return path + suffix;
}

// Writes a new file beside `path` through `produce`, then renames it over `path`.
template <typename Produce>
bool ReplaceAtomically(const std::string& path, Produce produce) {
  std::string temporary = TemporarySibling(path);
  int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = produce(fd) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (ok) ok = ::rename(temporary.c_str(), path.c_str()) == 0;
  if (!ok) ::unlink(temporary.c_str());
  return ok;
}

}  // namespace

bool IsFile(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool PathExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

bool EnsureFolders(const std::string& path) {
  if (path.empty() || path[0] != kPathSeparator) return false;
  if (path.size() > 1 && path[1] == kPathSeparator) return false;
  for (std::size_t pos = 1; pos <= path.size(); ++pos) {
    if (pos != path.size() && path[pos] != kPathSeparator) continue;
    std::string prefix = path.substr(0, pos);
    if (prefix.empty() || prefix.back() == kPathSeparator) continue;
    if (IsDirectory(prefix)) continue;
    if (::mkdir(prefix.c_str(), 0755) != 0 && !IsDirectory(prefix)) return false;
  }
  return true;
}

bool ReadFileBytes(const std::string& path, std::string& out) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  out.clear();
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) out.reserve(static_cast<std::size_t>(st.st_size));
  char buffer[65536];
  bool ok = true;
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    if (n == 0) break;
    out.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return ok;
}

bool WriteFileAtomic(const std::string& path, std::string_view data) {
  return ReplaceAtomically(path, [&](int fd) { return WriteAll(fd, data.data(), data.size()); });
}

bool CopyFileAtomic(const std::string& source, const std::string& destination) {
  int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  bool ok = ReplaceAtomically(destination, [&](int out) {
    char buffer[1 << 16];
    for (;;) {
      ssize_t n = ::read(in, buffer, sizeof buffer);
      if (n < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      if (n == 0) return true;
      if (!WriteAll(out, buffer, static_cast<std::size_t>(n))) return false;
    }
  });
  ::close(in);
  return ok;
}

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool RenameFile(const std::string& from, const std::string& to) { return ::rename(from.c_str(), to.c_str()) == 0; }

std::optional<FileStatus> StatFile(const std::string& path) {
  FileStatus status;
#if defined(STATX_BTIME)
  struct statx sx;
  if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &sx) == 0) {
    status.size = sx.stx_size;
    status.modified = sx.stx_mtime.tv_sec;
    status.created = (sx.stx_mask & STATX_BTIME) ? sx.stx_btime.tv_sec : sx.stx_ctime.tv_sec;
    return status;
  }
  return std::nullopt;
#else
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  status.size = static_cast<std::uint64_t>(st.st_size);
  status.modified = st.st_mtime;
  status.created = st.st_ctime;
  return status;
#endif
}

std::vector<std::string> ListFiles(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return names;
  while (dirent* entry = ::readdir(dir)) {
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    bool regular = entry->d_type == DT_REG;
    if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) regular = IsFile(folder + kPathSeparator + name);
    if (regular) names.push_back(std::move(name));
  }
  ::closedir(dir);
  return names;
}

}  // namespace folidex
