// libFuzzer target: the CP932 conversion layer on arbitrary bytes, taken as CP932, as UTF-8 and
// as UTF-16 code units. Besides the sanitizers' checks it traps when a text that has been through
// CP932 once changes on a second way there and back, or when UTF-8 and UTF-16 of one text
// convert to different CP932.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "common/Cp932.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  // As CP932: once through UTF-8 and back, the text is settled.
  const std::string settled = folidex::Utf8ToCp932(folidex::Cp932ToUtf8(bytes));
  if (folidex::Utf8ToCp932(folidex::Cp932ToUtf8(settled)) != settled) __builtin_trap();
  if (folidex::Utf16ToCp932(folidex::Cp932ToUtf16(settled)) != settled) __builtin_trap();
  // As UTF-8 and as UTF-16 code units.
  folidex::Utf8ToCp932(bytes);
  std::u16string units(size / 2, u'\0');
  if (!units.empty()) std::memcpy(units.data(), data, units.size() * 2);
  const std::string fromUnits = folidex::Utf16ToCp932(units);
  if (folidex::Utf8ToCp932(folidex::Cp932ToUtf8(fromUnits)) != fromUnits) __builtin_trap();
  folidex::ToNativePath(bytes);
  folidex::FromNativePath(bytes);
  return 0;
}
