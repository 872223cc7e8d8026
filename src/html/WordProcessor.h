#pragma once
// The WordProcessor port: turns a text or a web page into a Word 97 document (.doc). The
// implementation here is LibreOffice (LibreOfficeWordProcessor); tests use fakes.

#include <string>
#include <string_view>

namespace folidex {

enum class WordInput {
  PlainText,  // UTF-8 text, lines ended by CR LF
  Html,       // a UTF-8 HTML page (the viewer's formatted copy)
};

enum class WordProcessorStatus {
  Done,
  Missing,  // no word processor is installed
  Failed,   // it ran but made no document (error, time limit)
};

class WordProcessor {
 public:
  virtual ~WordProcessor() = default;
  // Makes the document; on Done `document` holds its bytes. Otherwise `detail` says what went
  // wrong (for a log; the user is told by the caller).
  virtual WordProcessorStatus MakeWordDocument(WordInput kind, std::string_view utf8, std::string& document,
                                               std::string& detail) = 0;
};

}  // namespace folidex
