#pragma once
// The store: record files, PDF copies and the index file below DOCDATA in the user's storage
// location, the serial counter, and the per-user work folder. The location and every path handed
// out are NativePaths, never CP932: a folder name outside CP932 stays itself.
// Messages show paths converted with FromNativePath.

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/FileSystem.h"
#include "common/PathText.h"
#include "common/Prompter.h"
#include "common/Settings.h"
#include "store/Record.h"
#include "store/StoreLock.h"

namespace folidex {

inline constexpr std::string_view kKindText = "TXT";
inline constexpr std::string_view kKindPdf = "PDF";

// A record file larger than this is damage (the longest real bodies are a few MB): every reader
// treats it as that record's failure.
inline constexpr std::uint64_t kMaxRecordFileSize = 256ull << 20;

// The largest valid serial counter. A counter is valid when its leading digits give a number
// from 0 to this; anything else ("-5", "abc", "", 100000000) is damage, never read as 0.
inline constexpr long kMaxSerialCount = 99'999'999;

// The counter text's value when it is valid.
std::optional<long> ParseSerialCounter(std::string_view text);

// A new value for one field of a record file.
struct FieldValue {
  FieldTag tag;
  std::string value;  // CP932; a CR, LF or other control character becomes a space: one line
};

// What PatchRecordFile came to. Only Patched has written anything.
enum class PatchStatus {
  Patched,      // the file now holds the new values (or held them already)
  NoLocation,   // no usable storage location
  Unreadable,   // the record file is missing, not a regular file, or cannot be read
  Oversize,     // the record file is larger than kMaxRecordFileSize
  NoMemory,     // the file's bytes do not fit in memory
  Incomplete,   // fewer than seventeen lines
  NoFieldLine,  // a field to change has no line of its own
  WriteFailed,  // the new file could not be written or put in place; the old one stays
  NotLocked,    // the store could not be locked for writing (its message was shown)
};

// The availability of a record's document, and its path when it is reachable as a file.
struct DocumentLocation {
  std::string mark;  // kMarkAvailable or kMarkMissing
  NativePath path;   // empty when not a reachable file
};

class Store;

// The writer's hold on a store (Store::LockForWriting): while one is alive the store's
// DOCDATA/.lock is this program's. Movable; an empty one (false) after the message that the store
// could not be locked. Holds nest within one Store: the file lock goes with the last one.
class StoreWriteLock {
 public:
  StoreWriteLock() = default;
  StoreWriteLock(StoreWriteLock&& other) noexcept : store_(other.store_) { other.store_ = nullptr; }
  StoreWriteLock& operator=(StoreWriteLock&& other) noexcept;
  StoreWriteLock(const StoreWriteLock&) = delete;
  StoreWriteLock& operator=(const StoreWriteLock&) = delete;
  ~StoreWriteLock() { Reset(); }
  explicit operator bool() const { return store_ != nullptr; }
  void Reset();

 private:
  friend class Store;
  explicit StoreWriteLock(Store* store) : store_(store) {}
  Store* store_ = nullptr;
};

class Store {
 public:
  Store(Settings& settings, Prompter& prompter);

  ~Store();

  // The writer's lock. Every operation that takes a serial or rewrites store files holds one
  // across all of its writes; each write primitive below takes one for its own duration when
  // its caller holds none. Empty (false) after a message: the store is not there or DOCDATA is
  // a link (31225), another program holds the lock and did not let go within the wait (31224
  // naming it), the lock file cannot be made (31226), or this program's lock was taken over
  // (31228). Nothing may be written then. The first lock of a run removes the temporary files
  // that killed runs left in TXT/nn, PDF/nn and LIST (never through a link).
  StoreWriteLock LockForWriting();
  bool HoldsWriteLock() const { return lockDepth_ > 0; }
  // The message of the last LockForWriting that came to nothing.
  Msg LockFailure() const { return lockFailure_; }
  // How the lock behaves (the program's name, the wait's notice; tests inject clock and host).
  void SetLockOptions(StoreLockOptions options) { lockOptions_ = std::move(options); }
  StoreLockOptions& LockOptions() { return lockOptions_; }
  // DOCDATA/.lock (native), or empty without a location.
  NativePath LockFilePath() const;

  // The folder DOCDATA/<top>[/<sub>] for writing: each part below DOCDATA made when missing and
  // refused when it is a symbolic link or not a folder (31225 naming it); empty after the
  // message. DOCDATA itself must exist and be a real folder.
  NativePath WritableFolder(std::string_view top, std::string_view sub = {});

  // The storage location (native). An absolute path; anything else gives empty store paths.
  void SetLocation(NativePath location);
  const NativePath& Location() const { return location_; }

  // location/DOCDATA, or empty without a usable location.
  NativePath StoreRoot() const;

  // True when DOCDATA of the location is an existing folder; otherwise (a location that is not
  // there: an unplugged drive, an unmounted share) 31041 naming the folder, and false. Nothing
  // is ever created here: readers never make the store's folders, and writers make them only
  // below an existing DOCDATA.
  bool CheckStoreRoot();

  // The full path of a record's file of kind "TXT" or "PDF" for writing, creating missing
  // folders below an existing DOCDATA; empty after a message when DOCDATA is not there or a
  // folder cannot be created, empty without a location.
  NativePath StoreFilePath(std::string_view serial, std::string_view kind);
  // The same path without touching the file system (for loops that only read).
  NativePath RecordFilePath(std::string_view serial, std::string_view kind) const;

  // The one working record that all record work goes through.
  IndexRecord& WorkingRecord() { return working_; }

  // Loads the record file into the working record. False (the working record untouched) when
  // it is missing or unreadable, without a message; an oversize file (31022) or one too large
  // for memory (30001) is reported with its path.
  bool ReadRecordFile(std::string_view serial, bool stopAfterText);
  // Writes the working record as a new record file (the import). An existing record is never
  // rebuilt from the working record: it is changed with PatchRecordFile.
  bool WriteRecordFile(std::string_view serial);

  // The one way to change an existing record file. The line of each field in `changes` — every
  // line the reader takes for that field, that is, every line whose second and third characters
  // are its tag — becomes "<TAG>" + the new value, ended as that line was ended; every other
  // byte of the file stays as it is (a byte-order mark, LF or CR LF line ends, the continuation
  // of a value that held a line break, lines after the seventeenth). The file is replaced
  // atomically and keeps its permission bits; on any failure it is left exactly as it was.
  // A file of fewer than seventeen lines, or without a line for one of the fields, is not
  // changed at all (Incomplete, NoFieldLine). Shows no message: see ReportPatchFailure.
  PatchStatus PatchRecordFile(std::string_view serial, const std::vector<FieldValue>& changes);
  // The message of a failed patch, after the record file's path and a line break: 30026 for a
  // file that cannot be read or replaced, 31022 oversize, 30001 memory, 30004 for a file that
  // is not a complete record. Nothing for Patched, NoLocation and NotLocked.
  void ReportPatchFailure(std::string_view serial, PatchStatus status);

  // TX and TS of the working record from a captured text: the work text file's bytes (an empty
  // path: no text, TS "0"), or the text itself (CP932), normalised up to its first zero byte.
  bool LoadBodyText(const NativePath& workTextPath);
  bool SetBodyText(std::string text);
  bool StoreDocumentFile(std::string_view kind, const NativePath& sourcePath, std::string_view serial);
  // The PDF copy of `serial` from a file at a native path (which may have no CP932 form): 30018
  // when the copy fails.
  bool StorePdfCopy(const NativePath& source, std::string_view serial);
  // The PDF copy of `serial` from bytes already read: exactly these bytes are stored. 30018
  // when they cannot be written.
  bool StorePdfBytes(std::string_view bytes, std::string_view serial);
  // The PDF copy of `serial` from a file, stored only when the bytes copied have the SHA-256
  // `digest` (upper-case hexadecimal): a file that changed since its digest was taken leaves no
  // copy, and `changed` tells so without a message. 30018 when the copy fails otherwise.
  bool StorePdfCopy(const NativePath& source, std::string_view serial, std::string_view digest, bool& changed);

  // The index file, open for reading and writing (created with one '1' per serial handed out,
  // in a few large writes, when missing inside an existing DOCDATA); nothing after a message
  // (31041 when DOCDATA is not there). A symlink or any other
  // non-regular file in its place is refused (31023), never followed or waited on; a counter
  // that is not valid stops the creation before anything is written.
  FileHandle OpenIndexFile();

  // The counter's text as stored in the settings (Sys/No).
  std::string ReadSerialCounter() const;
  // N, the extent of the store every reader walks: the greater of Sys/No and the store's own
  // DOCDATA/counter. A Sys/No behind the store's counter is brought up to it. When either is
  // not valid, its message (31021 naming the value and the settings file, 31222 naming the
  // value and the counter file) and nothing. A missing counter file counts as none.
  std::optional<long> ReadSerialCount();
  void WriteSerialCounter(long next);
  // DOCDATA/counter (native), or empty without a location.
  NativePath CounterFilePath() const;

  // The serial for a new record, the import's first step (before any file is written): the
  // counter's serial ("%08ld"), or the one after the highest record file of the store
  // (ScanNextSerial) when that is higher. The serial is reserved durably before it is handed
  // out: the next one goes to Sys/No, the settings are synced, and to DOCDATA/counter (atomic
  // replace, flushed). Empty after a message when a counter is not valid, no serial is left,
  // the settings cannot be saved or the counter file cannot be written; nothing of the
  // record is written then.
  std::string TakeNewSerial();
  // For a run that takes many serials (folidex-cli import): with an interval, the settings are
  // synced for a serial only when they were not synced within it (the first serial always);
  // DOCDATA/counter is still written for each. A run killed meanwhile leaves Sys/No behind the
  // store's counter, which ReadSerialCount brings it up to. 0 (the default): every serial.
  void SetSettingsSyncInterval(std::chrono::milliseconds interval) { settingsSyncInterval_ = interval; }
  // Syncs the settings when a serial taken since has not been: false after 31221.
  bool FlushSettings();

  // Sets the index byte of `serial` to '1' when it says '0' (a record written there).
  void MarkIndexPresent(std::string_view serial);
  // Removes the store's PDF copy of `serial` (a copy whose record could not be written, a
  // deleted record's copy). Nothing is created, and nothing is removed through a linked folder.
  void RemoveDocumentCopy(std::string_view serial);
  // Removes the record file of `serial` (the delete), likewise; false when nothing was removed.
  bool RemoveRecordFile(std::string_view serial);

  // Tells the derived data kept beside the store (the search index) that the record file of
  // `serial` was written, replaced, removed or put back. Every write primitive here calls it; so
  // does any other code that moves a record file. The hook is the process's one (SetRecordHook);
  // whatever it does cannot fail the store's write.
  void NotifyRecordChanged(std::string_view serial);
  using RecordHook = void (*)(Store& store, std::string_view serial);
  static void SetRecordHook(RecordHook hook);

  // The serial after the highest one among the record files below `txtFolder` (native), or 0.
  // Only names of exactly eight digits and ".TXT" in the folders 00..99 count.
  static long ScanNextSerial(const NativePath& txtFolder);

  // The per-user work folder (created mode 0700; a folder owned by someone else is refused).
  NativePath WorkFolderPath();
  bool ResetWorkText();
  const NativePath& WorkTextPath() const { return workTextPath_; }

  Settings& settings() { return settings_; }
  Prompter& prompter() { return prompter_; }

 private:
  friend class StoreWriteLock;
  std::optional<long> ReadCounterFile(bool& damaged);
  void Unlock();
  void RemoveStaleTemporaries();
  void SetAsideOrphanCopies(std::time_t now);
  bool RemoveStoreFile(std::string_view serial, std::string_view kind);
  // Whether the two folders above a record's file (TXT/nn or PDF/nn) are real folders; a link
  // is reported (31225) when `report`. Nothing is created.
  enum class FolderState { Real, Missing, Link };
  FolderState FoldersOf(const std::string& filePath, bool report);
  // DOCDATA exists and is a real folder (31041, 31225 otherwise).
  bool CheckWritableRoot();

  // ScanNextSerial for a taking of serials: a folder unchanged since it was last listed (the
  // same folder, the same change times, the change older than the file system's timestamps can
  // blur) is not listed again.
  long NextSerialOnDisk(const std::string& txtFolder);
  struct ListedFolder {
    bool known = false;
    std::uint64_t device = 0, inode = 0;
    std::int64_t modified = 0, changed = 0;  // nanoseconds
    long highest = -1;
  };
  bool SyncSettings(bool force);
  std::chrono::milliseconds settingsSyncInterval_{0};
  std::optional<std::chrono::steady_clock::time_point> settingsSynced_;
  bool settingsUnsynced_ = false;
  std::string listedBase_;
  std::array<ListedFolder, 100> listed_{};

  int lockDepth_ = 0;
  Msg lockFailure_ = Msg::StoreLockBusy;
  std::unique_ptr<StoreLock> lock_;
  StoreLockOptions lockOptions_;
  std::string cleanedRoot_;  // the store whose temporaries this run has removed

  Settings& settings_;
  Prompter& prompter_;
  NativePath location_;
  bool locationUsable_ = false;
  IndexRecord working_;
  NativePath workTextPath_;
};

// True for a serial number as the store names its files by: one or more decimal digits. A cell
// holding anything else (a hand-edited list file, say) never reaches a store path.
bool IsSerialText(std::string_view serial);

// The record file's bytes for `record`: seventeen lines "<TAG>value" ended by CR LF; a CR, LF or
// other control character in a value is written as a space.
std::string FormatRecordFile(const IndexRecord& record);
// Fills `record` from record-file bytes (all fields emptied first).
void ParseRecordFile(std::string_view bytes, bool stopAfterText, IndexRecord& record);

// The message of a failed PatchRecordFile (see Store::ReportPatchFailure) through `prompter`.
void ReportPatchFailure(Prompter& prompter, const NativePath& recordPath, PatchStatus status);

// The message of a write that failed with `error` (errno) at `path` (native): a full disk, a
// read-only file system and a missing permission have their own messages; any other error
// gives `otherwise` with the system's text. The path always comes first.
void ReportWriteFailure(Prompter& prompter, const NativePath& path, int error, Msg otherwise);

// The availability mark and resolved path of a record's document.
DocumentLocation ResolveDocumentPath(Store& store, std::string_view serial, std::string_view ty, std::string_view fg);
// The same with the store's copy already named (Store::RecordFilePath(serial, kKindPdf)): no store
// needed, so any thread may resolve.
DocumentLocation ResolveDocumentPath(const NativePath& copy, std::string_view ty, std::string_view fg);

}  // namespace folidex
