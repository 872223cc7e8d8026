#include "common/DesktopOpener.h"

namespace folidex {

bool OpenWithDesktop(DesktopOpener& opener, const std::string& path) {
  return opener.HasProgramFor(path) && opener.OpenFile(path);
}

bool OpenFolderInExplorer(DesktopOpener& opener, Prompter& prompter, const std::string& path) {
  if (opener.ShowInFolder(path)) return true;
  prompter.Error(Msg::FileManagerStartFailed);
  return false;
}

}  // namespace folidex
