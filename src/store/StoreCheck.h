#pragma once
// The store's own examination: what a reader can tell about a store's files without writing
// anything or taking the writer's lock. Every finding names its file; a problem is something a
// search, an import or a user would stumble on, a duplicate group is only information.

#include <functional>
#include <string>
#include <vector>

namespace folidex {

struct CheckFinding {
  std::string path;       // native
  std::string text;       // CP932, one line
  bool leftover = false;  // a temporary file of an interrupted write, cleaned by the next write
};

struct CheckReport {
  long records = 0;  // record files found
  long copies = 0;   // PDF copies found
  long temporaries = 0;
  long duplicateGroups = 0;  // groups of records with equal Y2
  std::vector<CheckFinding> problems;
};

struct CheckInputs {
  std::string storeRoot;     // native DOCDATA
  std::string sysNo;         // the settings' counter text (Sys/No)
  std::string settingsPath;  // where Sys/No is kept, for the message (CP932)
  // Called now and then with the records examined and the records in all.
  std::function<void(long done, long total)> progress;
};

// Examines the store below `inputs.storeRoot`, which must be an existing folder.
CheckReport CheckStore(const CheckInputs& inputs);

}  // namespace folidex
