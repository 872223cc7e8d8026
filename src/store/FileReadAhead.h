#pragma once
// Read-ahead for a walk over many small files (the search's scan, the duplicate check over the
// whole store). A cold walk waits on one read after another: it is bound by the reads in flight,
// not by the cores. While the walk works on its k-th file, hint threads open the files after it,
// up to k + window, ask the kernel to bring them into the page cache (posix_fadvise WILLNEED,
// which starts the reads without waiting for them) and close them again; the walk then finds its
// files in memory. Opening a file whose inode is not cached waits, so several threads hint at
// once, more than there are cores: they wait on the disk, not on the processor.
//
// Nothing the walk observes changes: the hints only read, in the order of the walk, and a file
// that cannot be opened is passed over (the walk's own open tells what it is).
//
// On a warm cache the hints are only cost (three system calls a file). A walk that can tell when
// a read of its own found its file not in memory says so (Missed); such a walk is hinted only
// while that happened within the last few thousand files, so a warm walk stops hinting soon
// after its start, and a cold one, or one that turns cold, is hinted throughout.

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace folidex {

// Files hinted ahead of the walk.
inline constexpr std::size_t kReadAheadWindow = 1024;
// A walk that reports its misses is hinted while the last one lies less than this many files
// behind it.
inline constexpr std::size_t kReadAheadQuiet = 4096;

// Hint threads a walk uses: 16, or as FOLIDEX_READ_AHEAD says (0 turns the hints off, for
// measuring what they bring).
int ReadAheadThreads();

class FileReadAhead {
 public:
  // The walk's files are 0 .. count-1; `pathOf(k)` names the k-th (native), and is called on the
  // hint threads, so it may only read data that stays unchanged. With `threads` 0 (or a thread
  // that cannot be started) nothing is hinted and the walk reads as it would without.
  // `adaptive`: the walk reports its misses, and is hinted only near them.
  FileReadAhead(std::size_t count, std::function<std::string(std::size_t)> pathOf, int threads = ReadAheadThreads(),
                std::size_t window = kReadAheadWindow, bool adaptive = false);
  // Stops the threads; each finishes at most the one file it holds.
  ~FileReadAhead();
  FileReadAhead(const FileReadAhead&) = delete;
  FileReadAhead& operator=(const FileReadAhead&) = delete;

  // The walk has come to file k: the threads hint up to k + window. Cheap enough to call for
  // every file (it wakes the threads only when a good part of the window has become free).
  void Reached(std::size_t k);

  // A read of the walk's file k had to wait for the disk (any thread may say so).
  void Missed(std::size_t k);

  // The files before this one have been hinted, or passed over because the walk was past them.
  std::size_t Hinted() const;

 private:
  void Loop();

  const std::size_t count_;
  const std::function<std::string(std::size_t)> pathOf_;
  const std::size_t window_;
  const bool adaptive_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::vector<std::thread> threads_;
  std::size_t next_ = 0;      // the next file to hint
  std::size_t reached_ = 0;   // the walk's position
  std::size_t told_ = 0;      // the position the threads were last woken for (the walk's own)
  std::size_t lastMiss_ = 0;  // the walk's last miss (at first the start: nothing is known yet)
  bool stop_ = false;
};

}  // namespace folidex
