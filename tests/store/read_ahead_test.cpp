#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "store/FileReadAhead.h"

using namespace folidex;

namespace {

// Which files the hints asked for, and the furthest one.
struct Asked {
  explicit Asked(std::size_t files) : count(files, 0) {}
  std::mutex mutex;
  std::vector<int> count;
  std::atomic<std::size_t> furthest{0};
  std::function<std::string(std::size_t)> PathOf() {
    return [this](std::size_t k) {
      std::lock_guard lock(mutex);
      ++count[k];
      if (k > furthest) furthest = k;
      return std::string("/nonexistent/folidex-read-ahead-test");
    };
  }
};

void WaitUntilHinted(const FileReadAhead& hints, std::size_t files) {
  for (int i = 0; i < 5000 && hints.Hinted() < files; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

}  // namespace

// The hints follow the walk: each file at most once, never more than the window ahead of it,
// and a walk that stops early is not waited for.
TEST(FileReadAhead, HintsEachFileOnceAndStaysWithinTheWindowAheadOfTheWalk) {
  constexpr std::size_t kFiles = 3000, kWindow = 64;
  for (std::size_t stopAt : {kFiles, std::size_t{100}}) {
    Asked asked(kFiles);
    {
      FileReadAhead hints(kFiles, asked.PathOf(), 5, kWindow);
      for (std::size_t k = 0; k < stopAt; ++k) {
        hints.Reached(k);
        if (k % 97 == 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
        EXPECT_LE(asked.furthest.load(), k + kWindow) << k;
      }
      if (stopAt == kFiles) WaitUntilHinted(hints, kFiles);
    }
    for (std::size_t k = 0; k < kFiles; ++k) ASSERT_LE(asked.count[k], 1) << k;
    if (stopAt == kFiles) {
      EXPECT_EQ(asked.count[kFiles - 1], 1);
    }
    EXPECT_LE(asked.furthest.load(), stopAt + kWindow);
  }
}

// A walk that finds its files in memory stops being hinted; a miss brings the hints back.
TEST(FileReadAhead, AnAdaptiveWalkIsHintedOnlyNearItsMisses) {
  constexpr std::size_t kFiles = 4 * kReadAheadQuiet, kWindow = 64;
  Asked asked(kFiles);
  FileReadAhead hints(kFiles, asked.PathOf(), 3, kWindow, true);
  std::size_t k = 0;
  for (; k < 2 * kReadAheadQuiet; ++k) {
    hints.Reached(k);
    if (k % 256 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_LE(asked.furthest.load(), kReadAheadQuiet + 2 * kWindow);  // warm from the start: soon quiet
  const std::size_t miss = k;
  hints.Missed(miss);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  for (; k < kFiles; ++k) {
    hints.Reached(k);
    if (k % 256 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  std::lock_guard lock(asked.mutex);
  EXPECT_EQ(asked.count[miss + kWindow / 2], 1);                           // hinted again after it
  EXPECT_LE(asked.furthest.load(), miss + kReadAheadQuiet + 2 * kWindow);  // and quiet again
  EXPECT_GE(asked.furthest.load(), miss + kReadAheadQuiet - kWindow);
}
