#pragma once
// An HTML area that only remembers: the addresses it was sent to, and the page it "shows".

#include <string>
#include <vector>

#include "common/HtmlArea.h"

namespace folidex::test {

class FakeHtmlArea : public HtmlArea {
 public:
  std::vector<std::string> navigated;  // UTF-8
  std::string location;                // UTF-8
  std::string title;                   // UTF-8; empty: the page has none

  void Show(std::string url, std::string pageTitle = {}) {
    location = std::move(url);
    title = std::move(pageTitle);
  }

  void Navigate2(const std::string& urlOrPath) override { navigated.push_back(urlOrPath); }
  std::string GetLocationURL() const override { return location; }
  std::string GetLocationName() const override { return title.empty() ? location : title; }
  std::string LastModified() const override { return {}; }
  std::string PageType() const override { return {}; }
  bool DocumentLoaded() const override { return true; }
  void SetDocumentLoaded(bool) override {}
  int WaitTicks() const override { return 0; }
  void SetWaitTicks(int) override {}
  void GoBack() override {}
};

}  // namespace folidex::test
