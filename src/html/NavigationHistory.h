#pragma once
// One back/forward history for everything the HTML area shows, web pages and PDF documents
// alike (they are drawn by different widgets, so neither widget's own history can serve).

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace folidex {

class NavigationHistory {
 public:
  // A document was completed. When it is the current entry (a reload, or the end of a back or
  // forward step) nothing changes; otherwise it becomes the new current entry and the entries
  // ahead of the old one are dropped.
  void Visit(const std::string& address);

  bool CanGoBack() const { return index_ > 0; }
  bool CanGoForward() const { return index_ + 1 < entries_.size(); }
  // Step back or forward and return the address to show; nothing at either end.
  std::optional<std::string> Back();
  std::optional<std::string> Forward();

  std::string Current() const { return entries_.empty() ? std::string() : entries_[index_]; }
  std::size_t Size() const { return entries_.size(); }

 private:
  std::vector<std::string> entries_;
  std::size_t index_ = 0;
};

}  // namespace folidex
