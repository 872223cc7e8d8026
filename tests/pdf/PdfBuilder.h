#pragma once
// Raw-byte PDFs for the information reader's tests: a catalog, one empty page, an optional XMP
// metadata stream and an optional information dictionary, with a correct cross-reference table.
// Every file written through WritePdf is also copied into $FOLIDEX_FUZZ_CORPUS when that is set,
// which gives the fuzz target its seed corpus.

#include <string>
#include <string_view>

namespace folidex::test {

struct PdfParts {
  std::string info;          // the body of the information dictionary, e.g. "/Title (Annual Report)"
  std::string xmp;           // a whole XMP packet (see XmpPacket), or empty for none
  std::string extraObjects;  // further "n 0 obj … endobj" text placed after the dictionary
  std::string filler;        // bytes put before the first object (binary data, zero bytes)
};

std::string BuildPdf(const PdfParts& parts);

// An XMP packet whose rdf:Description carries `attributes` and holds `elements`.
std::string XmpPacket(std::string_view elements, std::string_view attributes = {});

// Writes `bytes` to dir/name and returns the path.
std::string WritePdf(const std::string& dir, const std::string& name, const std::string& bytes);

}  // namespace folidex::test
