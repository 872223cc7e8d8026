#pragma once
// The DesktopOpener port on the freedesktop.org desktop: the file's type from Qt's MIME
// database, its default program from the desktop's lookup (`xdg-mime query default`, with the
// applications' mimeinfo.cache as a fallback when xdg-utils is missing), the start through
// QDesktopServices, and the file manager through its D-Bus interface
// (org.freedesktop.FileManager1.ShowItems, the file selected) or, without one, the folder
// opened with QDesktopServices.

#include <QString>

#include "common/DesktopOpener.h"

namespace folidex {

class QtDesktopOpener : public DesktopOpener {
 public:
  bool HasProgramFor(const NativePath& path) override;
  bool OpenFile(const NativePath& path) override;
  bool ShowInFolder(const NativePath& path) override;

  // The desktop entry (for example "libreoffice-calc.desktop") the desktop starts for files of
  // this MIME type, or an empty text when none is registered or its entry is not installed.
  static QString DefaultApplicationFor(const QString& mimeType);
  // A web address (http, https) in the desktop's browser; false when nothing could be started.
  static bool OpenAddress(const QString& address);
};

// The folder for files the program makes for the user to keep (exported workbooks, Word
// documents): the user's documents folder + "Folidex" (native path; not created here).
NativePath FolidexDocumentsFolder();

}  // namespace folidex
