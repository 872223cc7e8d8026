// The database search: every serial handed out is examined in order, the index file is
// repaired as the walk goes, and the hits become rows of the list.
//
// Which record files exist is learnt from the TXT folders' listings: only those are opened, and
// a serial without a file is marked missing in the index without a system call of its own, so
// a counter far ahead of the records costs a walk over the index bytes, not an open per serial.
//
// Reading and matching a record file depends only on the file and the conditions, so reader
// threads do it ahead, in batches of consecutive serials. Everything that is observable — the
// index repairs, the working record, the rows, the hit limit, progress and messages — happens
// here on the calling thread, strictly in serial order, exactly as a one-by-one walk would.
// Ahead of the readers, hint threads ask the kernel to bring the next record files into memory,
// so that a cold walk has many reads in flight instead of one per reader.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "common/ByteText.h"
#include "common/Cp932.h"
#include "common/FileSystem.h"
#include "common/Messages.h"
#include "common/Normalize.h"
#include "common/SettingsTable.h"
#include "list/RecordRow.h"
#include "search/RecordScan.h"
#include "search/SearchRun.h"
#include "search/index/IndexText.h"
#include "search/index/SearchIndex.h"
#include "search/index/StatusSweep.h"
#include "store/FileReadAhead.h"
#include "store/RecordListing.h"
#include "store/StoreLayout.h"

namespace folidex {
namespace {

using Serial = unsigned long;

// The serials the walk opens, [begin, end) of them, and their scans.
struct Batch {
  std::size_t begin = 0, end = 0;
  std::vector<ScanResult> results;
};

// The index is read and rewritten in pieces of this size: a few calls even for the largest.
constexpr std::size_t kIndexChunk = 8u << 20;

// The hundred record folders TXT/00 .. TXT/99, opened once per search so that each record file
// is opened by its name alone (no folder is created or examined per record).
class RecordFolders {
 public:
  explicit RecordFolders(const std::string& nativeTxtFolder) {
    for (int k = 0; k < 100; ++k) {
      char name[3] = {static_cast<char>('0' + k / 10), static_cast<char>('0' + k % 10), '\0'};
      std::string path = nativeTxtFolder + name;
      int fd = ::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
      fds_[k] = fd >= 0 ? fd : -errno;
    }
  }
  ~RecordFolders() {
    for (int fd : fds_) {
      if (fd >= 0) ::close(fd);
    }
  }
  RecordFolders(const RecordFolders&) = delete;
  RecordFolders& operator=(const RecordFolders&) = delete;

  // The folder of a serial (its last two digits) and the file name in it.
  int FolderOf(Serial serial) const { return fds_[serial % 100]; }

 private:
  int fds_[100];
};

// "ssssssss.TXT" for a serial.
class RecordName {
 public:
  const char* For(Serial serial) {
    std::snprintf(name_, sizeof name_, "%08lu.TXT", serial);
    return name_;
  }

 private:
  char name_[32];
};

// Scans the batch's record files, telling `hints` of each one that had to come from the disk; a
// reader stops early when `stop` is set (the walk no longer wants the batch).
void ScanBatch(Batch& batch, const std::vector<Serial>& serials, const RecordFolders& folders, RecordScanner& scanner,
               FileReadAhead& hints, const std::atomic<bool>* stop = nullptr) {
  RecordName name;
  if (batch.results.size() < batch.end - batch.begin) batch.results.resize(batch.end - batch.begin);
  for (std::size_t k = batch.begin; k < batch.end; ++k) {
    if (stop && stop->load(std::memory_order_relaxed)) return;
    const Serial i = serials[k];
    ScanResult& result = batch.results[k - batch.begin];
    try {
      scanner.Scan(folders.FolderOf(i), name.For(i), result);
      if (scanner.Missed()) hints.Missed(k);
    } catch (const std::bad_alloc&) {
      result.status = ScanStatus::NoMemory;  // a file too large for memory is skipped, not marked
      result.lines = 0;
    }
  }
}

// The native path of a serial's record file under the TXT folder (with its separator).
std::string RecordPathIn(const std::string& txtFolder, Serial serial) {
  char name[40];
  std::snprintf(name, sizeof name, "%02lu%c%08lu.TXT", serial % 100, kPathSeparator, serial);
  return txtFolder + name;
}

// Batches scanned ahead by reader threads and handed out in order; with no readers each batch
// is scanned when it is asked for. The hints run ahead of the batch the readers last took.
class ReadAhead {
 public:
  ReadAhead(const SearchMatcher& matcher, const std::vector<Serial>& serials, const std::string& txtFolder, int readers,
            int batchSize, int hints)
      : matcher_(matcher),
        serials_(serials),
        folders_(txtFolder),
        batchSize_(static_cast<std::size_t>(std::max(1, batchSize))),
        batches_(static_cast<long>((serials.size() + batchSize_ - 1) / batchSize_)),
        hints_(
            serials.size(), [&serials, txtFolder](std::size_t k) { return RecordPathIn(txtFolder, serials[k]); },
            std::max(0, hints), std::max(kReadAheadWindow, 2 * batchSize_), true) {
    if (readers <= 0 || batches_ <= 1) {
      StartInline();
      return;
    }
    slots_.resize(static_cast<std::size_t>(2 * readers + 1));
    try {
      for (int r = 0; r < readers; ++r) threads_.emplace_back([this] { ReaderLoop(); });
    } catch (const std::system_error&) {
      StopReaders();
      StartInline();
    }
  }
  ~ReadAhead() { StopReaders(); }
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  long BatchCount() const { return batches_; }

  // Batch `id` (0, 1, 2, … in order), scanned; null when `cancelled`, asked every few tens of
  // milliseconds while the batch is not ready yet, said so.
  Batch* Take(long id, const std::function<bool()>& cancelled) {
    if (inline_) {
      Batch& batch = slots_[0].batch;
      Prepare(batch, id);
      hints_.Reached(batch.begin);
      ScanBatch(batch, serials_, folders_, *scanner_, hints_);
      return &batch;
    }
    Slot& slot = SlotOf(id);
    std::unique_lock lock(mutex_);
    while (!taken_.wait_for(lock, std::chrono::milliseconds(40), [&] { return slot.ready && slot.id == id; })) {
      if (!cancelled) continue;
      lock.unlock();
      const bool stop = cancelled();
      lock.lock();
      if (stop) return nullptr;
    }
    return &slot.batch;
  }

  // Batch `id` is done with; its slot may be scanned again.
  void Release(long id) {
    if (inline_) return;
    {
      std::lock_guard lock(mutex_);
      SlotOf(id).ready = false;
      released_ = id + 1;
    }
    freed_.notify_all();
  }

 private:
  struct Slot {
    Batch batch;
    long id = -1;
    bool ready = false;
  };

  Slot& SlotOf(long id) { return slots_[static_cast<std::size_t>(id) % slots_.size()]; }

  void Prepare(Batch& batch, long id) const {
    batch.begin = static_cast<std::size_t>(id) * batchSize_;
    batch.end = std::min(serials_.size(), batch.begin + batchSize_);
  }

  void StartInline() {
    inline_ = true;
    slots_.resize(1);
    scanner_ = std::make_unique<RecordScanner>(matcher_);
  }

  void StopReaders() {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
      abandon_ = true;
    }
    freed_.notify_all();
    for (auto& thread : threads_) thread.join();
    threads_.clear();
  }

  void ReaderLoop() {
    RecordScanner scanner(matcher_);
    const long ahead = static_cast<long>(slots_.size());
    for (;;) {
      long id;
      {
        std::unique_lock lock(mutex_);
        freed_.wait(lock, [&] { return stop_ || claimed_ >= batches_ || claimed_ < released_ + ahead; });
        if (stop_ || claimed_ >= batches_) return;
        id = claimed_++;
        hints_.Reached(static_cast<std::size_t>(id) * batchSize_);
      }
      Slot& slot = SlotOf(id);
      Prepare(slot.batch, id);
      ScanBatch(slot.batch, serials_, folders_, scanner, hints_, &abandon_);
      {
        std::lock_guard lock(mutex_);
        slot.id = id;
        slot.ready = true;
      }
      taken_.notify_all();
    }
  }

  const SearchMatcher& matcher_;
  const std::vector<Serial>& serials_;
  const RecordFolders folders_;
  const std::size_t batchSize_;
  const long batches_;

  FileReadAhead hints_;
  bool inline_ = false;
  std::unique_ptr<RecordScanner> scanner_;

  std::vector<Slot> slots_;
  std::vector<std::thread> threads_;
  std::mutex mutex_;
  std::condition_variable taken_, freed_;
  long claimed_ = 0;   // batches handed to readers
  long released_ = 0;  // batches the walk is done with
  bool stop_ = false;
  std::atomic<bool> abandon_{false};  // the readers stop within their batch
};

// The serials below `n` that the walk opens, ascending: those the index does not mark '0' (past
// its end: all) whose record file is listed, and in a folder that could not be listed, every one
// the index does not mark (opening it is the only way to know). `indexSize` is the index's size.
std::vector<Serial> WalkedSerials(int fd, Serial n, const RecordListing& listing, std::uint64_t& indexSize,
                                  bool& readable) {
  std::vector<Serial> serials;
  struct stat st;
  readable = ::fstat(fd, &st) == 0;
  if (!readable) return serials;
  indexSize = static_cast<std::uint64_t>(st.st_size);
  std::vector<int> unlisted;
  if (listing.textFolderListed) {
    for (int k = 0; k < 100; ++k) {
      if (listing.folderError[k] != 0) unlisted.push_back(k);
    }
  }
  auto listed = std::lower_bound(listing.serials.begin(), listing.serials.end(), 0L);
  std::string bytes;
  for (Serial c0 = 0; c0 < n; c0 += kIndexChunk) {
    const Serial c1 = std::min<Serial>(n, c0 + kIndexChunk);
    bytes.clear();
    if (c0 < indexSize && !ReadAt(fd, c0, c1 - c0, bytes)) {
      readable = false;
      return {};
    }
    auto present = [&](Serial i) { return i - c0 >= bytes.size() || bytes[i - c0] != '0'; };
    for (; listed != listing.serials.end() && static_cast<Serial>(*listed) < c1; ++listed) {
      const Serial i = static_cast<Serial>(*listed);
      if (listing.FolderKnown(*listed) && present(i)) serials.push_back(i);
    }
    for (int k : unlisted) {
      for (Serial i = c0 + (static_cast<Serial>(k) + 100 - c0 % 100) % 100; i < c1; i += 100) {
        if (present(i)) serials.push_back(i);
      }
    }
  }
  if (!unlisted.empty()) std::sort(serials.begin(), serials.end());
  return serials;
}

// Leaves the index file as the one-by-one walk would over [0, reached): '0' over each serial
// whose record file is absent (known from its folder's listing, or found missing when opened),
// and one byte appended for every serial past the old end ('1', or '0' when absent). Only the
// bytes that change are written, a chunk at a time. False when a read or write fails.
bool WriteIndexRepairs(int fd, std::uint64_t oldSize, Serial reached, const RecordListing* listing,
                       const std::vector<Serial>& missing) {
  auto listed = listing ? listing->serials.begin() : std::vector<long>::const_iterator();
  auto gone = missing.begin();
  std::string bytes;
  for (Serial c0 = 0; c0 < reached; c0 += kIndexChunk) {
    const Serial c1 = std::min<Serial>(reached, c0 + kIndexChunk);
    bytes.clear();
    if (c0 < oldSize && !ReadAt(fd, c0, std::min<std::uint64_t>(c1, oldSize) - c0, bytes)) return false;
    const std::size_t kept = bytes.size();  // the old bytes; the rest is appended
    bytes.resize(c1 - c0, '1');
    std::size_t first = bytes.size(), last = 0;  // the span that changes
    auto change = [&](std::size_t at) {
      if (bytes[at] == '0') return;
      bytes[at] = '0';
      first = std::min(first, at);
      last = std::max(last, at + 1);
    };
    if (listing) {
      for (Serial i = c0; i < c1; ++i) {
        while (listed != listing->serials.end() && static_cast<Serial>(*listed) < i) ++listed;
        const bool isListed = listed != listing->serials.end() && static_cast<Serial>(*listed) == i;
        if (!isListed && listing->FolderKnown(static_cast<long>(i))) change(i - c0);
      }
    }
    for (; gone != missing.end() && *gone < c1; ++gone) change(*gone - c0);
    if (kept < bytes.size()) {
      first = std::min(first, kept);
      last = bytes.size();
    }
    if (first >= last) continue;
    if (!WriteAllAt(fd, std::string_view(bytes).substr(first, last - first), c0 + first)) return false;
  }
  return true;
}

// Under a minute the time in hundredths of a second ("0.03秒", from the steady clock: a search
// that answers from the index takes a fraction of a second); from a minute up %H:%M:%S.
std::string ElapsedText(std::time_t seconds, double preciseSeconds) {
  if (seconds < 0) seconds = 0;
  if (seconds < 60 && preciseSeconds < 60) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", std::max(0.0, preciseSeconds));
    return text + Utf8ToCp932("秒");
  }
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", static_cast<int>(seconds / 3600 % 24),
                static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
  return text;
}

bool Cancelled(const SearchRunOptions& options) { return options.cancelled && options.cancelled(); }

// Pane 120 says the search was cancelled, pane 123 how long it ran.
void ShowCancelled(Progress& progress, std::time_t seconds, std::chrono::steady_clock::time_point started) {
  progress.SetProgressBar(0);
  progress.SetPaneText(
      StatusPane::ProcessingTime,
      ElapsedText(seconds, std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count()));
  progress.SetPaneText(StatusPane::Url, MessageText(Msg::SearchCancelled));
  progress.Repaint();
}

int DefaultReaders() {
  unsigned cores = std::thread::hardware_concurrency();
  return cores <= 1 ? 1 : static_cast<int>(std::min(cores, 4u));
}

// What the index is asked: per text the pieces each candidate must hold; with `any` a record
// is a candidate when one of the texts holds its pieces (full text), else when all do.
struct IndexPlan {
  std::vector<std::pair<IndexColumn, std::vector<std::string>>> terms;
  bool any = false;
};

std::optional<IndexPlan> PlanIndex(const SearchConditions& c) {
  if (!c.hasTextCondition) return std::nullopt;
  const bool fold = c.flags.yure;
  // The form in which the matcher compares a term: folded, or as it is.
  auto pieces = [fold](const std::string& term) { return QueryPieces(fold ? FoldForMatch(term) : term, fold); };
  IndexPlan plan;
  if (!c.flags.zenbun) {
    for (int k = 0; k < 5; ++k) {
      if (c.goku[k].empty()) continue;
      std::vector<std::string> p = pieces(c.goku[k]);
      if (!p.empty()) plan.terms.emplace_back(static_cast<IndexColumn>(k), std::move(p));
    }
    if (plan.terms.empty()) return std::nullopt;
    return plan;
  }
  // Full text: a hit holds the term as typed in a field, or the body holds its normalised form.
  plan.any = true;
  if (c.rawFullTextTerm.empty()) return std::nullopt;
  std::vector<std::string> raw = pieces(c.rawFullTextTerm);
  std::vector<std::string> body = pieces(c.goku[5]);
  if (raw.empty() || body.empty()) return std::nullopt;
  for (int k = 0; k < 4; ++k) plan.terms.emplace_back(static_cast<IndexColumn>(k), raw);
  plan.terms.emplace_back(IndexColumn::Body, std::move(body));
  return plan;
}

std::optional<std::vector<long>> AskIndex(SearchIndex& index, const IndexPlan& plan) {
  std::vector<long> result;
  bool first = true;
  for (const auto& [column, pieces] : plan.terms) {
    std::optional<std::vector<long>> found = index.Find(column, pieces);
    if (!found) return std::nullopt;
    std::vector<long> merged;
    if (first) {
      merged = std::move(*found);
    } else if (plan.any) {
      std::set_union(result.begin(), result.end(), found->begin(), found->end(), std::back_inserter(merged));
    } else {
      std::set_intersection(result.begin(), result.end(), found->begin(), found->end(), std::back_inserter(merged));
    }
    result.swap(merged);
    first = false;
  }
  return result;
}

}  // namespace

bool IndexCanNarrow(const SearchConditions& conditions) { return PlanIndex(conditions).has_value(); }

SearchRunResult RunDbSearch(const SearchConditions& conditions, Store& store, ListRows& list, Settings& settings,
                            Prompter& prompter, Progress& progress, const Clock& clock,
                            const SearchRunOptions& options) {
  SearchRunResult outcome;
  const std::time_t t0 = clock.Now();
  const auto started = std::chrono::steady_clock::now();
  // A damaged counter stops the search with its message before any file is touched.
  const std::optional<long> counter = store.ReadSerialCount();
  if (!counter) return outcome;
  FileHandle indexFile = store.OpenIndexFile();
  if (!indexFile) return outcome;

  const Serial n = static_cast<Serial>(*counter);
  const long hitMax = options.hitMax >= 0 ? options.hitMax : settings.GetInt(setting::HitMax);
  const std::string indexPrefix = Utf8ToCp932("索引");

  std::unique_ptr<SearchMatcher> matcher;
  std::unique_ptr<ReadAhead> readAhead;
  const std::string txtFolder = store.StoreRoot() + kPathSeparator + std::string(layout::kText) + kPathSeparator;
  std::unique_ptr<RecordListing> listing;
  std::vector<Serial> walked;
  std::uint64_t indexSize = 0;
  std::unique_ptr<SearchIndex> index;
  std::vector<Serial> stale;  // record files changed since they were indexed
  std::vector<long> gone;     // index entries of records no longer walked
  // The index is opened and asked on a thread of its own while the folders are listed.
  const bool useIndex = (options.useIndex < 0 ? settings.GetInt(setting::Index) : options.useIndex) != 0;
  std::optional<IndexPlan> plan;
  SearchIndex::OpenResult opened = SearchIndex::OpenResult::Missing;
  std::optional<std::vector<long>> candidates;
  const auto openAndAsk = [&] {
    try {
      index = SearchIndex::Open(store.StoreRoot(), opened);
      if (index) candidates = AskIndex(*index, *plan);
    } catch (const std::bad_alloc&) {
      candidates.reset();  // the index failed: the record files are read instead
    }
  };
  std::thread asking, closing;
  struct AskJoiner {
    std::thread& thread;
    ~AskJoiner() {
      if (thread.joinable()) thread.join();
    }
  } askJoiner{asking}, closeJoiner{closing};
  try {
    plan = useIndex ? PlanIndex(conditions) : std::nullopt;
    if (plan) {
      try {
        asking = std::thread(openAndAsk);
      } catch (const std::system_error&) {
        // No thread to be had: the index is opened below, after the listing.
      }
    }
    // Which record files exist, from the folders' listings; then the serials to open, from the
    // index entries of the serials handed out (an index longer than that is read no further).
    // With an index, the listings of folders unchanged since the last search are remembered
    // beside it (the index is of no use without the listing: it is on the way to every answer).
    const std::string txtPath = txtFolder.substr(0, txtFolder.size() - 1);
    const std::string indexFolder = plan ? IndexFolderOf(store.StoreRoot()) : std::string();
    listing = std::make_unique<RecordListing>(
        !indexFolder.empty() && IsDirectory(indexFolder)
            ? ListRecordFilesRemembered(txtPath, indexFolder + kPathSeparator + "listing", options.listingNowNs)
            : ListRecordFiles(txtPath));
    bool readable = false;
    walked = WalkedSerials(indexFile.get(), n, *listing, indexSize, readable);
    if (!readable) {
      prompter.Error(Msg::FileOpenFailed, indexPrefix);
      return outcome;
    }
    // The status of every walked record file is taken while the index is opened and asked (and
    // the matcher made).
    std::optional<StatusSweep> sweep;
    if (plan && SearchIndex::Exists(store.StoreRoot())) sweep.emplace(txtFolder, walked, DefaultReaders());
    matcher = std::make_unique<SearchMatcher>(conditions);
    if (plan) {
      if (asking.joinable())
        asking.join();
      else
        openAndAsk();
      outcome.index = opened == SearchIndex::OpenResult::Missing   ? IndexUse::Missing
                      : opened == SearchIndex::OpenResult::Busy    ? IndexUse::Busy
                      : opened == SearchIndex::OpenResult::Invalid ? IndexUse::Invalid
                                                                   : IndexUse::Used;
    }
    if (!index) sweep.reset();
    if (index && !sweep) sweep.emplace(txtFolder, walked, DefaultReaders());  // built meanwhile
    if (index) {
      // The index's answer and the status of every record file, side by side; a record whose
      // file is not as it was indexed is read whatever the index says, and indexed again.
      // A sweep over a large store on a slow disk takes a while: Esc is heard meanwhile.
      const std::vector<std::uint64_t>* swept = sweep->Stamps([&] { return Cancelled(options); });
      if (!swept) {
        // Nothing has been changed yet: the list and the index file stay as they were.
        outcome.cancelled = true;
        ShowCancelled(progress, clock.Now() - t0, started);
        return outcome;
      }
      const std::vector<std::uint64_t>& status = *swept;
      if (!candidates) {
        index.reset();
        outcome.index = IndexUse::Failed;
      } else {
        std::vector<Serial> narrowed;
        for (std::size_t k = 0; k < walked.size(); ++k) {
          if (status[k] == 0 || status[k] != index->StampOf(static_cast<long>(walked[k]))) {
            stale.push_back(walked[k]);
            narrowed.push_back(walked[k]);
          } else if (std::binary_search(candidates->begin(), candidates->end(), static_cast<long>(walked[k]))) {
            narrowed.push_back(walked[k]);
          }
        }
        // Entries of records that are gone from the walk (deleted, or marked gone in the index file).
        std::vector<std::uint64_t> const& stamps = index->Stamps();
        for (std::size_t serial = 0; serial < stamps.size(); ++serial) {
          if (stamps[serial] != 0 && !std::binary_search(walked.begin(), walked.end(), static_cast<Serial>(serial)))
            gone.push_back(static_cast<long>(serial));
        }
        walked.swap(narrowed);
        outcome.changed = static_cast<long>(stale.size());
        // With nothing to index again the index has answered all it is asked: it is closed
        // (Groonga's files unmapped, the lock let go) while the walk reads the candidates.
        if (stale.empty() && gone.empty()) {
          try {
            closing = std::thread([done = std::move(index)]() mutable { done.reset(); });
          } catch (const std::system_error&) {
            // Closed here instead: the callable that holds it went with the thread not made.
          }
        }
      }
    }
    outcome.read = static_cast<long>(walked.size());
    readAhead = std::make_unique<ReadAhead>(*matcher, walked, txtFolder,
                                            options.readers < 0 ? DefaultReaders() : options.readers, options.batch,
                                            options.hints < 0 ? ReadAheadThreads() : options.hints);
  } catch (const std::bad_alloc&) {
    prompter.Error(Msg::FileObjectFailed);
    return outcome;
  }
  // The changed records are indexed again while the walk reads them (on a thread of its own, the
  // only user of the index from here on).
  // A cancelled search stops it after the record it holds: those not done are found changed again.
  std::thread upkeep;
  std::atomic<bool> upkeepStop{false};
  std::vector<std::string> stalePaths;
  if (index && (!stale.empty() || !gone.empty())) {
    try {
      for (Serial i : stale) stalePaths.push_back(store.RecordFilePath(FormatSerial(static_cast<long>(i)), kKindText));
      upkeep = std::thread([&] {
        for (std::size_t k = 0; k < stale.size() && !upkeepStop; ++k)
          index->Update(static_cast<long>(stale[k]), stalePaths[k]);
        for (std::size_t k = 0; k < gone.size() && !upkeepStop; ++k) index->Remove(gone[k]);
      });
    } catch (const std::exception&) {
    }
  }
  struct Joiner {
    std::thread& thread;
    ~Joiner() {
      if (thread.joinable()) thread.join();
    }
  } joiner{upkeep};
  if (!conditions.flags.addList) list.DeleteAllRows();
  outcome.ran = true;
  progress.SetProgressBar(0);

  // Progress is shown at most every few tens of milliseconds, so that repainting stays cheap.
  using SteadyClock = std::chrono::steady_clock;
  constexpr auto kShowEvery = std::chrono::milliseconds(40);
  SteadyClock::time_point lastShown = SteadyClock::now() - kShowEvery;

  IndexRecord& working = store.WorkingRecord();
  std::vector<Serial> missing;
  Serial reached = 0;
  int hits = 0;
  bool stop = false, limitReached = false, cancelled = false;
  const std::function<bool()> cancel = [&options] { return Cancelled(options); };
  for (long id = 0; id < readAhead->BatchCount() && !stop; ++id) {
    Batch* taken = readAhead->Take(id, options.cancelled ? cancel : std::function<bool()>());
    if (!taken) {
      cancelled = stop = true;
      break;
    }
    Batch& batch = *taken;
    for (std::size_t k = batch.begin; k < batch.end; ++k) {
      if (Cancelled(options)) {
        cancelled = stop = true;
        break;
      }
      const Serial i = walked[k];
      reached = i + 1;
      const ScanResult& result = batch.results[k - batch.begin];
      if (result.status == ScanStatus::Missing) {
        missing.push_back(i);
        continue;
      }
      if (result.status == ScanStatus::Unreadable) continue;
      if (result.status == ScanStatus::Oversize || result.status == ScanStatus::NoMemory) {
        prompter.Error(result.status == ScanStatus::Oversize ? Msg::RecordFileOversize : Msg::MemoryAllocFailed,
                       FromNativePath(store.RecordFilePath(FormatSerial(static_cast<long>(i)), kKindText)) + "\n");
        continue;
      }

      SteadyClock::time_point now = SteadyClock::now();
      if (now - lastShown >= kShowEvery) {
        lastShown = now;
        progress.SetProgressBar(static_cast<int>(static_cast<float>(i) / static_cast<float>(n) * 100.0f));
        progress.SetPaneText(StatusPane::Url,
                             FromNativePath(store.RecordFilePath(FormatSerial(static_cast<long>(i)), kKindText)));
        progress.Repaint();
      }
      for (int k = 0; k < result.lines; ++k) working.fields[k].assign(result.Field(k));
      if (result.status != ScanStatus::Match) continue;

      std::string serial = FormatSerial(static_cast<long>(i));
      std::string mark = ResolveDocumentPath(store, serial, working[FieldTag::TY], working[FieldTag::FG]).mark;
      // Hits come in unselected: a delete or bulk command acts only on rows the user chose.
      if (!AppendRecordRow(list, working, serial, mark, false)) {
        stop = true;
        break;
      }
      if (++hits == hitMax) {
        limitReached = true;
        stop = true;
        break;
      }
    }
    readAhead->Release(id);
  }
  if (!stop) reached = n;  // the serials after the last record file were walked as well
  readAhead.reset();       // the readers stop before the message box waits for the user
  if (cancelled) upkeepStop = true;
  if (limitReached) prompter.Information(Msg::HitLimitReached);

  progress.SetProgressBar(0);
  // A record counts as deleted only when its file is really absent from a TXT folder that is
  // there: a store whose folders went away (an unplugged drive) keeps its index as it was.
  const bool txtThere = listing->textFolderListed && IsDirectory(txtFolder);
  if (!txtThere) missing.clear();
  bool indexWritten = false;
  try {
    indexWritten = WriteIndexRepairs(indexFile.get(), indexSize, reached, txtThere ? listing.get() : nullptr, missing);
  } catch (const std::bad_alloc&) {
  }
  indexFile.Reset();
  if (!indexWritten) prompter.Error(Msg::FileSaveFailed, indexPrefix);

  outcome.hits = hits;
  if (cancelled) {
    // The user stopped it: the rows speak for themselves, no message box waits for an answer.
    outcome.cancelled = true;
    ShowCancelled(progress, clock.Now() - t0, started);
    return outcome;
  }
  progress.SetPaneText(
      StatusPane::ProcessingTime,
      ElapsedText(clock.Now() - t0, std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count()));
  progress.SetPaneText(StatusPane::Url, std::string());
  progress.Repaint();
  if (hits == 0) {
    prompter.Information(Msg::NoMatchingData);
  } else {
    prompter.Show(MessageKind::Information, Utf8ToCp932("該当 ") + std::to_string(hits) + Utf8ToCp932("件"));
  }
  outcome.hits = hits;
  return outcome;
}

int RunDbSearch(const SearchConditions& conditions, Store& store, ListRows& list, Settings& settings,
                Prompter& prompter, Progress& progress, const Clock& clock) {
  return RunDbSearch(conditions, store, list, settings, prompter, progress, clock, SearchRunOptions{}).hits;
}

}  // namespace folidex
