#include "store/StoreLock.h"

#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "common/Cp932.h"
#include "common/FileSystem.h"
#include "store/Digest.h"

namespace folidex {
namespace {

constexpr std::string_view kFirstLine = "Folidex store lock";
constexpr std::size_t kMostLockBytes = 4096;

// A value of the lock file is one line of printable characters.
std::string OneLine(std::string_view value) {
  std::string line(value.substr(0, 200));
  for (char& c : line) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7f) c = ' ';
  }
  return line;
}

std::string Hex64(std::uint64_t value) {
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
  return text;
}

std::string ThisHost() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "localhost";
  return name;
}

std::string ThisUser() {
  const uid_t uid = ::getuid();
  std::string buffer(16384, '\0');
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_name)
    return found->pw_name;
  if (const char* user = std::getenv("USER"); user && *user) return user;
  return std::to_string(uid);
}

std::string DefaultSightingFolder() {
  const std::string base = UserCacheFolder();
  return base.empty() ? base : base + "/locks";
}

// The lock file's bytes, or nothing when it is not there; `error` says why it could not be read.
std::optional<std::string> ReadLockBytes(const std::string& path, bool& unreadable) {
  unreadable = false;
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) {
    if (errno == ENOENT) return std::nullopt;
    unreadable = true;
    return std::nullopt;
  }
  if (!S_ISREG(st.st_mode)) {  // a link or a folder under the lock's name is never followed
    unreadable = true;
    errno = EEXIST;
    return std::nullopt;
  }
  std::string bytes;
  switch (ReadRegularFile(path, bytes, kMostLockBytes)) {
    case FileRead::Ok:
      return bytes;
    case FileRead::Missing:
      return std::nullopt;
    case FileRead::TooLarge:
      return bytes.assign("(too large)");  // damage: judged by the two minutes' rule
    default:
      unreadable = true;
      return std::nullopt;
  }
}

}  // namespace

std::string FormatLockFile(const LockHolder& holder) {
  std::string bytes(kFirstLine);
  bytes += "\nhost=" + OneLine(holder.host);
  bytes += "\nuser=" + OneLine(holder.user);
  bytes += "\nprogram=" + OneLine(holder.program);
  bytes += "\npid=" + std::to_string(holder.pid);
  bytes += "\nrenewal=" + std::to_string(holder.renewals);
  bytes += "\nid=" + OneLine(holder.id) + "\n";
  return bytes;
}

std::optional<LockHolder> ParseLockFile(std::string_view bytes) {
  if (bytes.substr(0, kFirstLine.size()) != kFirstLine) return std::nullopt;
  LockHolder holder;
  bool havePid = false, haveHost = false;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    std::size_t end = bytes.find('\n', pos);
    if (end == std::string_view::npos) end = bytes.size();
    std::string_view line = bytes.substr(pos, end - pos);
    pos = end + 1;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view key = line.substr(0, equals);
    const std::string value(line.substr(equals + 1));
    auto number = [&](long& out) {
      char* stop = nullptr;
      errno = 0;
      const long n = std::strtol(value.c_str(), &stop, 10);
      if (value.empty() || *stop != '\0' || errno != 0 || n < 0) return false;
      out = n;
      return true;
    };
    if (key == "host") {
      holder.host = value;
      haveHost = !value.empty();
    } else if (key == "user") {
      holder.user = value;
    } else if (key == "program") {
      holder.program = value;
    } else if (key == "pid") {
      havePid = number(holder.pid) && holder.pid > 0;
    } else if (key == "renewal") {
      number(holder.renewals);
    } else if (key == "id") {
      holder.id = value;
    }
  }
  if (!havePid || !haveHost) return std::nullopt;
  return holder;
}

std::string DescribeLockHolder(const LockHolder& holder) {
  auto shown = [](const std::string& value) { return value.empty() ? std::string("?") : FromNativePath(value); };
  std::string text = Utf8ToCp932("コンピューター: ") + shown(holder.host) + "\n";
  text += Utf8ToCp932("ユーザー: ") + shown(holder.user) + "\n";
  text += Utf8ToCp932("プログラム: ") + shown(holder.program) + "\n";
  text += Utf8ToCp932("プロセスID: ") + (holder.pid > 0 ? std::to_string(holder.pid) : std::string("?")) + "\n";
  return text;
}

StoreLock::StoreLock(std::string lockPath, StoreLockOptions options)
    : path_(std::move(lockPath)), options_(std::move(options)) {
  self_.host = options_.host.empty() ? ThisHost() : options_.host;
  self_.user = options_.user.empty() ? ThisUser() : options_.user;
  self_.program = options_.program;
  self_.pid = options_.pid > 0 ? options_.pid : static_cast<long>(::getpid());
  if (options_.sightingFolder.empty()) options_.sightingFolder = DefaultSightingFolder();
}

StoreLock::~StoreLock() { Release(); }

std::time_t StoreLock::Now() const { return (options_.clock ? *options_.clock : systemClock_).Now(); }

bool StoreLock::Alive(long pid) const {
  if (options_.processAlive) return options_.processAlive(pid);
  return !(::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH);
}

std::string StoreLock::SightingPath() const {
  if (options_.sightingFolder.empty()) return {};
  return options_.sightingFolder + "/lock-" + Hex64(Fnv1a(path_));
}

bool StoreLock::IsStale(const std::string& bytes, const std::optional<LockHolder>& holder) {
  // The holder is gone: this machine, and that process no longer runs.
  if (holder && holder->host == self_.host && holder->pid != self_.pid && !Alive(holder->pid)) return true;
  // Otherwise only by our own clock: how long this machine has seen exactly these bytes.
  const std::time_t now = Now();
  const std::string sighting = SightingPath();
  if (sighting.empty()) return false;
  const std::string key = Hex64(Fnv1a(bytes));
  std::string recorded;
  if (ReadRegularFile(sighting, recorded, 256) == FileRead::Ok && recorded.size() > key.size() + 1 &&
      recorded.compare(0, key.size(), key) == 0 && recorded[key.size()] == ' ') {
    char* stop = nullptr;
    const long long first = std::strtoll(recorded.c_str() + key.size() + 1, &stop, 10);
    if (stop != recorded.c_str() + key.size() + 1 && first <= now) return now - first >= options_.staleSeconds;
    // A first sighting in our future: the clock was set back; count from now.
  }
  EnsureFolders(options_.sightingFolder);
  WriteFileAtomic(sighting, key + " " + std::to_string(static_cast<long long>(now)) + "\n");
  return false;
}

bool StoreLock::TakeOver(const std::string& staleBytes) {
  // The stale file is moved aside under a name of our own, so that two writers taking it over
  // at once cannot both remove it: only one rename finds it.
  char suffix[32];
  std::snprintf(suffix, sizeof suffix, ".stale%016llx",
                static_cast<unsigned long long>(std::random_device{}()) << 32 | std::random_device{}());
  const std::string aside = path_ + suffix;
  if (::rename(path_.c_str(), aside.c_str()) != 0) return false;
  std::string moved;
  if (ReadRegularFile(aside, moved, kMostLockBytes) == FileRead::Ok && moved != staleBytes) {
    // Someone else took it over and made it theirs in the meantime: theirs goes back.
    (void)::link(aside.c_str(), path_.c_str());
    ::unlink(aside.c_str());
    return false;
  }
  ::unlink(aside.c_str());
  return true;
}

LockResult StoreLock::TryAcquire() {
  if (held_) return LockResult::Taken;
  for (int attempt = 0; attempt < 4; ++attempt) {
    {
      std::lock_guard lock(mutex_);
      self_.renewals = 0;
      std::random_device random;
      self_.id = Hex64(static_cast<std::uint64_t>(random()) << 32 | random());
      ownBytes_ = FormatLockFile(self_);
    }
    // The lock file appears with its whole contents: written under a name of its own, then
    // linked to the lock's name, which fails when the lock exists. A run killed at any moment
    // never leaves an empty lock that names nobody. Where the file system has no hard links
    // (some network shares), it is created exclusively and written.
    bool created = false;
    const std::string draft = path_ + "." + self_.id;
    {
      FileHandle file(::open(draft.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0644));
      if (!file || !WriteAll(file.get(), ownBytes_) || ::fsync(file.get()) != 0) {
        error_ = errno;
        file.Reset();
        ::unlink(draft.c_str());
        return LockResult::Failed;
      }
    }
    if (::link(draft.c_str(), path_.c_str()) == 0) {
      created = true;
    } else if (errno != EEXIST) {
      FileHandle file(::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0644));
      if (file) {
        if (!WriteAll(file.get(), ownBytes_) || ::fsync(file.get()) != 0) {
          error_ = errno;
          file.Reset();
          ::unlink(path_.c_str());
          ::unlink(draft.c_str());
          return LockResult::Failed;
        }
        created = true;
      }
    } else {
      errno = EEXIST;
    }
    const int createError = errno;
    ::unlink(draft.c_str());
    errno = createError;
    if (created) {
      const std::string folder = path_.substr(0, path_.rfind('/'));
      FileHandle dir(::open(folder.empty() ? "/" : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
      if (dir) ::fsync(dir.get());
      held_ = true;
      lost_ = false;
      StartRenewal();
      return LockResult::Taken;
    }
    if (errno != EEXIST) {
      error_ = errno;
      return LockResult::Failed;
    }
    bool unreadable = false;
    std::optional<std::string> bytes = ReadLockBytes(path_, unreadable);
    if (unreadable) {
      error_ = errno;
      return LockResult::Failed;
    }
    if (!bytes) continue;  // released in the meantime: try again
    const std::optional<LockHolder> holder = ParseLockFile(*bytes);
    holder_ = holder.value_or(LockHolder{});
    if (!IsStale(*bytes, holder)) return LockResult::Busy;
    TakeOver(*bytes);  // then create it afresh (or find the one who was faster)
  }
  return LockResult::Busy;
}

LockResult StoreLock::Acquire() {
  LockResult result = TryAcquire();
  if (result != LockResult::Busy) return result;
  const auto begin = std::chrono::steady_clock::now();
  const auto deadline = begin + options_.wait;
  bool told = false;
  for (;;) {
    const auto now = std::chrono::steady_clock::now();
    if (!told && options_.waiting && now - begin >= options_.noticeAfter) {
      told = true;
      options_.waiting(&holder_);
    }
    if (now >= deadline) break;
    if (options_.cancelled && options_.cancelled()) {
      result = LockResult::Cancelled;
      break;
    }
    const auto step = std::min<std::chrono::steady_clock::duration>(options_.poll, deadline - now);
    std::this_thread::sleep_for(step);
    result = TryAcquire();
    if (result != LockResult::Busy) break;
  }
  if (told) options_.waiting(nullptr);
  return result;
}

bool StoreLock::Renew() {
  std::lock_guard lock(mutex_);
  if (!held_ || lost_) return false;
  bool unreadable = false;
  const std::optional<std::string> bytes = ReadLockBytes(path_, unreadable);
  if (unreadable) return true;  // a passing read failure (a share that hiccups): try again later
  if (!bytes || *bytes != ownBytes_) {
    lost_ = true;  // taken over: this writer must stop writing
    return false;
  }
  LockHolder next = self_;
  next.renewals = self_.renewals + 1;
  const std::string renewed = FormatLockFile(next);
  if (!WriteFileAtomic(path_, renewed)) return true;  // the old bytes stand; next time
  self_ = next;
  ownBytes_ = renewed;
  return true;
}

void StoreLock::StartRenewal() {
  stopping_ = false;
  renewer_ = std::thread([this] {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
      if (wake_.wait_for(lock, options_.renewal, [this] { return stopping_; })) break;
      lock.unlock();
      Renew();
      lock.lock();
    }
  });
}

void StoreLock::StopRenewal() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (renewer_.joinable()) renewer_.join();
}

void StoreLock::Release() {
  if (!held_) return;
  StopRenewal();
  std::lock_guard lock(mutex_);
  bool unreadable = false;
  const std::optional<std::string> bytes = ReadLockBytes(path_, unreadable);
  if (bytes && *bytes == ownBytes_) ::unlink(path_.c_str());  // only ours is removed
  held_ = false;
}

}  // namespace folidex
