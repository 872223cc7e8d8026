#pragma once
// RunDbSearch with its knobs: the command-line tool sets the hit limit of one run, and tests
// choose the number of reader threads and the size of their batches.

#include "search/Search.h"

namespace folidex {

struct SearchRunOptions {
  long hitMax = -1;  // the most hits of this run; -1 reads KanSet/HitMax
  int readers = -1;  // reader threads; -1 chooses by the machine, 0 reads on the calling thread
  int batch = 256;   // serials per batch handed to a reader
};

struct SearchRunResult {
  int hits = 0;
  bool ran = false;  // false when the search ended before the loop (index file, reader setup)
};

SearchRunResult RunDbSearch(const SearchConditions& conditions, Store& store, ListRows& list, Settings& settings,
                            Prompter& prompter, Progress& progress, const Clock& clock,
                            const SearchRunOptions& options);

}  // namespace folidex
