#pragma once
// The PDF information reader: title, author, subject, keywords, creation and modification date
// of a PDF file, found by searching its raw bytes. XMP metadata elements are looked for first;
// only when none of them yields a value are the keys of the document information dictionary
// read. No object structure is parsed: no cross-reference table, no stream filters, no
// decryption. Everything found is converted to CP932; dates take the form YYYY.MM.DD hh:mm:ss.
//
// Many PDFs keep their information dictionary inside a compressed object stream, where the scan
// cannot see it. When the scan finds no metadata name at all (no XMP element and none of /Title,
// /Author, /Subject, /Keywords, /CreationDate, /ModDate in the raw bytes), the six values are
// taken from the PDF engine instead, when the reader has one; a file in which the scan finds any
// name keeps the scan's result exactly.

#include <string>
#include <string_view>

#include "common/Prompter.h"
#include "pdf/PdfEngine.h"
#include "store/Record.h"

namespace folidex {

class PdfInfo {
 public:
  // `engine` (may be null: no fallback) opens the file again when the scan finds no name.
  explicit PdfInfo(Prompter& prompter, PdfEngine* engine = nullptr) : prompter_(prompter), engine_(engine) {}

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
  // ScanInfo and HasInfoNames in one pass over the bytes: true when any metadata name was found.
  static bool ScanInfoNames(std::string_view bytes, IndexRecord& record);

  // Whether the raw bytes hold any metadata name the scan looks for (see above).
  static bool HasInfoNames(std::string_view bytes);

  // The six values of the engine's meta data (texts through the conversion layer, dates in the
  // reader's form), written into PT..PM of `record`.
  static void TakeMetaData(const PdfMetaData& meta, IndexRecord& record);

  // Whether the last ReadInfo found any metadata name in the raw bytes (a caller that opens the
  // file in the engine itself takes the meta data from it when not).
  bool FoundNames() const { return foundNames_; }

 private:
  Prompter& prompter_;
  PdfEngine* engine_;
  bool foundNames_ = false;
};

}  // namespace folidex
