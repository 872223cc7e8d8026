#include "pdf/DerivedTitle.h"

#include <algorithm>
#include <cmath>

#include "common/ByteText.h"
#include "common/Cp932.h"

namespace folidex {
namespace {

bool IsSpaceUnit(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\u3000'; }

double Baseline(const PdfTextBox& box) { return box.y + box.height; }

}  // namespace

std::u16string HeadingLine(std::vector<PdfTextBox> boxes) {
  std::erase_if(boxes, [](const PdfTextBox& box) {
    return std::all_of(box.text.begin(), box.text.end(), IsSpaceUnit) || !(box.fontSize > 0);
  });
  // Top to bottom by baseline, then left to right; a line gathers the boxes whose baselines lie
  // close to its first one.
  std::stable_sort(boxes.begin(), boxes.end(),
                   [](const PdfTextBox& a, const PdfTextBox& b) { return Baseline(a) < Baseline(b); });
  std::u16string best;
  double bestSize = 0;
  for (std::size_t first = 0; first < boxes.size();) {
    const double base = Baseline(boxes[first]);
    std::size_t end = first + 1;
    while (end < boxes.size() &&
           std::abs(Baseline(boxes[end]) - base) <= std::max(boxes[end].fontSize, boxes[first].fontSize) / 5)
      ++end;
    std::stable_sort(boxes.begin() + static_cast<std::ptrdiff_t>(first),
                     boxes.begin() + static_cast<std::ptrdiff_t>(end),
                     [](const PdfTextBox& a, const PdfTextBox& b) { return a.x < b.x; });
    double size = 0;
    std::u16string line;
    for (std::size_t k = first; k < end; ++k) {
      size = std::max(size, boxes[k].fontSize);
      line += boxes[k].text;
      if (boxes[k].spaceAfter && k + 1 < end) line += u' ';
    }
    // Only a larger type replaces the line found higher up.
    if (size > bestSize * (1 + 1e-6)) {
      bestSize = size;
      best = std::move(line);
    }
    first = end;
  }
  return best;
}

std::string DerivedTitle(std::u16string_view heading, std::string_view fileNameCp932) {
  while (!heading.empty() && IsSpaceUnit(heading.front())) heading.remove_prefix(1);
  while (!heading.empty() && IsSpaceUnit(heading.back())) heading.remove_suffix(1);
  std::string title = Utf16ToCp932(heading);
  // A character without a CP932 form became a space: the ends are trimmed again.
  while (!title.empty() && title.back() == ' ') title.pop_back();
  std::size_t lead = 0;
  while (lead < title.size() && title[lead] == ' ') ++lead;
  title.erase(0, lead);
  if (title.size() > kDerivedTitleLimit) {
    std::size_t cut = 0;
    while (cut < title.size()) {
      const std::size_t next = cut + Cp932CharLength(title, cut);
      if (next > kDerivedTitleLimit) break;
      cut = next;
    }
    title.resize(cut);
    while (!title.empty() && title.back() == ' ') title.pop_back();
  }
  if (!title.empty()) return title;
  std::string name(fileNameCp932);
  if (name.size() >= 4 && UpperCaseAsciiCp932(name.substr(name.size() - 4)) == ".PDF") name.resize(name.size() - 4);
  return name;
}

}  // namespace folidex
