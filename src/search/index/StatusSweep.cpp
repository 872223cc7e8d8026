#include "search/index/StatusSweep.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <system_error>

#include "search/index/SearchIndex.h"

namespace folidex {

StatusSweep::StatusSweep(const std::string& txtFolder, const std::vector<unsigned long>& serials, int threads)
    : serials_(serials), stamps_(serials.size(), 0) {
  for (int k = 0; k < 100; ++k) {
    const char name[3] = {static_cast<char>('0' + k / 10), static_cast<char>('0' + k % 10), '\0'};
    folders_[k] = ::open((txtFolder + name).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  }
  // Slices of a few thousand files at least: a thread costs more than a few hundred calls.
  const std::size_t n = serials.size();
  const std::size_t parts = std::clamp<std::size_t>(n / 4096, 1, static_cast<std::size_t>(std::max(1, threads)));
  inlineBegin_ = n;
  if (parts <= 1) {
    inlineBegin_ = 0;
    return;
  }
  const std::size_t slice = (n + parts - 1) / parts;
  try {
    for (std::size_t begin = 0; begin < n; begin += slice) {
      const std::size_t end = std::min(n, begin + slice);
      threads_.emplace_back([this, begin, end] {
        Sweep(begin, end);
        ++threadsDone_;
      });
      inlineBegin_ = end;
    }
  } catch (const std::system_error&) {
    // No thread to be had: what no thread took is swept by the caller.
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
    std::snprintf(name, sizeof name, "%08lu.TXT", serial);
    struct stat st;
    if (folder >= 0 && ::fstatat(folder, name, &st, 0) == 0) stamps_[k] = FileStamp(st);
  }
}

void StatusSweep::Join() {
  for (auto& thread : threads_) thread.join();
  threads_.clear();
}

const std::vector<std::uint64_t>* StatusSweep::Stamps(const std::function<bool()>& cancelled) {
  const auto stopped = [&] {
    if (!cancelled || !cancelled()) return false;
    stop_ = true;
    Join();
    return true;
  };
  while (inlineBegin_ < serials_.size()) {
    if (stopped()) return nullptr;
    const std::size_t end = std::min(serials_.size(), inlineBegin_ + 4096);
    Sweep(inlineBegin_, end);
    inlineBegin_ = end;
  }
  while (threadsDone_ < threads_.size()) {
    if (stopped()) return nullptr;
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
  }
  Join();
  return &stamps_;
}

}  // namespace folidex
