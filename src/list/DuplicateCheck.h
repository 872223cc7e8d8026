#pragma once
// The duplicate check (command 315): records whose PDFs have equal SHA-256 fingerprints (Y2)
// form groups, kept in the list's duplicate table, which the list's drawing consults. Either
// the listed rows or every record of the store is checked; missing fingerprints are computed
// and stored in the records on the way.
//
// A group is only ever entered into the table whole, and only while the table then still holds
// fewer than ListRows::kDuplicateDrawLimit entries (the most the drawing colours). A group that
// does not fit ends the grouping with 30063, like the thirtieth group: the groups found so far
// stay in the table and are coloured.

#include <string>
#include <string_view>
#include <vector>

#include "common/Progress.h"
#include "common/Prompter.h"
#include "common/Settings.h"
#include "list/ListRows.h"
#include "store/Store.h"

namespace folidex {

inline constexpr int kDuplicateGroupLimit = 30;

// The fingerprint of one record: its Y2 when that has exactly 64 characters; otherwise the
// digest of the document's file when it resolves to one, written into the record file's Y2 line
// (even when the digest came out empty) with every other byte of the file kept; a file without
// a Y2 line is left as it is. A failed write is reported and the digest still used. Empty when
// the record cannot be loaded (an oversize one reported) or has no file.
//
// A check's write-backs share one hold of the writer's lock (`writeBack`), taken at the first
// record that needs one; when the store cannot be locked (its message shown once) the digests
// are used without being stored. Without `writeBack` the write takes the lock for itself.
struct FingerprintWriteBack {
  StoreWriteLock lock;
  bool tried = false;
};
std::string RecordFingerprint(Store& store, std::string_view serial, FingerprintWriteBack* writeBack = nullptr);

// Why a grouping ended before its last position.
enum class GroupingStop { None, GroupLimit, TableFull, HitMax };

struct DuplicateGrouping {
  std::vector<ListRows::DuplicateEntry> entries;  // in table order
  int groups = 0;
  GroupingStop stop = GroupingStop::None;
};

// Groups equal, non-empty fingerprints. A group is formed at the first position of each
// fingerprint that occurs more than once: the later positions in ascending order, then the
// first one; groups come in the order of their first positions. Stops after the thirtieth
// group, when a group would not fit in the table, and (hitMax > 0) at the first non-empty
// position met once the entry count has reached hitMax. Progress "%d%%" 50..99 in pane 120.
// Runs in time linear in the number of fingerprints.
DuplicateGrouping GroupFingerprints(const std::vector<std::string>& fingerprints, const std::vector<long>& serials,
                                    long hitMax, Progress& progress);

// Shows the message of a stop (30063, 30067) and puts the entries into the list's table
// (emptied first). Returns the number of groups.
int ApplyGrouping(const DuplicateGrouping& grouping, ListRows& list, Prompter& prompter);

// The check over the listed rows (serial = the numeric value of column 1). Colours the groups,
// reports "%d件の" + 30065, and returns the number of groups (0: nothing reported here).
int CheckListDuplicates(ListRows& list, Store& store, Prompter& prompter, Progress& progress);

// The all-data part of the check: the fingerprints of serials 0..Sys/No-1 grouped with the
// HitMax stop into `table`'s duplicate table. Returns the number of groups; -1 when the counter
// is not valid (31021 shown) or memory ran out (30001 shown), the table unchanged then.
int FindStoreDuplicates(ListRows& table, Store& store, Prompter& prompter, Progress& progress);

// The check over every record of the store: FindStoreDuplicates, then "%d件の" + 30066; Yes
// replaces the list's rows by the entries in table order and refreshes them, No empties the
// table. Returns the number of groups.
int CheckStoreDuplicates(ListRows& list, Store& store, Prompter& prompter, Progress& progress);

// Command 315: 30062 chooses the list (Yes), all data (No) or nothing (Cancel); 30064 when the
// chosen check found no group.
void DuplicateCheckCommand(ListRows& list, Store& store, Prompter& prompter, Progress& progress);

// Command 314: the check's result cleared (no colouring).
void ClearDuplicateCheck(ListRows& list);

}  // namespace folidex
