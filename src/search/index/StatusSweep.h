#pragma once
// The status sweep of a search that asks the index: the stamp (FileStamp) of every record file
// the search walks, taken on threads of its own from the moment the walk is known, while the
// calling thread opens and asks the index, and then joins in. One status call per file is all a
// sweep costs, so it is spread over the machine's cores in slices that whoever is free takes.
// A status that has to come from the disk (a cold store) waits for it instead of using a core:
// when the first slice shows that, more threads join, so that more of them are in flight.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace folidex {

class StatusSweep {
 public:
  // Starts the sweep of `serials` (which must outlive it) under the native TXT folder
  // `txtFolder` (ending in a separator) on up to `threads` threads.
  // `coldThreads` (at least `threads`) is how many sweep once the first slice has waited for
  // the disk: read more than `coldBlocks` blocks of 512 bytes (-1: every sweep counts as cold).
  StatusSweep(const std::string& txtFolder, const std::vector<unsigned long>& serials, int threads, int coldThreads = 8,
              long coldBlocks = 64);
  // Stops a sweep whose stamps were not asked for (the index could not be used).
  ~StatusSweep();
  StatusSweep(const StatusSweep&) = delete;
  StatusSweep& operator=(const StatusSweep&) = delete;

  // Per serial its file's stamp, 0 when it has no status (missing, or its folder cannot be
  // opened). Sweeps what is left alongside the threads and waits for them; asks `cancelled`
  // (when given) between slices and every few tens of milliseconds while waiting, and gives
  // nullptr, the sweep stopped, once it says so.
  const std::vector<std::uint64_t>* Stamps(const std::function<bool()>& cancelled = {});

 private:
  void Sweep(std::size_t begin, std::size_t end);
  // Sweeps the next slice nobody took; false when none is left (or the sweep is stopped).
  bool SweepSlice();
  void Join();

  const std::vector<unsigned long>& serials_;
  int folders_[100];
  std::vector<std::uint64_t> stamps_;
  std::vector<std::thread> threads_;
  // Started by the first helper when its first slice waited for the disk (under mutex_); joined
  // after the helpers, so none is added meanwhile.
  std::vector<std::thread> coldThreads_;
  std::size_t coldWanted_ = 0;
  long coldBlocks_;
  std::size_t slices_ = 0;
  std::atomic<std::size_t> nextSlice_{0};
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::condition_variable sliceDone_;
  std::size_t slicesDone_ = 0;  // under mutex_
};

}  // namespace folidex
