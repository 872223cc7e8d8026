#pragma once
// A new, empty store: the folder DOCDATA with its record, PDF and list folders, an empty index
// and the serial counter file, under a storage location that is created when missing.

#include <string>

namespace folidex {

enum class NewStoreResult {
  Created,
  NotAbsolute,   // the location is not an absolute path
  NotAFolder,    // the location exists and is not a folder
  HasStore,      // the location already holds a DOCDATA that is not empty (or not a folder)
  NotEmpty,      // the location holds other files (an empty DOCDATA is accepted with force)
  CannotCreate,  // a folder or file could not be made
};

// Makes the store at `location` (native path). Refuses a location that already holds a DOCDATA
// or anything else, unless `force` and the location holds only an empty DOCDATA folder. Never
// replaces or removes an existing file.
NewStoreResult CreateNewStore(const std::string& location, bool force);

}  // namespace folidex
