#include "store/FileReadAhead.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <system_error>

namespace folidex {
namespace {

// The start of a file is hinted, no more: a record file is read whole in one go of up to a few
// hundred kilobytes, and a larger one is read on by the kernel's own sequential read-ahead.
constexpr off_t kHintBytes = 256 << 10;

void Hint(const std::string& path) {
  // Never waits on a FIFO or takes a terminal, like the walk's own open.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return;
  ::posix_fadvise(fd, 0, kHintBytes, POSIX_FADV_WILLNEED);
  ::close(fd);
}

}  // namespace

int ReadAheadThreads() {
  static const int threads = [] {
    const char* text = std::getenv("FOLIDEX_READ_AHEAD");
    if (!text || !*text) return 16;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    return *end == '\0' && value >= 0 && value <= 64 ? static_cast<int>(value) : 16;
  }();
  return threads;
}

FileReadAhead::FileReadAhead(std::size_t count, std::function<std::string(std::size_t)> pathOf, int threads,
                             std::size_t window, bool adaptive)
    : count_(count), pathOf_(std::move(pathOf)), window_(std::max<std::size_t>(1, window)), adaptive_(adaptive) {
  if (count_ <= 1) return;
  try {
    for (int t = 0; t < threads; ++t) threads_.emplace_back([this] { Loop(); });
  } catch (const std::system_error&) {
    // The threads that started hint alone; with none the walk reads without hints.
  }
}

FileReadAhead::~FileReadAhead() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

void FileReadAhead::Reached(std::size_t k) {
  if (threads_.empty() || k < told_ + std::max<std::size_t>(1, window_ / 8)) return;
  told_ = k;
  {
    std::lock_guard lock(mutex_);
    reached_ = k;
  }
  wake_.notify_all();
}

void FileReadAhead::Missed(std::size_t k) {
  if (threads_.empty()) return;
  bool woken;
  {
    std::lock_guard lock(mutex_);
    if (k <= lastMiss_) return;
    woken = lastMiss_ + kReadAheadQuiet < reached_;  // the threads were resting
    lastMiss_ = k;
  }
  if (woken) wake_.notify_all();
}

std::size_t FileReadAhead::Hinted() const {
  std::lock_guard lock(mutex_);
  return next_;
}

void FileReadAhead::Loop() {
  for (;;) {
    std::size_t k;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [&] {
        return stop_ || next_ >= count_ ||
               (next_ <= reached_ + window_ && (!adaptive_ || lastMiss_ + kReadAheadQuiet >= reached_));
      });
      if (stop_ || next_ >= count_) return;
      next_ = std::max(next_, reached_);  // after a rest: from where the walk is
      k = next_++;
    }
    try {
      Hint(pathOf_(k));
    } catch (const std::exception&) {
      // A hint that cannot be given (no memory for its path) is only a hint less.
    }
  }
}

}  // namespace folidex
