#pragma once
// File-system helpers of the core. Paths here are native (UTF-8 on POSIX); callers convert
// CP932 paths with ToNativePath. Whole-file rewrites are atomic: a temporary file in the same
// folder is written, flushed and renamed over the old one, so a failure leaves the old file.

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace folidex {

bool IsFile(const std::string& path);
bool IsDirectory(const std::string& path);
bool PathExists(const std::string& path);

// Creates every missing folder of an absolute path (the platform's separator). A relative path,
// or one that starts with two separators (a network share name), fails.
bool EnsureFolders(const std::string& path);

// The whole file as bytes (zero bytes included).
bool ReadFileBytes(const std::string& path, std::string& out);

// Replaces the file by `data` atomically; on failure the old file, if any, stays as it was.
bool WriteFileAtomic(const std::string& path, std::string_view data);

// Copies `source` to `destination` atomically, replacing a file already there.
bool CopyFileAtomic(const std::string& source, const std::string& destination);

bool RemoveFile(const std::string& path);
bool RenameFile(const std::string& from, const std::string& to);

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
