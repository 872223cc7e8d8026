#pragma once
// The store's trash: a record deleted from the store goes, with its PDF copy, into one run folder
// of DOCDATA/TRASH ("YYYYMMDD-HHMMSS", see RunFolders) under its own names, and can be put back
// as long as its serial is free. Only the user empties the trash. Every change holds the store's
// writer lock.

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace folidex {

class Store;

// One delete command: its records go into one run folder, made at the first record.
class TrashRun {
 public:
  TrashRun(Store& store, std::time_t now) : store_(store), now_(now) {}

  // Moves the record file of `serial` and the store's copy (if any) into the run folder; the
  // record file first, so the store never holds a record without its copy. False when the record
  // file is not there, a folder is a link, or a move failed (what could not move stays).
  bool Move(std::string_view serial);

  const std::string& Folder() const { return folder_; }

 private:
  Store& store_;
  std::time_t now_;
  std::string folder_;
};

enum class RestoreOutcome {
  Restored,
  NotInTrash,  // no run folder holds the serial's record file
  InUse,       // the store holds a record file or copy of that serial again
  Failed,      // the store could not be locked or a file could not be moved back
};

// Puts the serial's record file and copy back from the newest run folder that holds them (the
// copy first, then the record), marks the index byte present, and removes the run folder once
// it is empty. `from` names the run folder used.
RestoreOutcome RestoreFromTrash(Store& store, std::string_view serial, std::string* from = nullptr);

struct TrashedRecord {
  std::string folder;  // the run folder (native)
  std::string serial;
};
// The records in the trash, oldest run first.
std::vector<TrashedRecord> TrashContents(const Store& store);

// The bytes the trash holds.
std::uint64_t TrashSize(const Store& store);

// Empties the trash under the writer's lock; false when the lock or a removal failed.
bool EmptyTrash(Store& store, int& removed);

}  // namespace folidex
