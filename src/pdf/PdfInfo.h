#pragma once
// The PDF information reader: title, author, subject, keywords, creation and modification date
// of a PDF file, found by searching its raw bytes. XMP metadata elements are looked for first;
// only when none of them yields a value are the keys of the document information dictionary
// read. No object structure is parsed: no cross-reference table, no stream filters, no
// decryption. Everything found is converted to CP932; dates take the form YYYY.MM.DD hh:mm:ss.

#include <string>
#include <string_view>

#include "common/Prompter.h"
#include "store/Record.h"

namespace folidex {

class PdfInfo {
 public:
  explicit PdfInfo(Prompter& prompter) : prompter_(prompter) {}

  // Reads the whole file at `pathCp932` and fills PT, PA, PS, PK, PC and PM of `record` (the
  // caller has emptied the record; no other field is written). Returns 1 when the file was read,
  // whether or not anything was found, and 0 after a message when it cannot be read; the fields
  // are then untouched.
  int ReadInfo(const std::string& pathCp932, IndexRecord& record);
  // The same for a native path (one that may have no CP932 form).
  int ReadInfoFile(const std::string& nativePath, IndexRecord& record);

  // The scans of ReadInfo on bytes already in memory. Any bytes at all are accepted; what cannot
  // be used leaves its field empty.
  static void ScanInfo(std::string_view bytes, IndexRecord& record);

 private:
  Prompter& prompter_;
};

}  // namespace folidex
