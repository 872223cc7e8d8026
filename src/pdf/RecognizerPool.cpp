#include "pdf/RecognizerPool.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace folidex {

int RecognizerCount() {
  const unsigned cores = std::thread::hardware_concurrency();
  return static_cast<int>(std::clamp(cores, 1u, 4u));
}

RecognizerPool::RecognizerPool(Factory make, int size) : make_(std::move(make)), size_(std::max(1, size)) {
  slots_.reserve(static_cast<std::size_t>(size_));
}

RecognizerCheck RecognizerPool::Check() { return Check(std::function<bool()>()).value_or(RecognizerCheck{}); }

std::optional<RecognizerCheck> RecognizerPool::Check(const std::function<bool()>& cancelled) {
  TextRecognizer* first = Acquire(cancelled);
  if (!first) {
    if (cancelled && cancelled()) return std::nullopt;
    return RecognizerCheck{};  // none could be made: no engine
  }
  std::optional<RecognizerCheck> check = first->CheckUnlessCancelled(cancelled);
  Release(first);
  return check;
}

TextRecognizer* RecognizerPool::Acquire(const std::function<bool()>& cancelled) {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    for (Slot& slot : slots_) {
      if (slot.busy) continue;
      slot.busy = true;
      return slot.recognizer.get();
    }
    if (static_cast<int>(slots_.size()) < size_) {
      std::unique_ptr<TextRecognizer> made = make_ ? make_() : nullptr;
      if (!made) return nullptr;
      slots_.push_back(Slot{std::move(made), true});
      return slots_.back().recognizer.get();
    }
    if (cancelled && cancelled()) return nullptr;
    freed_.wait_for(lock, std::chrono::milliseconds(50));
  }
}

void RecognizerPool::Release(TextRecognizer* recognizer) {
  if (!recognizer) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (Slot& slot : slots_)
      if (slot.recognizer.get() == recognizer) slot.busy = false;
  }
  freed_.notify_one();
}

int RecognizerPool::Made() {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<int>(slots_.size());
}

}  // namespace folidex
