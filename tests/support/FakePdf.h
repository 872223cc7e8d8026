#pragma once
// A PDF engine faked for the core's tests: pages given by their text layer and meta data. A
// rendered page's first byte carries its page number, so a faked recognizer can tell which page
// it reads.

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "pdf/PdfEngine.h"

namespace folidex::test {

class FakePdf : public PdfEngine {
 public:
  std::vector<std::u16string> texts;
  PdfMetaData meta;
  std::u16string heading;  // the first page's line in the largest type
  PdfOpenResult openResult = PdfOpenResult::Opened;
  std::set<int> unrenderable;
  std::vector<std::pair<int, int>> rendered;  // page, dpi
  std::vector<std::string> opened;            // the paths Open was asked for
  bool isOpen = true;                         // a fake document is there until it is closed

  PdfOpenResult Open(const std::string& path) override {
    opened.push_back(path);
    isOpen = openResult == PdfOpenResult::Opened;
    return openResult;
  }
  void Close() override { isOpen = false; }
  int PageCount() override { return isOpen ? static_cast<int>(texts.size()) : 0; }
  std::u16string PageText(int page) override { return isOpen ? texts.at(static_cast<std::size_t>(page)) : u""; }
  PdfMetaData MetaData() override { return isOpen ? meta : PdfMetaData{}; }
  std::u16string PageHeading(int page) override { return isOpen && page == 0 ? heading : u""; }
  bool RenderPage(int page, int dpi, PageImage& image) override {
    rendered.emplace_back(page, dpi);
    if (!isOpen || unrenderable.count(page)) return false;
    image = PageImage{8, 4, 8, dpi, std::vector<std::uint8_t>(32, 255)};
    image.bytes[0] = static_cast<std::uint8_t>(page);
    return true;
  }
};

}  // namespace folidex::test
