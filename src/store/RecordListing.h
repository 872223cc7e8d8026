#pragma once
// Which record files a store holds, learnt from the listings of its hundred TXT folders alone:
// no record file is opened or examined. Only names of exactly eight digits and ".TXT" in the
// folder of their last two digits count (TXT/07/00000107.TXT); any other name is not a record.

#include <array>
#include <string>
#include <vector>

namespace folidex {

struct RecordListing {
  // The TXT folder itself is a folder that could be opened. When it is not, nothing below it
  // is known: a store whose drive went away has lost no record.
  bool textFolderListed = false;
  // Per sub-folder 00..99: 0 when listed (a folder that is not there counts as listed and
  // empty), else the errno with which it could not be read (its records are unknown).
  std::array<int, 100> folderError{};
  // The serials of the record files found, ascending. Any kind of directory entry counts (a
  // link or a FIFO in a record's place is the reader's to refuse).
  std::vector<long> serials;

  bool FolderKnown(long serial) const { return textFolderListed && folderError[serial % 100] == 0; }
};

// Lists `txtFolder` (native: DOCDATA/TXT). May throw std::bad_alloc.
RecordListing ListRecordFiles(const std::string& txtFolder);

// The same listing, with the names of a sub-folder taken from the memo file `memoPath` (derived
// data, native path) when the folder's status (device, inode, size, modification and change
// time) is the one the memo holds for it: a name added, removed or renamed into or out of a
// folder changes its times. A folder is remembered only when both its times are more than a
// couple of seconds older than `nowNs` (the wall clock in nanoseconds; -1: now), since a change
// in the same tick of a coarse clock, or on a drive whose clock runs a little apart, may leave
// them as they were. The memo is rewritten when a folder had to be listed anew; a memo that
// cannot be read or does not add up is ignored. May throw std::bad_alloc.
RecordListing ListRecordFilesRemembered(const std::string& txtFolder, const std::string& memoPath,
                                        long long nowNs = -1);

// The serial named by a record file name "ssssssss.TXT", or -1.
long RecordFileSerial(const char* name);

}  // namespace folidex
