#include "import/Inbox.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "common/ByteText.h"
#include "common/Cp932.h"
#include "common/FileSystem.h"
#include "common/Messages.h"
#include "common/OutputFile.h"
#include "import/Import.h"
#include "import/StoredDigest.h"
#include "store/Digest.h"
#include "store/StoreLayout.h"

namespace folidex {
namespace {

constexpr std::int64_t kNever = INT64_MAX;

bool EndsWithNoCase(std::string_view name, std::string_view suffix) {
  if (name.size() < suffix.size()) return false;
  for (std::size_t k = 0; k < suffix.size(); ++k) {
    char c = name[name.size() - suffix.size() + k];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != suffix[k]) return false;
  }
  return true;
}

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Joined(const std::string& folder, std::string_view name) {
  std::string path = folder;
  if (path.empty() || path.back() != '/') path += '/';
  return path.append(name);
}

std::optional<InboxEntry> StatEntry(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return InboxEntry{BaseName(path), static_cast<std::uint64_t>(st.st_size),
                    static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
}

// `folder`/`sub` as a real folder, made when missing; empty when it cannot be (a link, a file).
std::string RealSubFolder(const std::string& folder, std::string_view sub) {
  const std::string path = Joined(folder, sub);
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) {
    if (errno != ENOENT || (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) || ::lstat(path.c_str(), &st) != 0)
      return {};
  }
  return S_ISDIR(st.st_mode) && !S_ISLNK(st.st_mode) ? path : std::string();
}

std::string Fill(Msg id, const std::string& value) { return ReplaceAllCp932(MessageText(id), "%1", value); }

// A failure of the store rather than of the file: the file stays and is tried again.
bool StoreCouldNotTake(const FileReport& report) {
  return report.stopRun || report.note == MessageText(Msg::FileSaveFailed) ||
         report.note == MessageText(Msg::ImportInterrupted);
}

}  // namespace

std::int64_t SteadyTickClock::NowMs() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::vector<InboxEntry> DirectoryListing::List(const std::string& folder) {
  std::vector<InboxEntry> entries;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return entries;
  const int fd = ::dirfd(dir);
  while (const dirent* item = ::readdir(dir)) {
    const std::string name = item->d_name;
    if (name == "." || name == "..") continue;
    struct stat st {};
    if (::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) continue;
    entries.push_back({name, static_cast<std::uint64_t>(st.st_size),
                       static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec});
  }
  ::closedir(dir);
  return entries;
}

bool IsInboxCandidate(std::string_view name) {
  if (name.empty() || name[0] == '.') return false;
  if (EndsWithNoCase(name, ".part") || EndsWithNoCase(name, ".crdownload")) return false;
  return name.size() > 4 && EndsWithNoCase(name, ".pdf");
}

std::vector<std::string> ArrivalTracker::Complete(const std::vector<InboxEntry>& entries, std::int64_t nowMs) {
  std::map<std::string, Seen> now;
  for (const InboxEntry& entry : entries) {
    if (!IsInboxCandidate(entry.name)) continue;
    const auto known = seen_.find(entry.name);
    if (known != seen_.end() && known->second.size == entry.size && known->second.modifiedNs == entry.modifiedNs)
      now.emplace(entry.name, known->second);
    else
      now.emplace(entry.name, Seen{entry.size, entry.modifiedNs, nowMs, 0});
  }
  seen_ = std::move(now);
  std::vector<std::string> complete;
  for (auto& [name, seen] : seen_) {
    if (nowMs - seen.sinceMs < settleMs_ || nowMs < seen.heldUntilMs) continue;
    complete.push_back(name);
    seen.heldUntilMs = kNever;  // offered once; again only after a change or a deferral
  }
  return complete;
}

void ArrivalTracker::Hold(const std::string& name, std::int64_t untilMs) {
  const auto known = seen_.find(name);
  if (known != seen_.end()) known->second.heldUntilMs = untilMs;
}

std::optional<std::int64_t> ArrivalTracker::NextCheckIn(std::int64_t nowMs) const {
  std::optional<std::int64_t> next;
  for (const auto& [name, seen] : seen_) {
    if (seen.heldUntilMs == kNever) continue;
    const std::int64_t due = std::max(seen.sinceMs + settleMs_, seen.heldUntilMs);
    const std::int64_t in = std::max<std::int64_t>(0, due - nowMs);
    if (!next || in < *next) next = in;
  }
  return next;
}

std::string FreeNameIn(const std::string& folder, const std::string& name, std::string_view companionSuffix) {
  const bool pdf = name.size() > 4 && EndsWithNoCase(name, ".pdf");
  const std::string stem = pdf ? name.substr(0, name.size() - 4) : name;
  const std::string extension = pdf ? name.substr(name.size() - 4) : std::string();
  for (long n = 1;; ++n) {
    const std::string candidate = n == 1 ? name : stem + " (" + std::to_string(n) + ")" + extension;
    const std::string path = Joined(folder, candidate);
    if (NameTaken(path)) continue;
    if (!companionSuffix.empty() && NameTaken(path + std::string(companionSuffix))) continue;
    return candidate;
  }
}

void KeptFiles::Load() {
  files_.clear();
  std::string bytes;
  if (path_.empty() || !ReadFileBytes(path_, bytes)) return;
  std::istringstream lines(bytes);
  std::string line;
  while (std::getline(lines, line)) {
    const std::size_t tab1 = line.find('\t');
    const std::size_t tab2 = tab1 == std::string::npos ? tab1 : line.find('\t', tab1 + 1);
    if (tab2 == std::string::npos) continue;
    char* end = nullptr;
    const unsigned long long size = std::strtoull(line.c_str(), &end, 10);
    if (end != line.c_str() + tab1) continue;
    const long long time = std::strtoll(line.c_str() + tab1 + 1, &end, 10);
    if (end != line.c_str() + tab2) continue;
    files_[line.substr(tab2 + 1)] = {size, time};
  }
}

bool KeptFiles::Has(const std::string& path, std::uint64_t size, std::int64_t modifiedNs) const {
  const auto found = files_.find(path);
  return found != files_.end() && found->second.first == size && found->second.second == modifiedNs;
}

bool KeptFiles::Add(const std::string& path, std::uint64_t size, std::int64_t modifiedNs) {
  if (path_.empty() || path.find('\n') != std::string::npos) return false;
  files_[path] = {size, modifiedNs};
  return Save();
}

void KeptFiles::Prune(const std::string& folder, const std::vector<InboxEntry>& present) {
  const std::string prefix = Joined(folder, "");
  bool changed = false;
  for (auto it = files_.begin(); it != files_.end();) {
    const bool inFolder = it->first.starts_with(prefix) && it->first.find('/', prefix.size()) == std::string::npos;
    const std::string name = it->first.substr(std::min(prefix.size(), it->first.size()));
    const bool there = std::any_of(present.begin(), present.end(), [&](const InboxEntry& entry) {
      return entry.name == name && entry.size == it->second.first && entry.modifiedNs == it->second.second;
    });
    if (inFolder && !there) {
      it = files_.erase(it);
      changed = true;
    } else {
      ++it;
    }
  }
  if (changed) Save();
}

bool KeptFiles::Save() const {
  std::string bytes;
  for (const auto& [path, stamp] : files_)
    bytes += std::to_string(stamp.first) + "\t" + std::to_string(stamp.second) + "\t" + path + "\n";
  const std::string folder = ParentFolder(path_);
  return EnsureFolders(folder) && WriteFileAtomic(path_, bytes);
}

NativePath DefaultKeptFilesPath() {
  const std::string base = UserDataFolder();
  return base.empty() ? NativePath() : NativePath(base + "/inbox-kept.txt");
}

bool InboxInsideStore(const NativePath& folder, const NativePath& storeRoot) {
  if (storeRoot.empty()) return false;
  std::error_code error;
  const std::string root = std::filesystem::weakly_canonical(std::filesystem::path(storeRoot.str()), error).string();
  const std::string inbox = std::filesystem::weakly_canonical(std::filesystem::path(folder.str()), error).string();
  return !root.empty() && (inbox == root || inbox.starts_with(root + "/"));
}

NativePath InboxLockPath(const NativePath& folder) { return NativePath(Joined(folder, inbox::kLockName)); }

bool InboxLog::Append(std::time_t when, const std::string& fileNative, const std::string& textCp932) {
  if (path_.empty()) return false;
  struct stat st {};
  if (::lstat(path_.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
      static_cast<std::uint64_t>(st.st_size) >= inbox::kLogRotateBytes)
    ::rename(path_.c_str(), (ParentFolder(path_) + "/" + std::string(layout::kInboxLogOld)).c_str());
  std::string line = FormatLocalTime(when, "%Y/%m/%d %H:%M:%S") + "\t" + fileNative + "\t" + Cp932ToUtf8(textCp932);
  std::replace(line.begin(), line.end(), '\n', ' ');
  line += '\n';
  const int fd = ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const bool ok = WriteAll(fd, line);
  return (::close(fd) == 0) && ok;
}

std::vector<std::string> RecentLogLines(const std::string& path, std::size_t count) {
  std::vector<std::string> lines;
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return lines;
  struct stat st {};
  std::string bytes;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    const std::uint64_t size = static_cast<std::uint64_t>(st.st_size);
    const std::uint64_t tail = std::min<std::uint64_t>(size, 256u * 1024u);
    ReadAt(fd, size - tail, static_cast<std::size_t>(tail), bytes);
    if (tail < size) {  // the first line may be cut
      const std::size_t lf = bytes.find('\n');
      bytes.erase(0, lf == std::string::npos ? bytes.size() : lf + 1);
    }
  }
  ::close(fd);
  std::istringstream stream(bytes);
  std::string line;
  while (std::getline(stream, line))
    if (!line.empty()) lines.push_back(line);
  if (lines.size() > count) lines.erase(lines.begin(), lines.end() - static_cast<std::ptrdiff_t>(count));
  return lines;
}

NativePath InboxLogPath(Store& store) {
  const NativePath folder = store.WritableFolder(layout::kLog);
  return folder.empty() ? NativePath() : NativePath(Joined(folder, layout::kInboxLog));
}

Inbox::Inbox(Store& store, InboxOptions options, InboxImportFile importFile, const Clock& clock, const TickClock& ticks,
             InboxListing& listing)
    : store_(store),
      options_(std::move(options)),
      importFile_(std::move(importFile)),
      clock_(clock),
      ticks_(ticks),
      listing_(listing),
      kept_(options_.keptPath) {
  if (!options_.logPath.empty()) log_.emplace(options_.logPath);
}

bool Inbox::Prepare() {
  const std::optional<long> count = store_.ReadSerialCount();
  if (!count) return false;
  digests_.clear();
  CollectStoredDigests(store_, 0, *count, digests_);
  knownCount_ = *count;
  kept_.Load();
  kept_.Prune(options_.folder, listing_.List(options_.folder));
  return true;
}

void Inbox::LearnNewRecords() {
  const std::optional<long> count = store_.ReadSerialCount();
  if (!count || *count <= knownCount_) return;
  CollectStoredDigests(store_, knownCount_, *count, digests_);
  knownCount_ = *count;
}

std::vector<NativePath> Inbox::Poll() {
  std::vector<InboxEntry> entries = listing_.List(options_.folder);
  lastListing_.clear();
  std::vector<InboxEntry> candidates;
  for (InboxEntry& entry : entries) {
    if (!IsInboxCandidate(entry.name)) continue;
    if (kept_.Has(Joined(options_.folder, entry.name), entry.size, entry.modifiedNs)) continue;
    lastListing_[entry.name] = entry;
    candidates.push_back(std::move(entry));
  }
  std::vector<NativePath> paths;
  for (const std::string& name : tracker_.Complete(candidates, ticks_.NowMs()))
    paths.emplace_back(Joined(options_.folder, name));
  return paths;
}

NativePath Inbox::MoveInto(const NativePath& path, std::string_view sub, std::string_view companionSuffix) {
  const std::string folder = RealSubFolder(options_.folder, sub);
  if (folder.empty()) return {};
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string target = Joined(folder, FreeNameIn(folder, BaseName(path), companionSuffix));
    switch (PublishWithoutReplacing(path, target)) {
      case NewFileResult::Done:
        return NativePath(target);
      case NewFileResult::Exists:
        continue;  // taken meanwhile: the next free name
      case NewFileResult::Failed:
        return {};
    }
  }
  return {};
}

void Inbox::Log(InboxResult& result, const std::string& text) {
  result.logLine = BaseName(result.path) + "\t" + Cp932ToUtf8(text);
  if (log_) log_->Append(clock_.Now(), result.path, text);
}

void Inbox::Settle(InboxResult& result, const InboxEntry& entry) {
  if (options_.moveDone) {
    result.movedTo = MoveInto(result.path, inbox::kDoneFolder, {});
    if (result.movedTo.empty()) {
      // Stored all the same: at the next look it is known by its digest.
      result.note = Fill(Msg::InboxMoveFailed, Utf8ToCp932(inbox::kDoneFolder));
      tracker_.Hold(entry.name, kNever);
    }
  } else if (!kept_.Add(result.path, entry.size, entry.modifiedNs)) {
    result.note = MessageText(Msg::InboxKeptUnsaved);
  }
}

InboxResult Inbox::Take(const NativePath& path) {
  InboxResult result;
  result.path = path;
  const std::optional<InboxEntry> entry = StatEntry(path);
  if (!entry) return result;  // gone meanwhile
  const auto listed = lastListing_.find(entry->name);
  if (listed != lastListing_.end() &&
      (listed->second.size != entry->size || listed->second.modifiedNs != entry->modifiedNs))
    return result;  // written to again: the completeness rule starts over at the next look
  if (kept_.Has(path, entry->size, entry->modifiedNs)) return result;

  LearnNewRecords();
  const std::string digest = FileDigestHexNative(path);
  if (digest.empty() && !StatEntry(path)) return result;
  if (!digest.empty()) {
    const auto known = digests_.find(digest);
    if (known != digests_.end()) {
      result.outcome = InboxOutcome::Duplicate;
      result.serial = known->second;
      Settle(result, *entry);
      std::string text = Fill(Msg::InboxDuplicate, result.serial);
      if (!result.note.empty()) text += " / " + result.note;
      Log(result, text);
      return result;
    }
  }

  FileReport report;
  if (digest.empty())
    report.note = MessageText(Msg::InboxUnreadable);
  else
    report = importFile_(path);
  if (report.outcome == FileOutcome::Stored || report.outcome == FileOutcome::StoredWithoutText) {
    result.outcome = InboxOutcome::Stored;
    result.serial = report.serial;
    result.title = report.title;
    digests_.emplace(digest, report.serial);
    const std::string noted = report.note;
    Settle(result, *entry);
    std::string text = Fill(Msg::InboxStored, report.serial);
    if (!report.title.empty()) text += Utf8ToCp932("「") + report.title + Utf8ToCp932("」");
    for (const std::string& extra : {noted, result.note})
      if (!extra.empty()) text += " / " + extra;
    if (result.note.empty()) result.note = noted;
    Log(result, text);
    return result;
  }
  if (report.outcome == FileOutcome::Skipped) {  // an importer that checks duplicates itself
    result.outcome = InboxOutcome::Duplicate;
    Settle(result, *entry);
    Log(result, report.note);
    return result;
  }
  if (StoreCouldNotTake(report)) {
    result.outcome = InboxOutcome::Deferred;
    result.note = report.note;
    tracker_.Hold(entry->name, ticks_.NowMs() + inbox::kRetryMs);
    Log(result, Fill(Msg::InboxDeferred, report.note));
    return result;
  }
  // The file itself cannot be stored: into エラー with its reason, never taken again from there.
  result.outcome = InboxOutcome::Failed;
  const std::string reason = report.note.empty() ? MessageText(Msg::FileOpenFailed) : report.note;
  result.note = reason;
  std::string text = Fill(Msg::InboxFailed, reason);
  result.movedTo = MoveInto(path, inbox::kErrorFolder, inbox::kReasonSuffix);
  if (result.movedTo.empty()) {
    tracker_.Hold(entry->name, kNever);  // stays while unchanged, not tried again
    text += " / " + Fill(Msg::InboxMoveFailed, Utf8ToCp932(inbox::kErrorFolder));
  } else if (WriteNewFile(result.movedTo.str() + std::string(inbox::kReasonSuffix), Cp932ToUtf8(reason) + "\n") !=
             NewFileResult::Done) {
    text += " / " + MessageText(Msg::InboxReasonUnsaved);
  }
  Log(result, text);
  return result;
}

}  // namespace folidex
