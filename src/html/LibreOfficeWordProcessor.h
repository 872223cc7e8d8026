#pragma once
// The WordProcessor port on LibreOffice: `soffice --headless --convert-to 'doc:MS Word 97'`,
// run with an argument vector (no shell), a user profile of its own in a temporary folder (so a
// LibreOffice the user has open neither takes the job nor is disturbed), a time limit, and its
// output captured. The input filter is always named, because the defaults fail here: plain
// text is read as "Text (encoded):UTF8,CRLF" (otherwise in the system encoding, which turns
// Japanese into mojibake under LANG=C), HTML as "HTML (StarWriter)" (otherwise the page opens
// as a Writer/Web document, which has no Word export).

#include <chrono>
#include <string>
#include <vector>

#include "html/WordProcessor.h"

namespace folidex {

class LibreOfficeWordProcessor : public WordProcessor {
 public:
  // `program`: the soffice to run (looked up in PATH without a "/").
  explicit LibreOfficeWordProcessor(std::string program = "soffice",
                                    std::chrono::milliseconds timeLimit = std::chrono::seconds(120))
      : program_(std::move(program)), timeLimit_(timeLimit) {}

  WordProcessorStatus MakeWordDocument(WordInput kind, std::string_view utf8, std::string& document,
                                       std::string& detail) override;

  // Converts files with LibreOffice into `outputFolder`: the arguments after the profile and
  // the headless switches (for example {"--convert-to", "txt:Text (encoded):UTF8", file}).
  // Used by the conversion above and by tests that read documents back.
  WordProcessorStatus Convert(const std::vector<std::string>& arguments, std::string& detail) const;

 private:
  std::string program_;
  std::chrono::milliseconds timeLimit_;
};

// A fresh folder under the system's temporary folder, or an empty text.
std::string MakeTemporaryFolder(const char* stem);
// Removes a folder with everything in it.
void RemoveFolderTree(const std::string& folder);

}  // namespace folidex
