// libFuzzer target: the record-file reader on arbitrary bytes. Besides the sanitizers' checks it
// traps when reading the same bytes twice differs, when the reader stopping after the text gives
// other header fields, or when a record whose fields are all one line does not come back equal
// from the writer's bytes.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "store/Record.h"
#include "store/Store.h"

namespace {

bool OneLine(const folidex::IndexRecord& record) {
  for (const std::string& field : record.fields)
    if (field.find_first_of(std::string_view("\r\n", 2)) != std::string::npos) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  folidex::IndexRecord whole, again, header;
  folidex::ParseRecordFile(bytes, false, whole);
  folidex::ParseRecordFile(bytes, false, again);
  if (whole.fields != again.fields) __builtin_trap();
  folidex::ParseRecordFile(bytes, true, header);
  if (header[folidex::FieldTag::PT] != whole[folidex::FieldTag::PT]) __builtin_trap();
  if (OneLine(whole)) {
    folidex::IndexRecord written;
    folidex::ParseRecordFile(folidex::FormatRecordFile(whole), false, written);
    if (written.fields != whole.fields) __builtin_trap();
  }
  return 0;
}
