#pragma once
// The inbox: a folder whose PDFs come into the store by themselves (a scanner's output folder,
// a downloads folder). A PDF that appears at its top level is taken once it is complete — its
// size and time unchanged for two seconds — and stored as a copy (kind "I") without a question.
//
// What becomes of a file:
//   stored        moved into the sub-folder 登録済み (or kept where it is, remembered)
//   a duplicate   (its SHA-256 is a stored record's Y2) not stored again; moved or kept the same
//   a failure     (not a PDF, damaged, encrypted, the engine gave up) moved into エラー beside
//                 NAME.pdf.txt, the reason in UTF-8; it is never taken again from there
//   deferred      the store cannot be written now (locked, full, a counter that cannot be
//                 saved): the file stays and is tried again later
// A file is moved only after its record, copy and counter are in place, so a kill at any moment
// leaves it in the inbox (a duplicate at the next start when its record did land) or in
// 登録済み with its record complete. A name taken in 登録済み or エラー gets " (2)", " (3)"
// before ".pdf": nothing there is ever replaced.
//
// Every file taken, passed over or failed is a line of DOCDATA/LOG/inbox.log (UTF-8), which is
// set aside as inbox.log.1 when it reaches a megabyte. Two programs never watch one inbox: the
// inbox lock (InboxLockPath, a StoreLock file) belongs to the one watching.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/Clock.h"
#include "common/PathText.h"
#include "import/BulkImport.h"
#include "store/Store.h"

namespace folidex {

namespace inbox {
inline constexpr std::string_view kDoneFolder = "登録済み";
inline constexpr std::string_view kErrorFolder = "エラー";
// The inbox lock, hidden in the inbox folder itself: two stores may watch one inbox.
inline constexpr std::string_view kLockName = ".folidex-inbox.lock";
// The reason of a failed file is NAME.pdf + this.
inline constexpr std::string_view kReasonSuffix = ".txt";
// A file is complete when its size and time have not changed for this long.
inline constexpr std::int64_t kSettleMs = 2000;
// A deferred file is tried again after this long.
inline constexpr std::int64_t kRetryMs = 30000;
// The log is set aside (inbox.log.1) when it has reached this size.
inline constexpr std::uint64_t kLogRotateBytes = 1u << 20;
}  // namespace inbox

// A steady clock in milliseconds: the completeness rule's time (tests drive their own).
class TickClock {
 public:
  virtual ~TickClock() = default;
  virtual std::int64_t NowMs() const = 0;
};

class SteadyTickClock : public TickClock {
 public:
  std::int64_t NowMs() const override;
};

// One regular file at the top of the inbox.
struct InboxEntry {
  std::string name;  // native
  std::uint64_t size = 0;
  std::int64_t modifiedNs = 0;
};

// What the inbox folder holds now (tests may fake it).
class InboxListing {
 public:
  virtual ~InboxListing() = default;
  // The regular files directly in `folder` (symbolic links and folders left out); empty when
  // the folder cannot be read.
  virtual std::vector<InboxEntry> List(const std::string& folder) = 0;
};

class DirectoryListing : public InboxListing {
 public:
  std::vector<InboxEntry> List(const std::string& folder) override;
};

// Whether a file of this name is the inbox's to take: "*.pdf" in any case, not hidden (".x"),
// not a download still running (*.part, *.crdownload).
bool IsInboxCandidate(std::string_view name);

// The completeness rule: a file is complete once a listing has seen it with the same size and
// time for kSettleMs.
class ArrivalTracker {
 public:
  explicit ArrivalTracker(std::int64_t settleMs = inbox::kSettleMs) : settleMs_(settleMs) {}
  // The candidates of a listing taken at `nowMs` that are complete, in name order. A file
  // that left the listing is forgotten; one that changed starts its wait again.
  std::vector<std::string> Complete(const std::vector<InboxEntry>& entries, std::int64_t nowMs);
  // A file not to offer again before `untilMs` (deferred), or never while it stays unchanged.
  void Hold(const std::string& name, std::int64_t untilMs);
  // Milliseconds from `nowMs` until some waiting file may be complete; nothing when none waits.
  std::optional<std::int64_t> NextCheckIn(std::int64_t nowMs) const;
  std::size_t Waiting() const { return seen_.size(); }

 private:
  struct Seen {
    std::uint64_t size;
    std::int64_t modifiedNs;
    std::int64_t sinceMs;
    std::int64_t heldUntilMs;
  };
  std::int64_t settleMs_;
  std::map<std::string, Seen> seen_;
};

// `name` in `folder`, or "stem (2).pdf", "stem (3).pdf", ... (before the last ".pdf" in any case,
// else at the end): the first for which neither the name nor, when given, the name +
// `companionSuffix` is taken.
std::string FreeNameIn(const std::string& folder, const std::string& name, std::string_view companionSuffix = {});

// The files kept in the inbox (InboxDone 0), remembered by path, size and time, so a restart
// does not hash and log them again. A line per file: size, TAB, time (ns), TAB, native path.
class KeptFiles {
 public:
  explicit KeptFiles(std::string path) : path_(std::move(path)) {}
  void Load();
  bool Has(const std::string& path, std::uint64_t size, std::int64_t modifiedNs) const;
  // Remembers a file and saves the list (atomic rewrite); false when it cannot be saved.
  bool Add(const std::string& path, std::uint64_t size, std::int64_t modifiedNs);
  // Forgets the files of `folder` that are no longer there as remembered.
  void Prune(const std::string& folder, const std::vector<InboxEntry>& present);

 private:
  bool Save() const;
  std::string path_;
  std::map<std::string, std::pair<std::uint64_t, std::int64_t>> files_;
};

// The default file of KeptFiles: $XDG_DATA_HOME/Orvane/Folidex/inbox-kept.txt (or
// ~/.local/share/...); empty when neither is set.
NativePath DefaultKeptFilesPath();

// Whether `folder` is the store's DOCDATA (`storeRoot`) or lies in it: never an inbox.
bool InboxInsideStore(const NativePath& folder, const NativePath& storeRoot);

// The inbox lock's file in `folder`.
NativePath InboxLockPath(const NativePath& folder);

// The log, DOCDATA/LOG/inbox.log: "YYYY/MM/DD hh:mm:ss<TAB>file<TAB>text" lines in UTF-8.
class InboxLog {
 public:
  explicit InboxLog(std::string path) : path_(std::move(path)) {}
  // Appends a line (`fileNative` as it is, `textCp932` in UTF-8); false when it cannot be
  // written. A log of kLogRotateBytes or more is renamed inbox.log.1 first.
  bool Append(std::time_t when, const std::string& fileNative, const std::string& textCp932);
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// The last `count` lines (UTF-8) of a log file, oldest first; nothing when it is not there.
std::vector<std::string> RecentLogLines(const std::string& path, std::size_t count);

// DOCDATA/LOG/inbox.log of a store (the LOG folder made when missing); empty after a message.
NativePath InboxLogPath(Store& store);

enum class InboxOutcome {
  Stored,     // a record was written
  Duplicate,  // already stored: nothing written
  Failed,     // moved into エラー
  Deferred,   // left in the inbox, tried again later
  Gone,       // no longer there (moved or removed meanwhile), or kept and remembered before
};

struct InboxResult {
  InboxOutcome outcome = InboxOutcome::Gone;
  NativePath path;      // where it was found
  NativePath movedTo;   // where it went (empty: kept in place)
  std::string serial;   // the stored record, or the record it duplicates
  std::string title;    // PT of the stored record (CP932)
  std::string note;     // CP932: the reason of a failure or deferral, or what is worth knowing
  std::string logLine;  // the line written to the log (UTF-8, without its time)
};

struct InboxOptions {
  NativePath folder;     // absolute
  bool moveDone = true;  // KanSet/InboxDone
  NativePath keptPath;   // KeptFiles' file; empty: nothing is remembered
  NativePath logPath;    // empty: no log
};

// Stores one file the way folidex-cli import does (BulkImporter::ImportFile with kind "I").
using InboxImportFile = std::function<FileReport(const NativePath& path)>;

class Inbox {
 public:
  Inbox(Store& store, InboxOptions options, InboxImportFile importFile, const Clock& clock, const TickClock& ticks,
        InboxListing& listing);

  // Reads the Y2 of every stored record and the kept files' list. False after a message when
  // the store's counter cannot be read.
  bool Prepare();

  // Looks at the inbox now: the paths of the files complete and due, in name order.
  std::vector<NativePath> Poll();
  // Milliseconds until Poll may find more (a file still being written, a deferral); nothing
  // when only a new event can.
  std::optional<std::int64_t> NextPollIn() const { return tracker_.NextCheckIn(ticks_.NowMs()); }

  // Takes one file Poll gave: stores it, passes it over as a duplicate, or moves it into エラー.
  InboxResult Take(const NativePath& path);

  const InboxOptions& Options() const { return options_; }

 private:
  // Records stored since the last look (by anyone): their digests join the known ones.
  void LearnNewRecords();
  // Moves the file into `sub` under a free name; its new path, or empty.
  NativePath MoveInto(const NativePath& path, std::string_view sub, std::string_view companionSuffix);
  // Moves a stored or duplicate file, or remembers it where it stays.
  void Settle(InboxResult& result, const InboxEntry& entry);
  void Log(InboxResult& result, const std::string& text);

  Store& store_;
  InboxOptions options_;
  InboxImportFile importFile_;
  const Clock& clock_;
  const TickClock& ticks_;
  InboxListing& listing_;
  ArrivalTracker tracker_;
  KeptFiles kept_;
  std::optional<InboxLog> log_;
  long knownCount_ = 0;
  std::unordered_map<std::string, std::string> digests_;  // upper-case SHA-256 → serial
  std::map<std::string, InboxEntry> lastListing_;         // by name
};

}  // namespace folidex
