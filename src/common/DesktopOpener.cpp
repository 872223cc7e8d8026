#include "common/DesktopOpener.h"

#include "common/Cp932.h"

namespace folidex {

bool OpenWithDesktop(DesktopOpener& opener, const NativePath& path) {
  return opener.HasProgramFor(path) && opener.OpenFile(path);
}

bool OpenWrittenFile(DesktopOpener& opener, Prompter& prompter, const NativePath& path, Msg startFailed) {
  const std::string prefix = FromNativePath(path) + "\n";
  if (!opener.HasProgramFor(path)) {
    // The file is there: this is no failure, only nothing to show it with.
    prompter.Information(Msg::OutputWrittenNoProgram, prefix);
    return false;
  }
  if (opener.OpenFile(path)) return true;
  prompter.Error(startFailed, prefix);
  return false;
}

bool OpenFolderInExplorer(DesktopOpener& opener, Prompter& prompter, const NativePath& path) {
  if (opener.ShowInFolder(path)) return true;
  prompter.Error(Msg::FileManagerStartFailed);
  return false;
}

}  // namespace folidex
