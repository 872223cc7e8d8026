#pragma once
// The search index: a Groonga database of the folded searchable texts of a store's records
// (title, author, subtitle, keywords and body), each a bigram index without positions, so that a search term
// names the few records that may hold it instead of every record being read. It is derived
// data kept outside the store, per user and machine:
//   $XDG_CACHE_HOME/Orvane/Folidex/index/<name of the store's real path>/
//     info      format version, Groonga version and the store's real path (written last by a build)
//     stamps    per serial the file status of the record file as it was indexed (0: not indexed)
//     db*       the Groonga database
//     lock      held (flock) by the one process that uses the index at a time
//     writing   present while a process changes the index: left behind, the index is damaged
//     unsynced  the boot whose changes may not be on the disk yet: after a restart, damaged
//     listing   the TXT folders' listings as a search last saw them (ListRecordFilesRemembered)
// An index of another store, another format or another Groonga version is never used, nor a
// damaged one: it is rebuilt from the record files, and until then the search reads them all.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <sys/stat.h>

#include "search/index/IndexText.h"

namespace folidex {

// The index's texts: the four header fields and the body.
enum class IndexColumn { PT, PA, PS, PK, Body };
inline constexpr int kIndexColumns = 5;

// The status of a record file as the index remembers it: inode, size, modification and change
// time in one number (never 0).
std::uint64_t FileStamp(const struct stat& st);

// The index folder of a store (its DOCDATA, native); empty without a cache folder.
std::string IndexFolderOf(const std::string& storeRoot);
// The real path the index names its store by.
std::string IndexStoreName(const std::string& storeRoot);

// Figures of an index.
struct IndexFigures {
  long records = 0;             // records indexed
  std::uint64_t bytes = 0;      // size of the index folder
  std::uint64_t textBytes = 0;  // bytes of the record files it was built from (Build only)
};

class SearchIndex {
 public:
  enum class OpenResult { Opened, Missing, Busy, Invalid };

  ~SearchIndex();
  SearchIndex(const SearchIndex&) = delete;
  SearchIndex& operator=(const SearchIndex&) = delete;

  // Opens the index of `storeRoot` for use. Missing: none was built; Busy: another process uses
  // it; Invalid: damaged, of another store or version (to be rebuilt).
  static std::unique_ptr<SearchIndex> Open(const std::string& storeRoot, OpenResult& result);

  // How far a build has come: first the record files are read (`read` of `total`), then the
  // indexes are made from the texts read (`finishingPercent` 0-100; -1 while reading).
  struct BuildProgress {
    long read = 0;
    long total = 0;
    int finishingPercent = -1;
  };

  // Builds a new index of the store from its record files (`serials` ascending, the records that
  // exist) and puts it in place of the old one. `progress` is called now and then; false from
  // it cancels (nothing changes then). False when the build failed or was cancelled.
  static bool Build(const std::string& storeRoot, const std::vector<long>& serials,
                    const std::function<bool(const BuildProgress&)>& progress, IndexFigures* figures = nullptr);

  // Whether the store has an index that Open may find usable (one was built).
  static bool Exists(const std::string& storeRoot);

  // Removes the index of the store. False when something could not be removed.
  static bool Drop(const std::string& storeRoot);

  // The stamp the index holds for `serial` (0: not indexed).
  std::uint64_t StampOf(long serial) const {
    return serial >= 0 && static_cast<std::size_t>(serial) < stamps_.size() ? stamps_[static_cast<std::size_t>(serial)]
                                                                            : 0;
  }
  const std::vector<std::uint64_t>& Stamps() const { return stamps_; }

  // Reads the record file at `path` (native) and indexes it under `serial` (a damaged one with
  // no text), or removes the serial when the file is missing or cannot be read. False when the index could not
  // be changed (it is then not to be trusted until repaired: its entry says not indexed).
  bool Update(long serial, const std::string& path);
  bool Remove(long serial);

  // The serials (ascending) whose text in `column` holds every bigram of every piece (all that
  // hold the pieces, and maybe others). Nothing on an error or without any piece.
  std::optional<std::vector<long>> Find(IndexColumn column, const std::vector<std::string>& pieces);

  IndexFigures Figures() const;
  // Whether every indexed record's stamp has its row and the database answers (for --check).
  bool Check(std::string& problem);

 private:
  struct Impl;
  explicit SearchIndex(std::unique_ptr<Impl> impl);
  bool Put(long serial, std::uint64_t stamp, const RecordTextParts* parts);
  bool WriteStamp(long serial, std::uint64_t stamp);
  bool MarkWriting();

  std::unique_ptr<Impl> impl_;
  std::vector<std::uint64_t> stamps_;
};

}  // namespace folidex
