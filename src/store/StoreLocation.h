#pragma once
// The storage location: which folder texts can hold a store, and the change of location that
// the settings sheet confirms (a fresh serial count from the new location's record files).

#include <string>

#include "common/Progress.h"
#include "common/Prompter.h"
#include "common/Settings.h"
#include "store/Store.h"

namespace folidex {

// An absolute folder path (a storage location, the Word folder; native bytes); "//server/share"
// names a network share, not a folder here.
bool IsAbsoluteFolderText(const std::string& path);

// Makes `location` (as the user chose it: never converted to CP932) the storage location:
// Sys/No from the highest record below its
// DOCDATA/TXT (under the wait cursor) or 0 for a fresh DOCDATA, then KanSet/StorePath.
// A location that is not an absolute path, or whose DOCDATA cannot be created, is refused
// with a message and nothing changes; false then.
bool ChangeStoreLocation(const NativePath& location, Store& store, Settings& settings, Prompter& prompter,
                         Progress& progress);

}  // namespace folidex
