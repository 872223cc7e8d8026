#include <iostream>

#include "cli/Cli.h"
#include "common/Cp932.h"
#include "pdf/PdfInfo.h"
#include "pdf/poppler/PopplerPdfEngine.h"

namespace folidex::cli {

// info FILE.pdf...: what the import would take from each file, "PT<TAB>value" to "PM<TAB>value".
// A file that cannot be read is reported on stderr; the others are still printed.
int CommandInfo(Context& context) {
  if (context.args.empty()) return Fail("usage: folidex-cli info FILE.pdf...", 2);
  int status = 0;
  PopplerPdfEngine pdf;  // for metadata the raw scan cannot see (inside object streams)
  for (const std::string& path : context.args) {
    IndexRecord record;
    if (!PdfInfo(context.prompter, &pdf).ReadInfoFile(path, record)) {
      status = 1;
      continue;
    }
    for (int k = 0; k <= static_cast<int>(FieldTag::PM); ++k)
      std::cout << kFieldTagNames[k] << '\t' << Out(record.fields[k]) << '\n';
  }
  std::cout.flush();
  return status;
}

}  // namespace folidex::cli
