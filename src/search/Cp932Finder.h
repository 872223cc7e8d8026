#pragma once
// A fast substring search over CP932 text for one fixed needle: candidates are found with SIMD
// compares of two rare bytes of the needle, confirmed with memcmp, and accepted only when they
// start on a character boundary (the same rule as FindCp932). Used for body text, where the
// haystack is large and the needle fixed for a whole search.

#include <cstddef>
#include <string>
#include <string_view>

namespace folidex {

class Cp932Finder {
 public:
  explicit Cp932Finder(std::string needle = {});

  // The first occurrence in `text` that starts on a character boundary (text[0] is one), or
  // std::string_view::npos. An empty needle is found at 0. `wide` false keeps to the 16-byte
  // scan even where the processor offers the 32-byte one.
  std::size_t Find(std::string_view text, bool wide = true) const;
  bool FoundIn(std::string_view text) const { return Find(text) != std::string_view::npos; }

  const std::string& needle() const { return needle_; }

 private:
  std::string needle_;
  std::size_t first_ = 0;   // positions in the needle of the two bytes the scan looks for
  std::size_t second_ = 0;  // (first_ < second_ when the needle has two bytes or more)
};

// Removes every half-width space (0x20) from buffer[0, size) in place; returns the new size.
std::size_t RemoveSpaces(char* buffer, std::size_t size);

}  // namespace folidex
