#include "store/RecordListing.h"

#include <dirent.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "common/FileSystem.h"
#include "store/StoreLayout.h"

namespace folidex {

long RecordFileSerial(const char* name) {
  if (std::strlen(name) != 12 || std::strcmp(name + 8, ".TXT") != 0) return -1;
  long value = 0;
  for (int i = 0; i < 8; ++i) {
    if (name[i] < '0' || name[i] > '9') return -1;
    value = value * 10 + (name[i] - '0');
  }
  return value;
}

RecordListing ListRecordFiles(const std::string& txtFolder) {
  RecordListing listing;
  listing.textFolderListed = IsDirectory(txtFolder);
  if (!listing.textFolderListed) return listing;
  for (int k = 0; k < layout::kSubFolders; ++k) {
    char name[3] = {static_cast<char>('0' + k / 10), static_cast<char>('0' + k % 10), '\0'};
    DIR* dir = ::opendir((txtFolder + kPathSeparator + name).c_str());
    if (!dir) {
      listing.folderError[k] = (errno == ENOENT || errno == ENOTDIR) ? 0 : errno;
      continue;
    }
    for (;;) {
      errno = 0;
      dirent* entry = ::readdir(dir);
      if (!entry) {
        if (errno != 0) listing.folderError[k] = errno;  // a listing cut short knows nothing
        break;
      }
      const long serial = RecordFileSerial(entry->d_name);
      if (serial >= 0 && serial % 100 == k) listing.serials.push_back(serial);
    }
    ::closedir(dir);
  }
  std::sort(listing.serials.begin(), listing.serials.end());
  return listing;
}

}  // namespace folidex
