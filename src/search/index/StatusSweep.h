#pragma once
// The status sweep of a search that asks the index: the stamp (FileStamp) of every record file
// the search walks, taken on threads of its own from the moment the walk is known, while the
// calling thread opens and asks the index. One status call per file is all a sweep costs, so it
// is spread over the machine's cores.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace folidex {

class StatusSweep {
 public:
  // Starts the sweep of `serials` (which must outlive it) under the native TXT folder
  // `txtFolder` (ending in a separator) on up to `threads` threads.
  StatusSweep(const std::string& txtFolder, const std::vector<unsigned long>& serials, int threads);
  // Stops a sweep whose stamps were not asked for (the index could not be used).
  ~StatusSweep();
  StatusSweep(const StatusSweep&) = delete;
  StatusSweep& operator=(const StatusSweep&) = delete;

  // Per serial its file's stamp, 0 when it has no status (missing, or its folder cannot be
  // opened). Waits for the sweep to end; asks `cancelled` (when given) every few tens of
  // milliseconds meanwhile, and gives nullptr, the sweep stopped, once it says so.
  const std::vector<std::uint64_t>* Stamps(const std::function<bool()>& cancelled = {});

 private:
  void Sweep(std::size_t begin, std::size_t end);
  void Join();

  const std::vector<unsigned long>& serials_;
  int folders_[100];
  std::vector<std::uint64_t> stamps_;
  std::vector<std::thread> threads_;
  std::size_t inlineBegin_ = 0;  // the part no thread took, swept by Stamps()
  std::atomic<bool> stop_{false};
  std::atomic<std::size_t> threadsDone_{0};
};

}  // namespace folidex
