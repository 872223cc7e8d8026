#pragma once
// A DesktopOpener that records what it was asked and answers as prepared.

#include <string>
#include <vector>

#include "common/DesktopOpener.h"

namespace folidex::test {

class FakeDesktopOpener : public DesktopOpener {
 public:
  bool hasProgram = true;    // HasProgramFor's answer
  bool openSucceeds = true;  // OpenFile's answer
  bool showSucceeds = true;  // ShowInFolder's answer
  std::vector<std::string> asked, opened, shownInFolder;

  bool HasProgramFor(const NativePath& path) override {
    asked.push_back(path);
    return hasProgram;
  }
  bool OpenFile(const NativePath& path) override {
    opened.push_back(path);
    return openSucceeds;
  }
  bool ShowInFolder(const NativePath& path) override {
    shownInFolder.push_back(path);
    return showSucceeds;
  }
};

}  // namespace folidex::test
