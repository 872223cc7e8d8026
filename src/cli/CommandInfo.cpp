#include <filesystem>
#include <iostream>

#include "cli/Cli.h"
#include "common/Cp932.h"
#include "import/Import.h"
#include "pdf/PdfInfo.h"
#include "pdf/poppler/PopplerPdfEngine.h"

namespace folidex::cli {

// info [--title] FILE.pdf...: what the import would take from each file, "PT<TAB>value" to
// "PM<TAB>value" as the metadata gives them; with --title also "TITLE<TAB>value", the PT the
// import would store (the title derived from the first page when the metadata has none and
// KanSet/AutoTitle is 1). A file that cannot be read is reported on stderr; the others are still
// printed.
int CommandInfo(Context& context) {
  std::vector<std::string> files = context.args;
  const bool title = !files.empty() && files.front() == "--title";
  if (title) files.erase(files.begin());
  if (files.empty()) return Fail("usage: folidex-cli info [--title] FILE.pdf...", 2);
  int status = 0;
  PopplerPdfEngine pdf;  // for metadata the raw scan cannot see (inside object streams)
  for (const std::string& path : files) {
    IndexRecord record;
    if (!PdfInfo(context.prompter, &pdf).ReadInfoFile(path, record)) {
      status = 1;
      continue;
    }
    for (int k = 0; k <= static_cast<int>(FieldTag::PM); ++k)
      std::cout << kFieldTagNames[k] << '\t' << Out(record.fields[k]) << '\n';
    if (title) {
      std::u16string heading;
      if (record[FieldTag::PT].empty() && pdf.Open(path) == PdfOpenResult::Opened) heading = pdf.PageHeading(0);
      pdf.Close();
      FillDerivedTitle(record, context.settings, heading,
                       FromNativePath(NativePath(std::filesystem::path(path).filename().string())));
      std::cout << "TITLE\t" << Out(record[FieldTag::PT]) << '\n';
    }
  }
  std::cout.flush();
  return status;
}

}  // namespace folidex::cli
