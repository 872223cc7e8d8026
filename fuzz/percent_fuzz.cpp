// libFuzzer target: the percent-escape decoders and the address encoder on arbitrary bytes.
// Besides the sanitizers' checks it traps when an encoded address holds a byte an address may
// not hold, when encoding an encoded address changes it, or when the escapes' bytes of an
// encoded address are not the bytes of the original wherever no "%" stood in it.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "html/PercentText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  folidex::DecodePercent(bytes);
  folidex::DecodePercentBytes(bytes);
  const std::string encoded = folidex::EncodeAddressBytes(bytes);
  for (unsigned char c : encoded) {
    if (c <= 0x20 || c >= 0x7F || std::string_view("\"<>\\^`{|}").find(static_cast<char>(c)) != std::string_view::npos)
      __builtin_trap();
  }
  if (folidex::EncodeAddressBytes(encoded) != encoded) __builtin_trap();
  if (bytes.find('%') == std::string_view::npos && folidex::DecodePercentBytes(encoded) != bytes) __builtin_trap();
  return 0;
}
