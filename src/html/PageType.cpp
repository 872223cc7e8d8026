#include "html/PageType.h"

#include <array>

#include "common/ByteText.h"

namespace folidex {
namespace {

// Position just after the last single-byte `sep` that is not the trail byte of a double-byte
// character (0x5C is a valid CP932 trail byte, as in 表), or npos.
std::size_t AfterLastSeparator(std::string_view text, char sep) {
  std::size_t after = std::string_view::npos;
  for (std::size_t i = 0; i < text.size(); i += Cp932CharLength(text, i)) {
    if (text[i] == sep) after = i + 1;
  }
  return after;
}

}  // namespace

std::string DetectPageType(std::string_view url) {
  std::size_t start = AfterLastSeparator(url, '/');
  if (start == std::string_view::npos) start = AfterLastSeparator(url, '\\');
  if (start == std::string_view::npos) return {};
  std::string_view name = url.substr(start);
  std::size_t dot = AfterLastSeparator(name, '.');
  if (dot == std::string_view::npos) return "HTML";
  std::string extension = UpperCaseAsciiCp932(name.substr(dot));
  static constexpr std::array<std::string_view, 9> kKnown = {"PDF", "JPG",  "JPEG", "GIF", "PNG",
                                                             "TIF", "TIFF", "BMP",  "DIB"};
  for (std::string_view known : kKnown) {
    if (extension == known) return extension;
  }
  return "HTML";
}

}  // namespace folidex
