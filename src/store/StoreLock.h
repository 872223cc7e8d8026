#pragma once
// The writer's lock of a store: the file DOCDATA/.lock. One writer at a time, across sessions,
// users and computers; readers never take it.
//
// The file is a few text lines naming its holder:
//
//   Folidex store lock
//   host=<host name>
//   user=<user name>
//   program=<program>
//   pid=<process id>
//   renewal=<count>
//   id=<16 hexadecimal digits, random per taking>
//
// It is created exclusively and flushed, rewritten (renewal+1, atomic replace) every twenty
// seconds while it is held, and removed on release when it is still ours. A lock is taken over
// when its holder is gone — the same host and that process no longer runs — at once, or when
// its bytes have not changed for two minutes of this machine's own clock (a crashed other
// computer). Another computer's clock is never compared with ours: no modification time is
// looked at. Since a writer waits only ten seconds, the moment this machine first saw a given
// lock content is remembered across runs in a small file per store in the user's cache folder.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "common/Clock.h"

namespace folidex {

// Who holds a lock, as its file says.
struct LockHolder {
  std::string host, user, program;
  long pid = 0;
  long renewals = 0;
  std::string id;
};

// The lock file's bytes for a holder, and the holder of lock-file bytes (nothing for bytes that
// are not a lock file: a damaged or half-written one).
std::string FormatLockFile(const LockHolder& holder);
std::optional<LockHolder> ParseLockFile(std::string_view bytes);

// How a lock behaves; every field has a default for the real program, tests inject their own.
struct StoreLockOptions {
  std::string program = "folidex";
  std::string host;                            // empty: this machine's host name
  std::string user;                            // empty: this process's user
  long pid = 0;                                // 0: this process
  const Clock* clock = nullptr;                // nothing: the system clock
  std::function<bool(long pid)> processAlive;  // nothing: kill(pid, 0) does not say ESRCH
  std::string sightingFolder;                  // empty: $XDG_CACHE_HOME/Orvane/Folidex/locks
  std::chrono::milliseconds wait{10'000};      // how long a writer waits for a held lock
  std::chrono::milliseconds poll{200};         // how often it looks again meanwhile
  std::chrono::milliseconds renewal{20'000};   // how often a held lock is rewritten
  long staleSeconds = 120;                     // unchanged this long (our clock): taken over
  // Told when a writer has waited `noticeAfter` for a lock held by `holder`, and with nothing
  // when that wait ends (taken or given up): a line on stderr, the wait cursor. A short wait
  // (the other writer was storing one file) goes unannounced.
  std::function<void(const LockHolder* holder)> waiting;
  std::chrono::milliseconds noticeAfter{1'000};
  // Asked between polls: true ends the wait at once (Cancelled).
  std::function<bool()> cancelled;
};

enum class LockResult {
  Taken,      // the lock is ours
  Busy,       // someone else holds it (Holder() names them)
  Failed,     // the lock file cannot be made or read (Error() is errno)
  Cancelled,  // the wait was cancelled (an interrupt); nothing was taken
};

class StoreLock {
 public:
  StoreLock(std::string lockPath, StoreLockOptions options);
  ~StoreLock();
  StoreLock(const StoreLock&) = delete;
  StoreLock& operator=(const StoreLock&) = delete;

  // Takes the lock, waiting up to options.wait while someone else holds it.
  LockResult Acquire();
  // One attempt, with the takeover of a stale lock; never waits.
  LockResult TryAcquire();
  // Removes the lock file when it is still ours, and stops the renewal.
  void Release();

  bool Held() const { return held_; }
  // True when a renewal found the file no longer ours (taken over): nothing more may be written.
  bool Lost() const { return lost_.load(); }
  // One renewal (the renewal thread's step): renewal+1, atomic replace. False when the file is
  // no longer ours.
  bool Renew();

  // The holder found by the last attempt that came to Busy.
  const LockHolder& Holder() const { return holder_; }
  int Error() const { return error_; }
  const std::string& Path() const { return path_; }
  // The bytes this lock last wrote (while held).
  const std::string& OwnBytes() const { return ownBytes_; }

  // The sighting file of this lock (in options.sightingFolder).
  std::string SightingPath() const;

 private:
  std::time_t Now() const;
  bool Alive(long pid) const;
  // True when lock bytes `bytes` may be taken over.
  bool IsStale(const std::string& bytes, const std::optional<LockHolder>& holder);
  bool TakeOver(const std::string& staleBytes);
  void StartRenewal();
  void StopRenewal();

  std::string path_;
  StoreLockOptions options_;
  SystemClock systemClock_;
  LockHolder self_;
  LockHolder holder_;
  std::string ownBytes_;
  int error_ = 0;
  bool held_ = false;
  std::atomic<bool> lost_{false};

  std::mutex mutex_;  // guards ownBytes_ and self_.renewals between the thread and Release
  std::condition_variable wake_;
  bool stopping_ = false;
  std::thread renewer_;
};

// A holder for a message: host, user, program and process id, a line each (CP932).
std::string DescribeLockHolder(const LockHolder& holder);

}  // namespace folidex
