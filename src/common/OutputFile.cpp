#include "common/OutputFile.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "common/FileSystem.h"

namespace folidex {
namespace {

mode_t NewFileMode() {
  mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

std::string ParentFolder(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

bool NameTaken(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

std::string CreateTemporaryFileIn(const std::string& folder, std::string_view stem) {
  std::string pattern;
  pattern.reserve(folder.size() + stem.size() + 9);
  pattern.append(folder);
  if (folder.empty() || folder.back() != '/') pattern.append("/");
  pattern.append(".").append(stem).append(".XXXXXX");
  int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd < 0) return {};
  ::fchmod(fd, NewFileMode());
  ::close(fd);
  return pattern;
}

bool SyncFile(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = ::fsync(fd) == 0;
  return (::close(fd) == 0) && ok;
}

NewFileResult PublishWithoutReplacing(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return NewFileResult::Done;
  if (errno == EEXIST) return NewFileResult::Exists;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return NewFileResult::Failed;
  // A file system without the no-replace rename: a hard link fails on an existing name too.
  if (::link(from.c_str(), to.c_str()) == 0) {
    ::unlink(from.c_str());
    return NewFileResult::Done;
  }
  if (errno == EEXIST) return NewFileResult::Exists;
  // Neither (some network and FAT file systems): look, then rename.
  if (NameTaken(to)) return NewFileResult::Exists;
  return ::rename(from.c_str(), to.c_str()) == 0 ? NewFileResult::Done : NewFileResult::Failed;
}

NewFileResult WriteNewFile(const std::string& path, std::string_view bytes) {
  if (NameTaken(path)) return NewFileResult::Exists;
  std::string temporary = CreateTemporaryFileIn(ParentFolder(path), "folidex");
  if (temporary.empty()) return NewFileResult::Failed;
  int fd = ::open(temporary.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  bool ok = fd >= 0 && WriteAll(fd, bytes) && ::fsync(fd) == 0;
  if (fd >= 0) ok = (::close(fd) == 0) && ok;
  NewFileResult result = ok ? PublishWithoutReplacing(temporary, path) : NewFileResult::Failed;
  if (result != NewFileResult::Done) ::unlink(temporary.c_str());
  return result;
}

}  // namespace folidex
