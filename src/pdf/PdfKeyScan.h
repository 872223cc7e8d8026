#pragma once
// The one forward pass of the PDF information reader over the file's bytes: the first position of
// each XMP element name and information-dictionary key. An XMP element name counts only where
// ">" follows it directly or after one byte (xmp:CreateDate>, dc:title/>). A match never ends on
// the last byte of the buffer.

#include <array>
#include <cstddef>
#include <string_view>

namespace folidex {

// The names looked for, in this order.
enum class PdfKey {
  DcTitle,
  DcCreator,
  DcDescription,
  Keywords,
  CreateDate,
  ModifyDate,
  Title,
  Author,
  Subject,
  CreationDate,
  ModDate,
};
inline constexpr int kPdfKeyCount = 11;
inline constexpr std::array<std::string_view, kPdfKeyCount> kPdfKeyNames = {
    "dc:title", "dc:creator", "dc:description", "Keywords",     "CreateDate", "ModifyDate",
    "Title",    "Author",     "Subject",        "CreationDate", "ModDate"};

struct PdfKeyPositions {
  static constexpr std::size_t npos = std::string_view::npos;
  // First occurrence of each name anywhere (p < size - name length), or npos.
  std::array<std::size_t, kPdfKeyCount> first;
  // First occurrence of each name that is followed by ">" at p+len or p+len+1, or npos.
  std::array<std::size_t, kPdfKeyCount> element;
  // First occurrence of each name as a PDF name of its own: "/" before it and a delimiter or
  // white space after it (so "/DisplayDocTitle" is not "Title"), or npos.
  std::array<std::size_t, kPdfKeyCount> name;
};

PdfKeyPositions FindPdfKeys(std::string_view bytes);

// White space or a delimiter: what ends a PDF name.
bool EndsPdfName(char c);

}  // namespace folidex
