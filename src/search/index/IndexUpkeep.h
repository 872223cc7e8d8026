#pragma once
// Keeping the search index in step with the program's own writes: the store's record hook
// re-reads the record file it names into the index. A failure is never the write's: the index
// entry then says "not indexed" (or the index is left marked damaged), and the next search reads
// that record from its file.

#include <functional>
#include <string>
#include <vector>

#include "common/Progress.h"
#include "store/Store.h"

namespace folidex {

// Installs the hook for the whole process (the programs call it once at start).
void InstallIndexUpkeep();

// While one is alive, the hook keeps the index it opened open between records (a command that
// writes many records in a row: opening and closing Groonga's files costs more than a record's
// change). The index is closed, and so free for other processes, when the last one goes.
class IndexBatch {
 public:
  IndexBatch();
  ~IndexBatch();
  IndexBatch(const IndexBatch&) = delete;
  IndexBatch& operator=(const IndexBatch&) = delete;
};

// The record files of the store (ascending serials), from its TXT folders' listings.
std::vector<long> ListedSerials(const std::string& storeRoot);

// Whether the store's index is to be built before a search can use it (none yet, damaged, of
// another store or version).
bool IndexNeedsBuild(const std::string& storeRoot);

// Builds the store's index from its record files, showing "検索用の索引を作成しています… n/m件"
// in pane 120 and the share done on the progress bar; `cancelled` (may be empty) is asked now
// and then. False when it was cancelled or failed (pane 120 says which); the old index, if
// any, is left as it was.
bool BuildIndexWithProgress(Store& store, Progress& progress, const std::function<bool()>& cancelled);

}  // namespace folidex
