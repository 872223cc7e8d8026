#include "search/index/StatusSweep.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "search/index/SearchIndex.h"

namespace folidex {

namespace {
constexpr std::size_t kSlice = 2048;
// A slice is cold when the thread read blocks for it (by default more than eight inode table
// blocks of 4 KB): told by the thread's own count of blocks read, not by its time, which a busy
// machine stretches as well.
long BlocksReadByThread() {
  struct rusage usage;
  return ::getrusage(RUSAGE_THREAD, &usage) == 0 ? usage.ru_inblock : 0;
}
}  // namespace

StatusSweep::StatusSweep(const std::string& txtFolder, const std::vector<unsigned long>& serials, int threads,
                         int coldThreads, long coldBlocks)
    : serials_(serials), stamps_(serials.size(), 0), coldBlocks_(coldBlocks) {
  for (int k = 0; k < 100; ++k) {
    const char name[3] = {static_cast<char>('0' + k / 10), static_cast<char>('0' + k % 10), '\0'};
    folders_[k] = ::open((txtFolder + name).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  }
  // Slices of a few thousand files: a slice costs more than a few calls to hand out, and a thread
  // more than a few hundred.
  const std::size_t n = serials.size();
  slices_ = (n + kSlice - 1) / kSlice;
  const std::size_t helpers = std::min<std::size_t>(slices_ / 2, static_cast<std::size_t>(std::max(1, threads)));
  coldWanted_ = std::min<std::size_t>(slices_ / 2, static_cast<std::size_t>(std::max(threads, coldThreads)));
  coldWanted_ = coldWanted_ > helpers ? coldWanted_ - helpers : 0;
  const auto sweeping = [this] {
    while (SweepSlice()) {
    }
  };
  try {
    for (std::size_t t = 0; t < helpers; ++t) {
      if (t > 0 || coldWanted_ == 0) {
        threads_.emplace_back(sweeping);
        continue;
      }
      threads_.emplace_back([this, sweeping] {
        const long before = BlocksReadByThread();
        if (!SweepSlice()) return;
        if (BlocksReadByThread() - before > coldBlocks_) {
          std::lock_guard<std::mutex> lock(mutex_);
          try {
            for (std::size_t c = 0; c < coldWanted_ && !stop_; ++c) coldThreads_.emplace_back(sweeping);
          } catch (const std::system_error&) {
            // Fewer in flight: the sweep is slower, not wrong.
          }
        }
        sweeping();
      });
    }
  } catch (const std::system_error&) {
    // No thread to be had: what no thread takes is swept by the caller.
  }
}

StatusSweep::~StatusSweep() {
  stop_ = true;
  Join();
  for (int fd : folders_) {
    if (fd >= 0) ::close(fd);
  }
}

void StatusSweep::Sweep(std::size_t begin, std::size_t end) {
  char name[32];
  for (std::size_t k = begin; k < end; ++k) {
    if (k % 1024 == 0 && stop_.load(std::memory_order_relaxed)) return;
    const unsigned long serial = serials_[k];
    const int folder = folders_[serial % 100];
    // "%08lu.TXT", without the cost of a format for each of a hundred thousand names.
    char digits[24];
    int count = 0;
    for (unsigned long v = serial; v > 0 || count < 8; v /= 10) digits[count++] = static_cast<char>('0' + v % 10);
    for (int d = 0; d < count; ++d) name[d] = digits[count - 1 - d];
    std::memcpy(name + count, ".TXT", 5);
    struct stat st;
    if (folder >= 0 && ::fstatat(folder, name, &st, 0) == 0) stamps_[k] = FileStamp(st);
  }
}

bool StatusSweep::SweepSlice() {
  if (stop_.load(std::memory_order_relaxed)) return false;
  const std::size_t slice = nextSlice_.fetch_add(1);
  if (slice >= slices_) return false;
  Sweep(slice * kSlice, std::min(serials_.size(), (slice + 1) * kSlice));
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ++slicesDone_;
  }
  sliceDone_.notify_all();
  return true;
}

void StatusSweep::Join() {
  for (auto& thread : threads_) thread.join();
  threads_.clear();
  std::vector<std::thread> cold;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    cold.swap(coldThreads_);
  }
  for (auto& thread : cold) thread.join();
}

const std::vector<std::uint64_t>* StatusSweep::Stamps(const std::function<bool()>& cancelled) {
  const auto stopped = [&] {
    if (!cancelled || !cancelled()) return false;
    stop_ = true;
    Join();
    return true;
  };
  do {
    if (stopped()) return nullptr;
  } while (SweepSlice());
  std::unique_lock<std::mutex> lock(mutex_);
  while (slicesDone_ < slices_) {
    sliceDone_.wait_for(lock, std::chrono::milliseconds(40));
    if (slicesDone_ >= slices_) break;
    lock.unlock();
    if (stopped()) return nullptr;
    lock.lock();
  }
  lock.unlock();
  Join();
  return &stamps_;
}

}  // namespace folidex
