#pragma once
// The DesktopOpener port: what the core asks of the desktop about files it has made — open a
// file with the program the desktop uses for its type, tell whether any program is registered
// for that type, and show a file in the file manager. Every path is a NativePath: one that
// went through a CP932 conversion twice cannot reach the desktop.

#include <string>

#include "common/PathText.h"
#include "common/Prompter.h"

namespace folidex {

class DesktopOpener {
 public:
  virtual ~DesktopOpener() = default;
  // True when the desktop has a program for files of this file's type (by its name).
  virtual bool HasProgramFor(const NativePath& path) = 0;
  // Opens the file with that program; false when it cannot be started.
  virtual bool OpenFile(const NativePath& path) = 0;
  // Opens the file's folder in the file manager, the file selected where the file manager
  // allows; false when no file manager can be started.
  virtual bool ShowInFolder(const NativePath& path) = 0;
};

// Opens the file with the desktop's program for its type: false when none is registered or the
// start fails (the caller shows its message; the file stays where it is).
bool OpenWithDesktop(DesktopOpener& opener, const NativePath& path);

// After an output file was written: opens it with the desktop's program; when no program is
// registered for its type, says (information, 31162) that the file was written, with its path;
// when the program cannot be started, shows `startFailed` with the path. True when opened.
bool OpenWrittenFile(DesktopOpener& opener, Prompter& prompter, const NativePath& path, Msg startFailed);

// Shows a file's folder in the file manager; 30048 when that fails.
bool OpenFolderInExplorer(DesktopOpener& opener, Prompter& prompter, const NativePath& path);

}  // namespace folidex
