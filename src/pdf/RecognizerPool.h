#pragma once
// Text recognizers shared by the pages and documents of one import: at most Size() engines, each
// made on first need and kept (so each loads its models once), one page on each at a time.
// Acquire and Release may come from any thread.

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "pdf/TextRecognizer.h"

namespace folidex {

// How many recognizers an import runs at once: one per core, at most four.
int RecognizerCount();

class RecognizerPool {
 public:
  using Factory = std::function<std::unique_ptr<TextRecognizer>()>;
  RecognizerPool(Factory make, int size);
  RecognizerPool(const RecognizerPool&) = delete;
  RecognizerPool& operator=(const RecognizerPool&) = delete;

  int Size() const { return size_; }

  // The check of the first recognizer (made for it when none is there yet); the second form
  // gives nullopt when `cancelled` said so first (while it waited for a free recognizer or for
  // the engine to load its models).
  RecognizerCheck Check();
  std::optional<RecognizerCheck> Check(const std::function<bool()>& cancelled);

  // A free recognizer, made when none is free and the pool has room; waits while all are busy.
  // Null when `cancelled` said so while it waited (asked about twenty times a second).
  TextRecognizer* Acquire(const std::function<bool()>& cancelled);
  void Release(TextRecognizer* recognizer);

  // How many recognizers have been made so far.
  int Made();

 private:
  struct Slot {
    std::unique_ptr<TextRecognizer> recognizer;
    bool busy = false;
  };

  Factory make_;
  int size_;
  std::mutex mutex_;
  std::condition_variable freed_;
  std::vector<Slot> slots_;
};

}  // namespace folidex
