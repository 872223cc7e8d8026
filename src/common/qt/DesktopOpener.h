#pragma once
// The desktop's own programs: a file opened with the program the desktop has for its type (the
// PDF viewer for a PDF), an address in the desktop's browser, a folder in the file manager.
// Each returns false when nothing could be started.

#include <QString>

namespace folidex {

class DesktopOpener {
 public:
  // A local file by its native path.
  static bool OpenFile(const QString& nativePath);
  // A web address (http, https).
  static bool OpenUrl(const QString& address);
  // A folder by its native path, in the desktop's file manager.
  static bool OpenFolder(const QString& nativePath);
};

}  // namespace folidex
