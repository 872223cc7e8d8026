#pragma once
// Keeping the search index in step with the program's own writes: the store's record hook
// re-reads the record file it names into the index. A failure is never the write's: the index
// entry then says "not indexed" (or the index is left marked damaged), and the next search reads
// that record from its file.

#include <string>
#include <vector>

#include "store/Store.h"

namespace folidex {

// Installs the hook for the whole process (the programs call it once at start).
void InstallIndexUpkeep();

// The record files of the store (ascending serials), from its TXT folders' listings.
std::vector<long> ListedSerials(const std::string& storeRoot);

}  // namespace folidex
