// libFuzzer target: the record-file reader on arbitrary bytes. Besides the sanitizers' checks it
// traps when reading the same bytes twice differs, or when the writer's bytes of what was read do not
// read back as those fields with every control character a space (the writer keeps each value on
// one line). (A reader stopping after the text line may miss header lines that stand after it: that
// is its purpose, not a fault.)

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "store/Record.h"
#include "store/Store.h"

namespace {

// The fields as the writer stores them: a control character is a space.
folidex::IndexRecord AsWritten(folidex::IndexRecord record) {
  for (std::string& field : record.fields)
    for (char& c : field)
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
  return record;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  folidex::IndexRecord whole, again, header;  // header: read up to the text line, for coverage
  folidex::ParseRecordFile(bytes, false, whole);
  folidex::ParseRecordFile(bytes, false, again);
  if (whole.fields != again.fields) __builtin_trap();
  folidex::ParseRecordFile(bytes, true, header);
  folidex::IndexRecord written;
  folidex::ParseRecordFile(folidex::FormatRecordFile(whole), false, written);
  if (written.fields != AsWritten(whole).fields) __builtin_trap();
  return 0;
}
