#pragma once
// A title for a document whose metadata gives none: the line set in the largest type on its
// first page, else its file name. The engine hands over the first page's text boxes; the choice
// of the line is made here, the same for every engine.

#include <string>
#include <string_view>
#include <vector>

namespace folidex {

// One box of a page's text as the engine lays it out: its text, its bounding box in points
// (origin top left, y downwards), the size of its type, and whether a space follows it.
struct PdfTextBox {
  std::u16string text;
  double x = 0;
  double y = 0;
  double width = 0;
  double height = 0;
  double fontSize = 0;
  bool spaceAfter = false;
};

// The most bytes a derived title keeps (CP932).
inline constexpr std::size_t kDerivedTitleLimit = 200;

// The line set in the largest type: boxes whose baselines (the bottoms of their boxes) lie within
// a fifth of their type size of each other form one line, read from left to right; a line's type
// is the largest of its boxes. On a tie the topmost line wins. Empty without boxes with text.
std::u16string HeadingLine(std::vector<PdfTextBox> boxes);

// PT derived from `heading`: white space trimmed at both ends, cut to at most kDerivedTitleLimit
// bytes of CP932 on a character boundary; when nothing is left, the file name (CP932) without a
// final ".pdf" in any letter case.
std::string DerivedTitle(std::u16string_view heading, std::string_view fileNameCp932);

}  // namespace folidex
