#include <iostream>

#include "cli/Cli.h"
#include "cli/Json.h"
#include "common/ByteText.h"
#include "common/Cp932.h"

namespace folidex::cli {

// record SERIAL: the seventeen fields of one record, "TAG<TAB>value" per line (--json: one
// object with the serial and the tags as keys).
int CommandRecord(Context& context) {
  if (context.args.size() != 1) return Fail("usage: folidex-cli record [--json] SERIAL", 2);
  std::string serial = context.args[0];
  if (serial.empty() || serial.find_first_not_of("0123456789") != std::string::npos)
    return Fail("not a serial number: " + serial, 2);
  if (serial.size() < 8) serial = FormatSerial(LeadingNumber(serial));
  if (int status = RequireStore(context)) return status;
  // A missing or unreadable record (a FIFO, say) fails without waiting; an oversize one has
  // already said so.
  if (!context.store.ReadRecordFile(serial, false))
    return Fail("no readable record " + serial + " in " + context.store.Location().str());
  const IndexRecord& record = context.store.WorkingRecord();
  if (context.json) {
    JsonObject object;
    object.Add("serial", serial);
    for (int k = 0; k < kFieldCount; ++k) object.Add(kFieldTagNames[k], Out(record.fields[k]));
    std::cout << object.Line();
    return 0;
  }
  for (int k = 0; k < kFieldCount; ++k) std::cout << kFieldTagNames[k] << '\t' << Out(record.fields[k]) << '\n';
  return 0;
}

// counter: the serial counter (the serial the next record gets), as stored; a counter that is
// not valid is reported (31021) with exit status 1.
int CommandCounter(Context& context) {
  if (!context.args.empty()) return Fail("usage: folidex-cli counter", 2);
  if (!context.store.ReadSerialCount()) return 1;
  std::cout << Out(context.store.ReadSerialCounter()) << '\n';
  return 0;
}

}  // namespace folidex::cli
