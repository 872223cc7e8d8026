#include "html/NavigationHistory.h"

namespace folidex {

void NavigationHistory::Visit(const std::string& address) {
  if (!entries_.empty() && entries_[index_] == address) return;
  if (!entries_.empty()) entries_.resize(index_ + 1);
  entries_.push_back(address);
  index_ = entries_.size() - 1;
}

std::optional<std::string> NavigationHistory::Back() {
  if (!CanGoBack()) return std::nullopt;
  return entries_[--index_];
}

std::optional<std::string> NavigationHistory::Forward() {
  if (!CanGoForward()) return std::nullopt;
  return entries_[++index_];
}

}  // namespace folidex
