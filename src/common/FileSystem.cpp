#include "common/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <new>
#include <random>
#include <set>

namespace folidex {
namespace {

constexpr std::string_view kTemporaryMark = ".tmp";
constexpr std::size_t kTemporaryDigits = 8;

std::string TemporarySibling(const std::string& path) {
  static thread_local std::mt19937 random{std::random_device{}()};
  char suffix[32];
  std::snprintf(suffix, sizeof suffix, ".tmp%08x", static_cast<unsigned>(random()));
  return path + suffix;
}

std::string FolderOf(const std::string& path) {
  std::size_t slash = path.rfind(kPathSeparator);
  if (slash == std::string::npos) return ".";
  return slash == 0 ? std::string(1, kPathSeparator) : path.substr(0, slash);
}

// The first rewrite of a file in this run clears that file's temporaries a killed run left;
// later ones need not look again (this run removes its own temporary files).
void RemoveStaleTemporariesOnce(const std::string& path) {
  static std::mutex mutex;
  static std::set<std::string> cleaned;
  {
    std::lock_guard lock(mutex);
    if (!cleaned.insert(path).second) return;
  }
  const std::size_t slash = path.rfind(kPathSeparator);
  if (slash == std::string::npos) return;
  RemoveStaleTemporaries(FolderOf(path), std::string_view(path).substr(slash + 1));
}

void SyncFolder(const std::string& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);  // some file systems cannot flush a folder; the rename stands either way
  ::close(fd);
}

// Writes a new file beside `path` through `produce`, then renames it over `path`.
template <typename Produce>
bool ReplaceAtomically(const std::string& path, Produce produce) {
  const std::string folder = FolderOf(path);
  RemoveStaleTemporariesOnce(path);
  struct stat old;
  const bool replacing = ::lstat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode);
  std::string temporary = TemporarySibling(path);
  int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = true;
  if (replacing) {
    // The owner first (a change of owner may clear the set-id bits), where the process may.
    if ((old.st_uid != ::geteuid() || old.st_gid != ::getegid()) && ::fchown(fd, old.st_uid, old.st_gid) != 0)
      (void)!::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
    ok = ::fchmod(fd, old.st_mode & 07777) == 0;
  }
  ok = ok && produce(fd) && ::fsync(fd) == 0;
  const int writeError = errno;
  ok = (::close(fd) == 0) && ok;
  if (!ok && writeError != 0) errno = writeError;
  if (ok) ok = ::rename(temporary.c_str(), path.c_str()) == 0;
  if (!ok) {
    const int error = errno;  // the caller reports the cause (a full disk, a read-only one)
    ::unlink(temporary.c_str());
    errno = error;
    return false;
  }
  SyncFolder(folder);
  return true;
}

FileRead ErrorToRead(int error) {
  if (error == ENOENT || error == ENOTDIR) return FileRead::Missing;
  if (error == ENXIO) return FileRead::NotRegular;  // a socket
  return FileRead::Failed;
}

}  // namespace

void FileHandle::Reset(int fd) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
}

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

FileRead ReadRegularFile(const std::string& path, std::string& out, std::uint64_t maxBytes) {
  out.clear();
  // Look before opening: opening a FIFO or a device may block or act on the device.
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return ErrorToRead(errno);
  if (!S_ISREG(st.st_mode)) return FileRead::NotRegular;
  if (static_cast<std::uint64_t>(st.st_size) > maxBytes) return FileRead::TooLarge;
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return ErrorToRead(errno);
  FileHandle file(fd);
  // The name may have been replaced since it was looked at.
  if (::fstat(fd, &st) != 0) return FileRead::Failed;
  if (!S_ISREG(st.st_mode)) return FileRead::NotRegular;
  if (static_cast<std::uint64_t>(st.st_size) > maxBytes) return FileRead::TooLarge;
  try {
    out.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
      ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n < 0) {
        if (errno == EINTR) continue;
        out.clear();
        return FileRead::Failed;
      }
      if (n == 0) break;
      if (out.size() + static_cast<std::uint64_t>(n) > maxBytes) {  // it grew while being read
        out.clear();
        return FileRead::TooLarge;
      }
      out.append(buffer, static_cast<std::size_t>(n));
    }
  } catch (const std::bad_alloc&) {
    std::string().swap(out);
    return FileRead::NoMemory;
  } catch (const std::length_error&) {
    std::string().swap(out);
    return FileRead::NoMemory;
  }
  return FileRead::Ok;
}

bool ReadFileBytes(const std::string& path, std::string& out) { return ReadRegularFile(path, out) == FileRead::Ok; }

bool WriteFileAtomic(const std::string& path, std::string_view data) {
  return ReplaceAtomically(path, [&](int fd) { return WriteAll(fd, data); });
}

bool CopyFileAtomic(const std::string& source, const std::string& destination) {
  return CopyFileAtomic(source, destination, {}, {});
}

bool CopyFileAtomic(const std::string& source, const std::string& destination,
                    const std::function<void(std::string_view)>& seen, const std::function<bool()>& accept) {
  int in = ::open(source.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (in < 0) return false;
  FileHandle input(in);
  struct stat st;
  if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) return false;
  return ReplaceAtomically(destination, [&](int out) {
    char buffer[1 << 16];
    for (;;) {
      ssize_t n = ::read(in, buffer, sizeof buffer);
      if (n < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      if (n == 0) break;
      const std::string_view block(buffer, static_cast<std::size_t>(n));
      if (seen) seen(block);
      if (!WriteAll(out, block)) return false;
    }
    if (accept && !accept()) {
      errno = 0;
      return false;
    }
    return true;
  });
}

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool RenameFile(const std::string& from, const std::string& to) { return ::rename(from.c_str(), to.c_str()) == 0; }

bool IsRewriteTemporaryName(std::string_view name) {
  const std::size_t tail = kTemporaryMark.size() + kTemporaryDigits;
  if (name.size() <= tail) return false;
  if (name.substr(name.size() - tail, kTemporaryMark.size()) != kTemporaryMark) return false;
  for (char c : name.substr(name.size() - kTemporaryDigits)) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return true;
}

int RemoveTemporariesAt(int folderFd, bool (*isTemporary)(std::string_view name), long minimumAgeSeconds,
                        std::time_t now) {
  const int fd = ::dup(folderFd);
  if (fd < 0) return 0;
  DIR* dir = ::fdopendir(fd);
  if (!dir) {
    ::close(fd);
    return 0;
  }
  int removed = 0;
  while (dirent* entry = ::readdir(dir)) {
    if (!isTemporary(entry->d_name)) continue;
    struct stat st;
    if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) continue;
    if (minimumAgeSeconds > 0 && now - st.st_mtime < minimumAgeSeconds) continue;  // perhaps being written
    if (::unlinkat(::dirfd(dir), entry->d_name, 0) == 0) ++removed;
  }
  ::closedir(dir);
  return removed;
}

int RemoveStaleTemporaries(const std::string& folder, std::string_view fileName, long minimumAgeSeconds) {
  // The folder itself is not followed when it is a link.
  FileHandle dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!dir) return 0;
  static thread_local std::string wanted;
  wanted.assign(fileName);
  return RemoveTemporariesAt(
      dir.get(),
      [](std::string_view name) {
        return name.size() == wanted.size() + kTemporaryMark.size() + kTemporaryDigits &&
               name.substr(0, wanted.size()) == wanted && IsRewriteTemporaryName(name);
      },
      minimumAgeSeconds, std::time(nullptr));
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

bool WriteAllAt(int fd, std::string_view data, std::uint64_t offset) {
  const char* p = data.data();
  std::size_t size = data.size();
  while (size > 0) {
    ssize_t n = ::pwrite(fd, p, size, static_cast<off_t>(offset));
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    size -= static_cast<std::size_t>(n);
    offset += static_cast<std::uint64_t>(n);
  }
  return true;
}

bool ReadAt(int fd, std::uint64_t offset, std::size_t size, std::string& out) {
  out.resize(size);
  std::size_t got = 0;
  while (got < size) {
    ssize_t n = ::pread(fd, out.data() + got, size - got, static_cast<off_t>(offset + got));
    if (n < 0) {
      if (errno == EINTR) continue;
      out.resize(got);
      return false;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  out.resize(got);
  return true;
}

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

std::string UserProgramFolder(const char* variable, std::string_view homeFallback) {
  std::string base;
  if (const char* own = std::getenv(variable); own && own[0] == '/') {
    base = own;
  } else if (const char* home = std::getenv("HOME"); home && home[0] == '/') {
    base = std::string(home) + "/" + std::string(homeFallback);
  } else {
    return {};
  }
  return base + "/Orvane/Folidex";
}

}  // namespace folidex
