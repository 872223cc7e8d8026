#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "store/FileReadAhead.h"

using namespace folidex;

// The hints follow the walk: each file once, never more than the window ahead of it, and a walk
// that stops early is not waited for.
TEST(FileReadAhead, HintsEachFileOnceAndStaysWithinTheWindowAheadOfTheWalk) {
  constexpr std::size_t kFiles = 3000, kWindow = 64;
  std::mutex mutex;
  std::vector<int> asked(kFiles, 0);
  std::atomic<std::size_t> furthest{0};
  auto walk = [&](std::size_t stopAt) {
    std::fill(asked.begin(), asked.end(), 0);
    furthest = 0;
    FileReadAhead hints(
        kFiles,
        [&](std::size_t k) {
          std::lock_guard lock(mutex);
          ++asked[k];
          if (k > furthest) furthest = k;
          return std::string("/nonexistent/folidex-read-ahead-test");
        },
        5, kWindow);
    for (std::size_t k = 0; k < stopAt; ++k) {
      hints.Reached(k);
      if (k % 97 == 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
      EXPECT_LE(furthest.load(), k + kWindow) << k;
    }
    if (stopAt == kFiles) {
      while (hints.Hinted() < kFiles) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  };
  walk(kFiles);
  for (std::size_t k = 0; k < kFiles; ++k) ASSERT_EQ(asked[k], 1) << k;
  walk(100);  // the walk ends: the threads stop near where it was
  EXPECT_LE(furthest.load(), 100 + kWindow);
}
