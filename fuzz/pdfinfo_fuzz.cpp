// libFuzzer target: the PDF information reader on arbitrary bytes, and its text decoders on the
// same bytes taken as a value. Besides the sanitizers' checks it traps when a field could break
// its record-file line, when a field other than PT..PM is written, or when the one-pass name
// search disagrees with the plain byte-by-byte search.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "pdf/PdfInfo.h"
#include "pdf/PdfKeyScan.h"
#include "pdf/PdfText.h"

namespace {

void CheckKeyPass(std::string_view bytes) {
  folidex::PdfKeyPositions got = folidex::FindPdfKeys(bytes);
  for (int k = 0; k < folidex::kPdfKeyCount; ++k) {
    std::string_view name = folidex::kPdfKeyNames[k];
    constexpr std::size_t npos = folidex::PdfKeyPositions::npos;
    std::size_t first = npos, element = npos, named = npos;
    for (std::size_t p = bytes.find(name); p != std::string_view::npos && p + name.size() < bytes.size();
         p = bytes.find(name, p + 1)) {
      if (first == npos) first = p;
      std::size_t after = p + name.size();
      if (element == npos && (bytes[after] == '>' || (after + 1 < bytes.size() && bytes[after + 1] == '>')))
        element = p;
      if (named == npos && p > 0 && bytes[p - 1] == '/' && folidex::EndsPdfName(bytes[after])) named = p;
    }
    if (got.first[k] != first || got.element[k] != element || got.name[k] != named) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  folidex::IndexRecord record;
  folidex::PdfInfo::ScanInfo(bytes, record);
  for (int k = 0; k < 6; ++k) {
    if (record.fields[k].find_first_of(std::string_view("\0\r\n", 3)) != std::string::npos) __builtin_trap();
  }
  for (int k = 6; k < folidex::kFieldCount; ++k) {
    if (!record.fields[k].empty()) __builtin_trap();
  }
  CheckKeyPass(bytes);
  if (size <= 4096) {
    folidex::Utf8TextToCp932(bytes);
    folidex::DecodeHexUtf16(bytes);
    folidex::DecodeLiteralUtf16(bytes);
    folidex::BigEndianUtf16ToCp932(bytes);
  }
  return 0;
}
