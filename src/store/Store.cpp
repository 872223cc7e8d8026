#include "store/Store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <new>
#include <system_error>

#include "common/ByteText.h"
#include "common/Cp932.h"
#include "common/FileSystem.h"
#include "common/Normalize.h"
#include "store/Digest.h"
#include "store/RunFolders.h"
#include "store/StoreLayout.h"

namespace folidex {
namespace {

constexpr char kSep = kPathSeparator;

// A field value is one line: CR, LF and every other control character become spaces (a file
// name with a line break must not add or shift a record line). CP932 second bytes are never
// below 0x40, so the test is by byte.
void AppendOneLine(std::string& out, std::string_view value) {
  const std::size_t start = out.size();
  out.append(value);
  for (std::size_t i = start; i < out.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(out[i]);
    if (c < 0x20 || c == 0x7f) out[i] = ' ';
  }
}

bool IsUsableLocation(const std::string& location) {
  // An absolute path; a relative one or a network share name ("//server/share") is not usable.
  return !location.empty() && location[0] == kSep && !(location.size() > 1 && location[1] == kSep);
}

std::string_view LastTwo(std::string_view serial) {
  return serial.size() <= 2 ? serial : serial.substr(serial.size() - 2);
}

// "file:///home/a.pdf" -> "/home/a.pdf" (native bytes): scheme and authority dropped,
// percent escapes decoded.
std::string FileUrlToNativePath(std::string_view url) {
  std::string_view rest = url.substr(5);  // after "file:"
  if (rest.substr(0, 2) == "//") {
    rest.remove_prefix(2);
    std::size_t slash = rest.find('/');
    rest = slash == std::string_view::npos ? std::string_view{} : rest.substr(slash);
  }
  return PercentDecodedBytes(ToNativePath(rest));
}

// One line of a record file as the reader splits it: the text without its line end, and the
// line end itself (LF, CR LF, or nothing for a last line without one).
struct RecordLine {
  std::size_t begin = 0, textEnd = 0, end = 0;
  int field = -1;  // the field the reader takes the line for, or -1
};

std::vector<RecordLine> SplitRecordLines(std::string_view bytes) {
  std::vector<RecordLine> lines;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    RecordLine line;
    line.begin = pos;
    std::size_t lf = bytes.find('\n', pos);
    if (lf == std::string_view::npos) {
      line.textEnd = line.end = bytes.size();
    } else {
      line.textEnd = (lf > pos && bytes[lf - 1] == '\r') ? lf - 1 : lf;
      line.end = lf + 1;
    }
    if (line.textEnd - line.begin >= 3) {
      for (int k = 0; k < kFieldCount; ++k) {
        if (bytes[pos + 1] == kFieldTagNames[k][0] && bytes[pos + 2] == kFieldTagNames[k][1]) {
          line.field = k;
          break;
        }
      }
    }
    lines.push_back(line);
    pos = line.end;
  }
  return lines;
}

constexpr int kRecordLines = 17;

// The record file's bytes with the lines of the changed fields replaced; every other byte kept.
PatchStatus PatchRecordBytes(std::string_view bytes, const std::vector<FieldValue>& changes, std::string& out) {
  std::vector<RecordLine> lines = SplitRecordLines(bytes);
  if (static_cast<int>(lines.size()) < kRecordLines) return PatchStatus::Incomplete;
  std::array<const std::string*, kFieldCount> newValue{};
  for (const FieldValue& change : changes) newValue[static_cast<int>(change.tag)] = &change.value;
  for (const FieldValue& change : changes) {
    int field = static_cast<int>(change.tag);
    if (std::none_of(lines.begin(), lines.end(), [&](const RecordLine& line) { return line.field == field; }))
      return PatchStatus::NoFieldLine;
  }
  out.clear();
  out.reserve(bytes.size() + 256);
  for (const RecordLine& line : lines) {
    const std::string* value = line.field >= 0 ? newValue[line.field] : nullptr;
    if (!value) {
      out.append(bytes.substr(line.begin, line.end - line.begin));
      continue;
    }
    out.append(1, '<').append(kFieldTagNames[line.field]).append(1, '>');
    AppendOneLine(out, *value);
    out.append(bytes.substr(line.textEnd, line.end - line.textEnd));
  }
  return PatchStatus::Patched;
}

std::string ShownValue(std::string_view text) {
  constexpr std::size_t kShown = 40;
  if (text.size() <= kShown) return std::string(text);
  std::size_t cut = 0;
  while (cut < kShown) cut += Cp932CharLength(text, cut);
  return std::string(text.substr(0, cut)) + "...";
}

}  // namespace

std::optional<long> ParseSerialCounter(std::string_view text) {
  if (text.empty() || text[0] < '0' || text[0] > '9') return std::nullopt;
  long value = 0;
  for (std::size_t i = 0; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > kMaxSerialCount) return std::nullopt;
  }
  return value;
}

StoreWriteLock& StoreWriteLock::operator=(StoreWriteLock&& other) noexcept {
  if (this != &other) {
    Reset();
    store_ = other.store_;
    other.store_ = nullptr;
  }
  return *this;
}

void StoreWriteLock::Reset() {
  if (store_) store_->Unlock();
  store_ = nullptr;
}

Store::Store(Settings& settings, Prompter& prompter) : settings_(settings), prompter_(prompter) {}

Store::~Store() = default;

NativePath Store::LockFilePath() const {
  const NativePath root = StoreRoot();
  return root.empty() ? root : root + kSep + layout::kLock;
}

bool Store::CheckWritableRoot() {
  lockFailure_ = Msg::StoreFolderMissing;
  if (!CheckStoreRoot()) return false;
  const std::string root = StoreRoot();
  struct stat st;
  if (::lstat(root.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    lockFailure_ = Msg::StoreFolderIsLink;
    prompter_.Error(Msg::StoreFolderIsLink, FromNativePath(root) + "\n");
    return false;
  }
  return true;
}

StoreWriteLock Store::LockForWriting() {
  if (lockDepth_ > 0) {
    if (lock_ && lock_->Lost()) {
      lockFailure_ = Msg::StoreLockLost;
      prompter_.Error(Msg::StoreLockLost, FromNativePath(lock_->Path()) + "\n");
      return {};
    }
    ++lockDepth_;
    return StoreWriteLock(this);
  }
  lockFailure_ = Msg::StoreFolderMissing;
  if (StoreRoot().empty() || !CheckWritableRoot()) return {};
  auto lock = std::make_unique<StoreLock>(LockFilePath(), lockOptions_);
  switch (lock->Acquire()) {
    case LockResult::Taken:
      break;
    case LockResult::Busy:
      lockFailure_ = Msg::StoreLockBusy;
      prompter_.Error(Msg::StoreLockBusy, DescribeLockHolder(lock->Holder()));
      return {};
    case LockResult::Cancelled:
      lockFailure_ = Msg::ImportInterrupted;  // interrupted: nothing to say but that
      return {};
    case LockResult::Failed:
      lockFailure_ = Msg::StoreLockFailed;
      ReportWriteFailure(prompter_, NativePath(lock->Path()), lock->Error(), Msg::StoreLockFailed);
      return {};
  }
  lock_ = std::move(lock);
  lockDepth_ = 1;
  // Under the lock no other writer is at work: what a killed run left is found now.
  if (cleanedRoot_ != StoreRoot()) {
    cleanedRoot_ = StoreRoot();
    RemoveStaleTemporaries();
  }
  return StoreWriteLock(this);
}

void Store::Unlock() {
  if (lockDepth_ > 0 && --lockDepth_ == 0) lock_.reset();  // the file lock goes with the last hold
}

namespace {

// "<8 digits>.<kind>.tmp<8 hex digits>": the atomic rewrite's temporary of a record file or copy.
bool IsOwnTemporaryOf(std::string_view name, std::string_view kind) {
  if (name.size() != 8 + 1 + kind.size() + 4 + 8) return false;
  for (std::size_t i = 0; i < 8; ++i)
    if (name[i] < '0' || name[i] > '9') return false;
  return name[8] == '.' && name.substr(9, kind.size()) == kind && IsRewriteTemporaryName(name);
}
bool IsRecordTemporary(std::string_view name) { return IsOwnTemporaryOf(name, kKindText); }
bool IsCopyTemporary(std::string_view name) { return IsOwnTemporaryOf(name, kKindPdf); }
// A list file's temporary: "<name>.list.tmp<8 hex digits>" or "<name>.csv.tmp<8 hex digits>"
// (the current list ListData.csv is the one rewritten in place).
bool IsListTemporary(std::string_view name) {
  if (!IsRewriteTemporaryName(name)) return false;
  const std::string_view base = name.substr(0, name.size() - 4 - 8);
  for (std::string_view extension : {std::string_view(".list"), std::string_view(".csv")})
    if (base.size() > extension.size() && base.substr(base.size() - extension.size()) == extension) return true;
  return false;
}

// A folder below `parent`, opened without following a link.
FileHandle OpenRealFolder(int parent, std::string_view name) {
  return FileHandle(::openat(parent, std::string(name).c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

}  // namespace

void Store::RemoveStaleTemporaries() {
  FileHandle root(::open(StoreRoot().c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!root) return;
  const std::time_t now = std::time(nullptr);
  for (std::string_view folder : layout::kFolders) {
    if (!layout::IsCleanedFolder(folder)) continue;  // BACKUP, TRASH and LOG are never looked into
    FileHandle top = OpenRealFolder(root.get(), folder);
    if (!top) continue;
    if (folder == layout::kList) {
      // The desktop program saves its current list without the lock: a minute's age rule.
      RemoveTemporariesAt(top.get(), IsListTemporary, 60, now);
      continue;
    }
    // Record files and copies are written only under the lock, which is ours: any age.
    auto isTemporary = folder == layout::kText ? IsRecordTemporary : IsCopyTemporary;
    for (int n = 0; n < layout::kSubFolders; ++n) {
      const char name[3] = {static_cast<char>('0' + n / 10), static_cast<char>('0' + n % 10), '\0'};
      FileHandle sub = OpenRealFolder(top.get(), name);
      if (sub) RemoveTemporariesAt(sub.get(), isTemporary, 0, now);
    }
  }
  SetAsideOrphanCopies(now);
}

void Store::SetAsideOrphanCopies(std::time_t now) {
  // An import writes a document's copy before its record: a run killed between the two left a
  // copy that no record names. It goes into the trash (never deleted: nothing is lost), so a
  // store holds no copy without its record.
  std::string trashRun;
  for (int n = 0; n < layout::kSubFolders; ++n) {
    const std::string sub = std::string(1, static_cast<char>('0' + n / 10)) + static_cast<char>('0' + n % 10);
    const std::string copies = StoreRoot() + kSep + std::string(layout::kPdf) + kSep + sub;
    const std::string records = StoreRoot() + kSep + std::string(layout::kText) + kSep + sub;
    if (FoldersOf(copies + kSep + "x", false) != FolderState::Real) continue;
    for (const std::string& name : ListFiles(copies)) {
      const std::string suffix = "." + std::string(kKindPdf);
      if (name.size() != 8 + suffix.size() || name.compare(8, suffix.size(), suffix) != 0 ||
          !IsSerialText(std::string_view(name).substr(0, 8)))
        continue;
      struct stat st;
      const std::string record = records + kSep + name.substr(0, 8) + "." + std::string(kKindText);
      if (::lstat(record.c_str(), &st) == 0 || errno != ENOENT) continue;
      if (FoldersOf(record, false) == FolderState::Link) continue;
      if (trashRun.empty()) trashRun = MakeRunFolder(*this, layout::kTrash, now);
      if (trashRun.empty()) return;
      RenameFile(copies + kSep + name, trashRun + kSep + name);
    }
  }
}

Store::FolderState Store::FoldersOf(const std::string& filePath, bool report) {
  const std::string folder = filePath.substr(0, filePath.rfind(kSep));
  const std::string top = folder.substr(0, folder.rfind(kSep));
  for (const std::string& real : {top, folder}) {
    struct stat st;
    if (::lstat(real.c_str(), &st) != 0) return FolderState::Missing;
    if (S_ISLNK(st.st_mode)) {
      if (report) prompter_.Error(Msg::StoreFolderIsLink, FromNativePath(real) + "\n");
      return FolderState::Link;
    }
    if (!S_ISDIR(st.st_mode)) return FolderState::Missing;
  }
  return FolderState::Real;
}

NativePath Store::WritableFolder(std::string_view top, std::string_view sub) {
  if (!CheckWritableRoot()) return {};
  std::string folder = StoreRoot();
  for (std::string_view part : {top, sub}) {
    if (part.empty()) continue;
    folder.append(1, kSep).append(part);
    struct stat st;
    if (::lstat(folder.c_str(), &st) != 0) {
      if (errno == ENOENT && (::mkdir(folder.c_str(), 0755) == 0 || errno == EEXIST) &&
          ::lstat(folder.c_str(), &st) == 0) {
        // made now (or by someone at the same moment): looked at below like any other
      } else {
        prompter_.Error(Msg::StoreFolderCreateFailed, FromNativePath(folder) + "\n");
        return {};
      }
    }
    if (S_ISLNK(st.st_mode)) {
      prompter_.Error(Msg::StoreFolderIsLink, FromNativePath(folder) + "\n");
      return {};
    }
    if (!S_ISDIR(st.st_mode)) {
      prompter_.Error(Msg::StoreFolderCreateFailed, FromNativePath(folder) + "\n");
      return {};
    }
  }
  return NativePath(std::move(folder));
}

void Store::SetLocation(NativePath location) {
  location_ = std::move(location);
  locationUsable_ = IsUsableLocation(location_);
}

NativePath Store::StoreRoot() const {
  if (!locationUsable_) return {};
  std::string root = location_;
  if (root.back() != kSep) root += kSep;
  return NativePath(root + "DOCDATA");
}

NativePath Store::RecordFilePath(std::string_view serial, std::string_view kind) const {
  std::string root = StoreRoot();
  if (root.empty()) return {};
  std::string path;
  path.reserve(root.size() + 32);
  path.append(root).append(1, kSep).append(kind).append(1, kSep).append(LastTwo(serial));
  path.append(1, kSep).append(serial).append(1, '.').append(kind);
  return NativePath(std::move(path));
}

bool Store::CheckStoreRoot() {
  const std::string root = StoreRoot();
  if (root.empty()) return false;
  if (IsDirectory(root)) return true;
  // An unplugged drive or an unmounted share: nothing is created in its place.
  prompter_.Error(Msg::StoreFolderMissing, FromNativePath(root) + "\n");
  return false;
}

NativePath Store::StoreFilePath(std::string_view serial, std::string_view kind) {
  NativePath path = RecordFilePath(serial, kind);
  if (path.empty() || WritableFolder(kind, LastTwo(serial)).empty()) return {};
  return path;
}

std::string FormatRecordFile(const IndexRecord& record) {
  std::string bytes;
  std::size_t total = 0;
  for (const auto& field : record.fields) total += field.size() + 6;
  bytes.reserve(total);
  for (int k = 0; k < kFieldCount; ++k) {
    bytes.append(1, '<').append(kFieldTagNames[k]).append(1, '>');
    AppendOneLine(bytes, record.fields[k]);
    bytes.append("\r\n");
  }
  return bytes;
}

void ParseRecordFile(std::string_view bytes, bool stopAfterText, IndexRecord& record) {
  record.Clear();
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    std::size_t end = bytes.find('\n', pos);
    std::size_t next = end == std::string_view::npos ? bytes.size() : end + 1;
    std::string_view line = bytes.substr(pos, (end == std::string_view::npos ? bytes.size() : end) - pos);
    if (end != std::string_view::npos && !line.empty() && line.back() == '\r') line.remove_suffix(1);
    pos = next;
    if (line.size() < 3) continue;
    for (int k = 0; k < kFieldCount; ++k) {
      if (line[1] == kFieldTagNames[k][0] && line[2] == kFieldTagNames[k][1]) {
        record.fields[k] = line.size() > 4 ? std::string(line.substr(4)) : std::string();
        break;
      }
    }
    if (stopAfterText && line.substr(0, 4) == "<TX>") break;
  }
}

bool Store::ReadRecordFile(std::string_view serial, bool stopAfterText) {
  // A reader never creates a folder.
  std::string path = RecordFilePath(serial, kKindText);
  if (path.empty()) return false;
  std::string bytes;
  switch (ReadRegularFile(path, bytes, kMaxRecordFileSize)) {
    case FileRead::Ok:
      break;
    case FileRead::TooLarge:
      prompter_.Error(Msg::RecordFileOversize, FromNativePath(path) + "\n");
      return false;
    case FileRead::NoMemory:
      prompter_.Error(Msg::MemoryAllocFailed, FromNativePath(path) + "\n");
      return false;
    case FileRead::Missing:
    case FileRead::NotRegular:
    case FileRead::Failed:
      return false;
  }
  try {
    IndexRecord record;
    ParseRecordFile(bytes, stopAfterText, record);
    working_ = std::move(record);
  } catch (const std::bad_alloc&) {
    prompter_.Error(Msg::MemoryAllocFailed, FromNativePath(path) + "\n");
    return false;
  }
  return true;
}

bool Store::WriteRecordFile(std::string_view serial) {
  const StoreWriteLock lock = LockForWriting();
  if (!lock) return false;
  const NativePath path = StoreFilePath(serial, kKindText);
  if (path.empty()) return false;
  if (!WriteFileAtomic(path, FormatRecordFile(working_))) {
    ReportWriteFailure(prompter_, path, errno, Msg::FileOpenFailed);
    return false;
  }
  // A record put where the index says a record is gone (the counter moved back) is found again.
  MarkIndexPresent(serial);
  NotifyRecordChanged(serial);
  return true;
}

namespace {
std::atomic<Store::RecordHook> recordHook{nullptr};
}  // namespace

void Store::SetRecordHook(RecordHook hook) { recordHook.store(hook); }

void Store::NotifyRecordChanged(std::string_view serial) {
  if (RecordHook hook = recordHook.load()) {
    try {
      hook(*this, serial);
    } catch (...) {  // the store's write stands; the next search repairs what the hook missed
    }
  }
}

PatchStatus Store::PatchRecordFile(std::string_view serial, const std::vector<FieldValue>& changes) {
  if (!IsSerialText(serial)) return PatchStatus::Unreadable;
  std::string path = RecordFilePath(serial, kKindText);
  if (path.empty()) return PatchStatus::NoLocation;
  const StoreWriteLock lock = LockForWriting();
  if (!lock) return PatchStatus::NotLocked;
  // Never through a linked TXT or TXT/nn; a missing one is a missing record (nothing is made).
  switch (FoldersOf(path, true)) {
    case FolderState::Real:
      break;
    case FolderState::Missing:
      return PatchStatus::Unreadable;
    case FolderState::Link:
      return PatchStatus::NotLocked;
  }
  const std::string& native = path;
  try {
    std::string bytes;
    switch (ReadRegularFile(native, bytes, kMaxRecordFileSize)) {
      case FileRead::Ok:
        break;
      case FileRead::TooLarge:
        return PatchStatus::Oversize;
      case FileRead::NoMemory:
        return PatchStatus::NoMemory;
      case FileRead::Missing:
      case FileRead::NotRegular:
      case FileRead::Failed:
        return PatchStatus::Unreadable;
    }
    std::string patched;
    PatchStatus status = PatchRecordBytes(bytes, changes, patched);
    if (status != PatchStatus::Patched || patched == bytes) return status;
    if (!WriteFileAtomic(native, patched)) return PatchStatus::WriteFailed;
    NotifyRecordChanged(serial);
    return PatchStatus::Patched;
  } catch (const std::bad_alloc&) {
    return PatchStatus::NoMemory;
  }
}

void ReportPatchFailure(Prompter& prompter, const NativePath& recordPath, PatchStatus status) {
  const std::string prefix = FromNativePath(recordPath) + "\n";
  switch (status) {
    case PatchStatus::Patched:
    case PatchStatus::NoLocation:
    case PatchStatus::NotLocked:
      return;
    case PatchStatus::Unreadable:
    case PatchStatus::WriteFailed:
      prompter.Error(Msg::FileOpenFailed, prefix);
      return;
    case PatchStatus::Oversize:
      prompter.Error(Msg::RecordFileOversize, prefix);
      return;
    case PatchStatus::NoMemory:
      prompter.Error(Msg::MemoryAllocFailed, prefix);
      return;
    case PatchStatus::Incomplete:
    case PatchStatus::NoFieldLine:
      prompter.Error(Msg::IndexFileDamaged, prefix);
      return;
  }
}

void Store::ReportPatchFailure(std::string_view serial, PatchStatus status) {
  folidex::ReportPatchFailure(prompter_, RecordFilePath(serial, kKindText), status);
}

bool Store::LoadBodyText(const NativePath& workTextPath) {
  if (workTextPath.empty()) {
    working_[FieldTag::TX].clear();
    working_[FieldTag::TS].assign(1, '0');
    return true;
  }
  std::string bytes;
  switch (ReadRegularFile(workTextPath, bytes, kMaxRecordFileSize)) {
    case FileRead::Ok:
      break;
    case FileRead::TooLarge:
      prompter_.Error(Msg::RecordFileOversize, FromNativePath(workTextPath) + "\n");
      return false;
    case FileRead::NoMemory:
      prompter_.Error(Msg::MemoryAllocFailed);
      return false;
    case FileRead::Missing:
    case FileRead::NotRegular:
    case FileRead::Failed:
      prompter_.Error(Msg::FileOpenFailed, FromNativePath(workTextPath) + "\n");
      return false;
  }
  return SetBodyText(std::move(bytes));
}

bool Store::SetBodyText(std::string text) {
  std::size_t zero = text.find('\0');
  if (zero != std::string::npos) text.resize(zero);
  try {
    working_[FieldTag::TX] = NormalizeBodyText(text);
  } catch (const std::bad_alloc&) {
    prompter_.Error(Msg::MemoryAllocFailed);
    return false;
  }
  working_[FieldTag::TS] = std::to_string(working_[FieldTag::TX].size());
  return true;
}

bool Store::StoreDocumentFile(std::string_view kind, const NativePath& sourcePath, std::string_view serial) {
  const StoreWriteLock lock = LockForWriting();
  if (!lock) return false;
  if (kind == kKindPdf) return StorePdfCopy(sourcePath, serial);
  std::string destination = StoreFilePath(serial, kind);
  if (destination.empty()) return false;
  if (!LoadBodyText(sourcePath)) return false;
  return WriteRecordFile(serial);
}

bool Store::StorePdfCopy(const NativePath& source, std::string_view serial) {
  const StoreWriteLock lock = LockForWriting();
  if (!lock) return false;
  const NativePath destination = StoreFilePath(serial, kKindPdf);
  if (destination.empty()) return false;
  if (!CopyFileAtomic(source, destination)) {
    ReportWriteFailure(prompter_, destination, errno, Msg::FileSaveFailed);
    return false;
  }
  return true;
}

bool Store::StorePdfBytes(std::string_view bytes, std::string_view serial) {
  const StoreWriteLock lock = LockForWriting();
  if (!lock) return false;
  const NativePath destination = StoreFilePath(serial, kKindPdf);
  if (destination.empty()) return false;
  if (!WriteFileAtomic(destination, bytes)) {
    ReportWriteFailure(prompter_, destination, errno, Msg::FileSaveFailed);
    return false;
  }
  return true;
}

bool Store::StorePdfCopy(const NativePath& source, std::string_view serial, std::string_view digest, bool& changed) {
  changed = false;
  const StoreWriteLock lock = LockForWriting();
  if (!lock) return false;
  const NativePath destination = StoreFilePath(serial, kKindPdf);
  if (destination.empty()) return false;
  Sha256 sha;
  const bool copied = CopyFileAtomic(
      source, destination, [&sha](std::string_view block) { sha.Update(block); },
      [&] {
        changed = sha.Finish() != digest;
        return !changed;
      });
  if (!copied && !changed) ReportWriteFailure(prompter_, destination, errno, Msg::FileSaveFailed);
  return copied;
}

FileHandle Store::OpenIndexFile() {
  const std::string prefix = Utf8ToCp932("索引");
  const std::string root = StoreRoot();
  if (root.empty()) {
    prompter_.Error(Msg::FileCreateFailed, prefix);
    return {};
  }
  const std::string native = root + kSep + "index";
  const std::string path = FromNativePath(native);
  // Never through a symlink (its target may lie outside the store) and never waiting on a FIFO.
  FileHandle file(::open(native.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (file) {
    struct stat st;
    if (::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
      prompter_.Error(Msg::NotARegularFile, path + "\n");
      return {};
    }
    return file;
  }
  if (errno == ELOOP || errno == EISDIR) {  // a symlink or a folder under the index's name
    prompter_.Error(Msg::NotARegularFile, path + "\n");
    return {};
  }
  if (errno != ENOENT) {
    prompter_.Error(Msg::FileOpenFailed, prefix);
    return {};
  }
  std::optional<long> count = ReadSerialCount();
  if (!count) return {};
  // The index is made only inside an existing DOCDATA: a store that is not there (an unplugged
  // drive) must not get an index that marks every record deleted.
  if (!CheckStoreRoot()) return {};
  file.Reset(::open(native.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0644));
  if (!file) {
    prompter_.Error(Msg::FileCreateFailed, prefix);
    return {};
  }
  // One '1' per serial handed out, in a few large writes.
  constexpr std::size_t kChunk = 8u << 20;
  bool written = true;
  try {
    const std::string ones(std::min(static_cast<std::size_t>(*count), kChunk), '1');
    for (std::size_t done = 0; written && done < static_cast<std::size_t>(*count);) {
      std::size_t size = std::min(ones.size(), static_cast<std::size_t>(*count) - done);
      written = WriteAllAt(file.get(), std::string_view(ones).substr(0, size), done);
      done += size;
    }
  } catch (const std::bad_alloc&) {
    written = false;
  }
  if (!written) {
    file.Reset();
    ::unlink(native.c_str());
    prompter_.Error(Msg::FileSaveFailed, prefix);
    return {};
  }
  return file;
}

std::string Store::ReadSerialCounter() const { return settings_.GetText(setting::SerialCounter); }

NativePath Store::CounterFilePath() const {
  const NativePath root = StoreRoot();
  return root.empty() ? root : root + kSep + layout::kCounter;
}

std::optional<long> Store::ReadCounterFile(bool& damaged) {
  damaged = false;
  const std::string path = CounterFilePath();
  if (path.empty()) return std::nullopt;
  std::string text;
  const FileRead read = ReadRegularFile(path, text, 64);
  if (read == FileRead::Missing) return std::nullopt;  // made at the next write
  // Eight digits, perhaps with a line end: anything else is damage, never read as 0.
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  std::optional<long> value;
  if (read == FileRead::Ok && text.size() == static_cast<std::size_t>(layout::kCounterDigits) &&
      std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
    value = ParseSerialCounter(text);
  if (!value) {
    damaged = true;
    prompter_.Error(Msg::StoreCounterInvalid, "counter = \"" + ShownValue(text) + "\"\n" + FromNativePath(path) + "\n");
  }
  return value;
}

std::optional<long> Store::ReadSerialCount() {
  std::string text = ReadSerialCounter();
  std::optional<long> count = ParseSerialCounter(text);
  if (!count) {
    std::string prefix = "Sys/No = \"" + ShownValue(text) + "\"\n";
    std::string location = settings_.Location();
    if (!location.empty()) prefix += Utf8ToCp932("設定ファイル: ") + location + "\n";
    prompter_.Error(Msg::SerialCounterInvalid, prefix);
    return count;
  }
  // The store's own counter: another computer's or another user's records count as well.
  bool damaged = false;
  const std::optional<long> stored = ReadCounterFile(damaged);
  if (damaged) return std::nullopt;
  if (stored && *stored > *count) {
    WriteSerialCounter(*stored);  // a user's counter behind the store's is brought up to it
    count = stored;
  }
  return count;
}

void Store::WriteSerialCounter(long next) { settings_.SetText(setting::SerialCounter, FormatSerial(next)); }

std::string Store::TakeNewSerial() {
  const StoreWriteLock lock = LockForWriting();
  if (!lock) return {};
  std::optional<long> count = ReadSerialCount();
  if (!count) return {};
  // Never at or below a record file that stands in the store (a counter restored from an old
  // settings file, another computer's records), and never into a gap: a deleted serial's index
  // entry is '0'.
  const long next = std::max(*count, NextSerialOnDisk(StoreRoot() + kSep + std::string(layout::kText)));
  if (next > kMaxSerialCount) {
    prompter_.Error(Msg::SerialNumbersExhausted);
    return {};
  }
  // The serial is reserved before any of its files is written: a run killed after this leaves
  // a gap at most, never a record past the counter.
  WriteSerialCounter(next + 1);
  if (!SyncSettings(false)) return {};
  if (!CheckStoreRoot()) return {};
  const NativePath counterPath = CounterFilePath();
  if (!WriteFileAtomic(counterPath, FormatSerial(next + 1))) {
    ReportWriteFailure(prompter_, counterPath, errno, Msg::FileSaveFailed);
    return {};
  }
  return FormatSerial(next);
}

bool Store::SyncSettings(bool force) {
  const auto now = std::chrono::steady_clock::now();
  if (!force && settingsSyncInterval_.count() > 0 && settingsSynced_ &&
      now - *settingsSynced_ < settingsSyncInterval_) {
    settingsUnsynced_ = true;
    return true;
  }
  if (!settings_.Sync()) {
    std::string location = settings_.Location();
    prompter_.Error(Msg::SettingsSyncFailed, location.empty() ? std::string() : location + "\n");
    return false;
  }
  settingsSynced_ = now;
  settingsUnsynced_ = false;
  return true;
}

bool Store::FlushSettings() { return !settingsUnsynced_ || SyncSettings(true); }

void Store::MarkIndexPresent(std::string_view serial) {
  const std::string root = StoreRoot();
  if (root.empty()) return;
  const StoreWriteLock lock = LockForWriting();
  if (!lock) return;
  const std::string native = root + kSep + std::string(layout::kIndex);
  FileHandle file(::open(native.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  struct stat st;
  if (!file || ::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode)) return;  // made by the next search
  const long n = LeadingNumber(serial);
  if (n < 0 || n >= st.st_size) return;  // past the end reads as present
  std::string byte;
  if (ReadAt(file.get(), static_cast<std::uint64_t>(n), 1, byte) && byte == "0")
    WriteAllAt(file.get(), "1", static_cast<std::uint64_t>(n));
}

bool Store::RemoveStoreFile(std::string_view serial, std::string_view kind) {
  const std::string path = RecordFilePath(serial, kind);
  if (path.empty()) return false;
  const StoreWriteLock lock = LockForWriting();
  if (!lock) return false;
  // Never through a linked TXT, PDF or sub-folder.
  // A deleted record stays in the list when its files cannot be reached; the clean-up after a
  // failed copy has had its message already.
  return FoldersOf(path, false) == FolderState::Real && RemoveFile(path);
}

void Store::RemoveDocumentCopy(std::string_view serial) { RemoveStoreFile(serial, kKindPdf); }

bool Store::RemoveRecordFile(std::string_view serial) {
  const bool removed = RemoveStoreFile(serial, kKindText);
  if (removed) NotifyRecordChanged(serial);
  return removed;
}

void ReportWriteFailure(Prompter& prompter, const NativePath& path, int error, Msg otherwise) {
  const std::string prefix = FromNativePath(path) + "\n";
  switch (error) {
    case ENOSPC:
    case EDQUOT:
      prompter.Error(Msg::DiskFull, prefix);
      return;
    case EROFS:
      prompter.Error(Msg::ReadOnlyStore, prefix);
      return;
    case EACCES:
    case EPERM:
      prompter.Error(Msg::WriteNotPermitted, prefix);
      return;
    default:
      prompter.Error(otherwise, prefix + (error != 0 ? std::string(std::strerror(error)) + "\n" : std::string()));
  }
}

namespace {

std::string SerialFolderName(int folder) {
  return {static_cast<char>('0' + folder / 10), static_cast<char>('0' + folder % 10)};
}

// The highest serial among the record files of one folder, or -1.
long HighestSerialIn(const std::string& folder) {
  long highest = -1;
  for (const std::string& file : ListFiles(folder)) {
    // Exactly "ssssssss.TXT": a stray longer name must not throw the counter far ahead.
    if (file.size() != 12 || file.compare(8, 4, ".TXT") != 0) continue;
    long value = 0;
    bool digits = true;
    for (std::size_t i = 0; i < 8 && digits; ++i) {
      digits = file[i] >= '0' && file[i] <= '9';
      value = value * 10 + (file[i] - '0');
    }
    if (digits && value > highest) highest = value;
  }
  return highest;
}

std::int64_t Nanoseconds(const struct timespec& time) {
  return static_cast<std::int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
}

}  // namespace

long Store::ScanNextSerial(const NativePath& txtFolder) {
  long highest = -1;
  for (int folder = 0; folder < 100; ++folder)
    highest = std::max(highest, HighestSerialIn(txtFolder.str() + kSep + SerialFolderName(folder)));
  return highest + 1;
}

long Store::NextSerialOnDisk(const std::string& txtFolder) {
  if (listedBase_ != txtFolder) {
    listedBase_ = txtFolder;
    listed_.fill(ListedFolder{});
  }
  // A change this recent may be followed by another within the same timestamp.
  struct timespec now {};
  ::clock_gettime(CLOCK_REALTIME, &now);
  constexpr std::int64_t kBlur = 2'000'000'000;
  long highest = -1;
  for (int folder = 0; folder < 100; ++folder) {
    const std::string path = txtFolder + kSep + SerialFolderName(folder);
    ListedFolder& seen = listed_[static_cast<std::size_t>(folder)];
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
      seen = ListedFolder{};
      highest = std::max(highest, HighestSerialIn(path));  // whatever ListFiles makes of it
      continue;
    }
    const std::int64_t modified = Nanoseconds(st.st_mtim), changed = Nanoseconds(st.st_ctim);
    const bool same = seen.known && seen.device == st.st_dev && seen.inode == st.st_ino && seen.modified == modified &&
                      seen.changed == changed;
    if (!same || Nanoseconds(now) - std::max(modified, changed) < kBlur) {
      seen.highest = HighestSerialIn(path);
      seen.device = st.st_dev;
      seen.inode = st.st_ino;
      seen.modified = modified;
      seen.changed = changed;
      seen.known = true;
    }
    highest = std::max(highest, seen.highest);
  }
  return highest + 1;
}

NativePath Store::WorkFolderPath() {
  std::error_code error;
  std::filesystem::path temp = std::filesystem::temp_directory_path(error);
  if (error || temp.empty()) {
    prompter_.Error(Msg::WorkFolderFailed);
    return {};
  }
  std::string folder = temp.string();
  if (folder.size() > 1 && folder.back() == kSep) folder.pop_back();
#ifdef _WIN32
  folder += "\\Folidex";
#else
  folder += "/Folidex-" + std::to_string(::getuid());
  ::mkdir(folder.c_str(), 0700);
  struct stat st;
  // The folder must be ours: a real folder (not a link) owned by this user, closed to others.
  if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid() ||
      ((st.st_mode & 077) != 0 && ::chmod(folder.c_str(), 0700) != 0)) {
    prompter_.Error(Msg::WorkFolderFailed);
    return {};
  }
#endif
  return NativePath(std::move(folder));
}

bool Store::ResetWorkText() {
  const NativePath folder = WorkFolderPath();
  if (folder.empty()) return false;
  workTextPath_ = folder + kSep + "tmp.txt";
  const std::string& native = workTextPath_;
  if (PathExists(native) && !RemoveFile(native)) return false;
  return true;
}

bool IsSerialText(std::string_view serial) {
  if (serial.empty()) return false;
  for (char c : serial)
    if (c < '0' || c > '9') return false;
  return true;
}

DocumentLocation ResolveDocumentPath(Store& store, std::string_view serial, std::string_view ty, std::string_view fg) {
  // The mark only needs the copy's existence; the folders are not created for the test.
  return ResolveDocumentPath(ty == kLinkCopy ? store.RecordFilePath(serial, kKindPdf) : NativePath(), ty, fg);
}

DocumentLocation ResolveDocumentPath(const NativePath& copy, std::string_view ty, std::string_view fg) {
  if (ty == kLinkCopy) {
    if (!copy.empty() && IsFile(copy)) return {kMarkAvailable, copy};
    return {kMarkMissing, {}};
  }
  std::string upper = UpperCaseAsciiCp932(fg.substr(0, 5));
  if (upper.rfind("HTTP", 0) == 0) return {kMarkAvailable, {}};
  // On a file system that tells letter case apart the path is tested as FG holds it.
  NativePath native(upper.rfind("FILE:", 0) == 0 ? FileUrlToNativePath(fg) : ToNativePath(fg));
  if (!native.empty() && IsFile(native)) return {kMarkAvailable, native};
  return {kMarkMissing, {}};
}

}  // namespace folidex
