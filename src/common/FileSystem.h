#pragma once
// File-system helpers of the core. Paths here are native (UTF-8 on POSIX); callers convert
// CP932 paths with ToNativePath.
//
// Whole-file rewrites are atomic: a temporary file "<name>.tmp<8 hex digits>" in the same folder
// is written, flushed and renamed over the old one, so a failure leaves the old file. The new
// file keeps the replaced file's permission bits (and its owner where the process may), the
// folder is flushed after the rename, and the first rewrite of a file in a run removes that
// same file's temporaries ("<that name>.tmp<8 hex digits>") that a killed run left (older than
// a minute): never another file's, so nothing unrelated in a folder is ever touched. The store
// clears its own folders under its writer's lock (Store::LockForWriting).
//
// Files are read without blocking: a FIFO, a device or a folder under a file's name is not a
// file and is never waited on.

#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace folidex {

bool IsFile(const std::string& path);

// The program's folder of one kind below the user's own folders: `$<variable>/Orvane/Folidex`
// (XDG_CACHE_HOME for derived data, XDG_DATA_HOME for the user's data), or
// `$HOME/<homeFallback>/Orvane/Folidex` when the variable is not an absolute path. Empty when
// neither is. Nothing is created.
std::string UserProgramFolder(const char* variable, std::string_view homeFallback);
inline std::string UserCacheFolder() { return UserProgramFolder("XDG_CACHE_HOME", ".cache"); }
inline std::string UserDataFolder() { return UserProgramFolder("XDG_DATA_HOME", ".local/share"); }
bool IsDirectory(const std::string& path);
bool PathExists(const std::string& path);

// Creates every missing folder of an absolute path (the platform's separator). A relative path,
// or one that starts with two separators (a network share name), fails.
bool EnsureFolders(const std::string& path);

// What reading a whole file came to.
enum class FileRead {
  Ok,
  Missing,     // nothing of that name
  NotRegular,  // a FIFO, device, socket or folder: not read
  TooLarge,    // more than the limit given
  NoMemory,    // the bytes would not fit in memory
  Failed,      // the file exists but cannot be opened or read
};

inline constexpr std::uint64_t kNoSizeLimit = UINT64_MAX;

// The whole of a regular file (zero bytes included) into `out`; a symlink to a regular file is
// followed. More than `maxBytes` bytes is TooLarge. `out` holds nothing useful on failure.
FileRead ReadRegularFile(const std::string& path, std::string& out, std::uint64_t maxBytes = kNoSizeLimit);

// ReadRegularFile without a size limit, as a yes or no.
bool ReadFileBytes(const std::string& path, std::string& out);

// Replaces the file by `data` atomically; on failure the old file, if any, stays as it was, and
// errno tells why.
bool WriteFileAtomic(const std::string& path, std::string_view data);

// Copies the regular file `source` to `destination` atomically, replacing a file already there.
bool CopyFileAtomic(const std::string& source, const std::string& destination);
// The same, showing `seen` every block as it is written; after the last one `accept` decides
// whether the copy is published. A refused copy leaves nothing behind and returns false with
// errno 0.
bool CopyFileAtomic(const std::string& source, const std::string& destination,
                    const std::function<void(std::string_view)>& seen, const std::function<bool()>& accept);

bool RemoveFile(const std::string& path);
bool RenameFile(const std::string& from, const std::string& to);

// True for a name of the atomic rewrite's temporary files: "<name>.tmp" and eight lower-case
// hexadecimal digits.
bool IsRewriteTemporaryName(std::string_view name);

// Removes from `folder` the atomic rewrite's temporary files of the file `fileName`
// ("<fileName>.tmp<8 hex digits>") older than `minimumAgeSeconds` (regular files only, never
// through a link). Returns how many were removed.
int RemoveStaleTemporaries(const std::string& folder, std::string_view fileName, long minimumAgeSeconds = 60);

// Removes, from the folder open as `folderFd`, the regular files whose names `isTemporary`
// accepts and that are at least `minimumAgeSeconds` old at `now` (0: any age). Returns how many.
int RemoveTemporariesAt(int folderFd, bool (*isTemporary)(std::string_view name), long minimumAgeSeconds,
                        std::time_t now);

// An open file descriptor, closed when the object goes.
class FileHandle {
 public:
  FileHandle() = default;
  explicit FileHandle(int fd) : fd_(fd) {}
  ~FileHandle() { Reset(); }
  FileHandle(FileHandle&& other) noexcept : fd_(other.Release()) {}
  FileHandle& operator=(FileHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;

  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }
  int Release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void Reset(int fd = -1);

 private:
  int fd_ = -1;
};

// Writes all of `data` at the file position (a short write or EINTR goes on). False on any error.
bool WriteAll(int fd, std::string_view data);
// Writes all of `data` at `offset` (without moving the file position). False on any error.
bool WriteAllAt(int fd, std::string_view data, std::uint64_t offset);
// Reads up to `size` bytes from `offset`; fewer at the end of the file. False on a read error.
bool ReadAt(int fd, std::uint64_t offset, std::size_t size, std::string& out);

struct FileStatus {
  std::uint64_t size = 0;
  std::time_t created = 0;  // the birth time where the file system records one, else the change time
  std::time_t modified = 0;
};
std::optional<FileStatus> StatFile(const std::string& path);

// Names of the regular files in a folder, in the order the file system returns them.
std::vector<std::string> ListFiles(const std::string& folder);

constexpr char kPathSeparator =
#ifdef _WIN32
    '\\';
#else
    '/';
#endif

}  // namespace folidex
