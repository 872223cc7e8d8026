#pragma once
// RunDbSearch with its knobs: the command-line tool sets the hit limit of one run, the desktop
// program lets Esc cancel a run, and tests choose the number of reader threads and the size of
// their batches.

#include <functional>

#include "search/Search.h"

namespace folidex {

struct SearchRunOptions {
  long hitMax = -1;   // the most hits of this run; -1 reads KanSet/HitMax
  int readers = -1;   // reader threads; -1 chooses by the machine, 0 reads on the calling thread
  int batch = 256;    // serials per batch handed to a reader
  int useIndex = -1;  // 1 asks the search index, 0 reads every record; -1 reads KanSet/Index
  int hints = -1;     // read-ahead hint threads (FileReadAhead); -1 chooses by the machine, 0 none
  // The wall clock (ns) by which remembered folder listings are judged; -1: now.
  long long listingNowNs = -1;
  // Asked before each record is examined, and every few tens of milliseconds while the walk
  // waits for a read: true stops the search there. The hits found so far stay in the list, the
  // index file is repaired as far as the walk came, and pane 120 says the search was cancelled.
  std::function<bool()> cancelled;
};

// How the search index took part in a search.
enum class IndexUse {
  Off,      // not asked (turned off, or conditions it cannot narrow)
  Used,     // it proposed the records read
  Missing,  // none built yet: every record was read
  Invalid,  // damaged, of another store or version: every record was read; to be rebuilt
  Busy,     // in use by another process: every record was read
  Failed,   // it did not answer: every record was read
};

struct SearchRunResult {
  int hits = 0;
  bool ran = false;  // false when the search ended before the loop (index file, reader setup)
  IndexUse index = IndexUse::Off;
  long read = 0;     // record files read
  long changed = 0;  // record files found changed since they were indexed (re-indexed)
  bool cancelled = false;
};

// Whether the search index can narrow these conditions (a term of two characters or more).
bool IndexCanNarrow(const SearchConditions& conditions);

SearchRunResult RunDbSearch(const SearchConditions& conditions, Store& store, ListRows& list, Settings& settings,
                            Prompter& prompter, Progress& progress, const Clock& clock,
                            const SearchRunOptions& options);

}  // namespace folidex
