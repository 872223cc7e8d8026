#include <gtest/gtest.h>

#include <random>
#include <string>

#include "pdf/PdfKeyScan.h"

using namespace folidex;

namespace {

// The plain definition: the first p < size - len at which the name stands (for `element`, which
// ">" follows at p+len or p+len+1; for `name`, with "/" before it and a delimiter after it).
PdfKeyPositions Reference(std::string_view bytes) {
  PdfKeyPositions r;
  r.first.fill(PdfKeyPositions::npos);
  r.element.fill(PdfKeyPositions::npos);
  r.name.fill(PdfKeyPositions::npos);
  for (int k = 0; k < kPdfKeyCount; ++k) {
    std::string_view name = kPdfKeyNames[k];
    for (std::size_t p = 0; p + name.size() < bytes.size(); ++p) {
      if (bytes.substr(p, name.size()) != name) continue;
      if (r.first[k] == PdfKeyPositions::npos) r.first[k] = p;
      std::size_t after = p + name.size();
      if (r.element[k] == PdfKeyPositions::npos &&
          (bytes[after] == '>' || (after + 1 < bytes.size() && bytes[after + 1] == '>')))
        r.element[k] = p;
      if (r.name[k] == PdfKeyPositions::npos && p > 0 && bytes[p - 1] == '/' &&
          std::string_view("\0\t\n\f\r ()<>[]{}/%", 17).find(bytes[after]) != std::string_view::npos)
        r.name[k] = p;
    }
  }
  return r;
}

}  // namespace

TEST(PdfKeyScan, AgreesWithThePlainSearchWhereverTheNamesStand) {
  std::mt19937 random(7);
  const char* pieces[] = {"dc:title>",    "dc:creator",  "dc:description/>",
                          "Keywords",     "Keywords>",   "CreateDate",
                          "CreateDate >", "ModifyDate>", "/Title",
                          "Author",       "Subject",     "CreationDate",
                          "ModDate",      "ModDat",      "dc:",
                          "Su",           ">",           "Titl"};
  for (int round = 0; round < 3000; ++round) {
    std::string bytes(random() % 120, '\0');
    for (char& c : bytes) c = static_cast<char>(random() % 4 == 0 ? "dKCMTASuo>"[random() % 10] : random());
    int planted = random() % 4;
    for (int i = 0; i < planted && !bytes.empty(); ++i) {
      std::string piece = pieces[random() % std::size(pieces)];
      std::size_t at = random() % (bytes.size() + 1);
      bytes.insert(at, piece);
    }
    // Sometimes end the buffer exactly on a name or one byte after it.
    if (round % 7 == 0) bytes += round % 2 ? "Title" : "Title>";
    PdfKeyPositions expected = Reference(bytes), got = FindPdfKeys(bytes);
    ASSERT_EQ(got.first, expected.first) << "round " << round;
    ASSERT_EQ(got.element, expected.element) << "round " << round;
    ASSERT_EQ(got.name, expected.name) << "round " << round;
  }
}
