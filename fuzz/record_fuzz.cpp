// libFuzzer target: the record-file reader on arbitrary bytes. Besides the sanitizers' checks it
// traps when reading the same bytes twice differs, or when a record whose fields are all one line does not come back
// equal from the writer's bytes. (A reader stopping after the text line may miss header lines that stand after it: that
// is its purpose, not a fault.)

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
  folidex::IndexRecord whole, again, header;  // header: read up to the text line, for coverage
  folidex::ParseRecordFile(bytes, false, whole);
  folidex::ParseRecordFile(bytes, false, again);
  if (whole.fields != again.fields) __builtin_trap();
  folidex::ParseRecordFile(bytes, true, header);
  if (OneLine(whole)) {
    folidex::IndexRecord written;
    folidex::ParseRecordFile(folidex::FormatRecordFile(whole), false, written);
    if (written.fields != whole.fields) __builtin_trap();
  }
  return 0;
}
