#include "store/StoreCheck.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <optional>

#include "common/ByteText.h"
#include "common/Cp932.h"
#include "common/FileSystem.h"
#include "common/Messages.h"
#include "store/Digest.h"
#include "store/Record.h"
#include "store/RecordListing.h"
#include "store/Store.h"
#include "store/StoreLayout.h"

namespace folidex {
namespace {

const char kSep = kPathSeparator;

std::string Join(const std::string& folder, std::string_view name) { return folder + kSep + std::string(name); }

std::string SubFolderName(int k) { return {static_cast<char>('0' + k / 10), static_cast<char>('0' + k % 10)}; }

// A message of the table with %1, %2, … replaced, as one line.
std::string Text(Msg id, const std::vector<std::string>& values = {}) {
  std::string text = MessageText(id);
  for (std::size_t k = values.size(); k > 0; --k) text = ReplaceAllCp932(text, "%" + std::to_string(k), values[k - 1]);
  return ReplaceAllCp932(text, "\n", " ");
}

bool IsSymlink(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

// Every entry name of a folder (nothing when it cannot be read).
std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (dirent* entry = ::readdir(dir)) {
      std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(std::move(name));
    }
    ::closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// What the lines of a record file say about its form.
struct RecordForm {
  int lines = 0;
  std::string missingTags;   // "<FN><TX>", empty when every field has its line
  std::string brokenFields;  // fields whose value holds a line break
  std::array<std::string, kFieldCount> values;
  bool Complete() const { return lines >= kFieldCount && missingTags.empty() && brokenFields.empty(); }
};

int TagOf(std::string_view line) {
  if (line.size() < 4 || line[0] != '<' || line[3] != '>') return -1;
  for (int k = 0; k < kFieldCount; ++k) {
    if (line.substr(1, 2) == kFieldTagNames[k]) return k;
  }
  return -1;
}

RecordForm ReadForm(std::string_view bytes) {
  RecordForm form;
  std::array<bool, kFieldCount> seen{}, broken{};
  int last = -1;  // the field of the last tagged line
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    std::size_t lf = bytes.find('\n', pos);
    std::size_t end = lf == std::string_view::npos ? bytes.size() : lf;
    std::string_view line = bytes.substr(pos, end - pos);
    if (lf != std::string_view::npos && !line.empty() && line.back() == '\r') line.remove_suffix(1);
    pos = lf == std::string_view::npos ? bytes.size() : lf + 1;
    ++form.lines;
    const int tag = TagOf(line);
    if (tag < 0) {
      if (last >= 0) broken[last] = true;  // the continuation of a value that held a line break
      continue;
    }
    if (!seen[tag]) form.values[tag] = std::string(line.substr(4));
    seen[tag] = true;
    last = tag;
    if (line.find('\r') != std::string_view::npos) broken[tag] = true;
  }
  for (int k = 0; k < kFieldCount; ++k) {
    const std::string tag = "<" + std::string(kFieldTagNames[k]) + ">";
    if (!seen[k]) form.missingTags += tag;
    if (broken[k]) form.brokenFields += tag;
  }
  return form;
}

std::optional<long> ReadStoreCounter(const std::string& path, bool& damaged) {
  damaged = false;
  std::string text;
  const FileRead read = ReadRegularFile(path, text, 64);
  if (read == FileRead::Missing) return std::nullopt;
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  std::optional<long> value;
  if (read == FileRead::Ok && text.size() == static_cast<std::size_t>(layout::kCounterDigits) &&
      std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
    value = ParseSerialCounter(text);
  damaged = !value;
  return value;
}

class Checker {
 public:
  explicit Checker(const CheckInputs& inputs) : in_(inputs), root_(inputs.storeRoot) {}

  CheckReport Run() {
    Folders();
    Counters();
    const RecordListing listing = ListRecordFiles(Join(root_, layout::kText));
    report_.records = static_cast<long>(listing.serials.size());
    const long highest = listing.serials.empty() ? -1 : listing.serials.back();
    CounterBehind(highest);
    FileHandle index(::open(Join(root_, layout::kIndex).c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));

    std::map<std::string, int> digests;
    long done = 0;
    for (long serial : listing.serials) {
      if (in_.progress && done % 64 == 0) in_.progress(done, report_.records);
      ++done;
      Record(serial, index.get(), digests);
    }
    if (in_.progress) in_.progress(done, report_.records);
    for (const auto& [digest, count] : digests) report_.duplicateGroups += count > 1;

    Copies(listing);
    for (int k = 0; k < layout::kSubFolders; ++k) {
      Temporaries(Join(Join(root_, layout::kText), SubFolderName(k)));
      Temporaries(Join(Join(root_, layout::kPdf), SubFolderName(k)));
    }
    Temporaries(Join(root_, layout::kList));
    Temporaries(root_);
    return std::move(report_);
  }

 private:
  void Problem(const std::string& path, std::string text, bool leftover = false) {
    report_.problems.push_back({path, std::move(text), leftover});
  }

  // A store folder that is a symbolic link: writers refuse it.
  void Folders() {
    auto check = [this](const std::string& path) {
      if (IsSymlink(path)) Problem(path, Text(Msg::NotARegularFile));
    };
    check(root_);
    for (std::string_view folder : layout::kFolders) check(Join(root_, folder));
    for (std::string_view kind : {layout::kText, layout::kPdf}) {
      for (int k = 0; k < layout::kSubFolders; ++k) check(Join(Join(root_, kind), SubFolderName(k)));
    }
  }

  void Counters() {
    sysNo_ = ParseSerialCounter(in_.sysNo);
    if (!sysNo_)
      Problem(ToNativePath(in_.settingsPath), "Sys/No = \"" + in_.sysNo + "\" " + Text(Msg::SerialCounterInvalid));
    bool damaged = false;
    counterFile_ = ReadStoreCounter(Join(root_, layout::kCounter), damaged);
    if (damaged) Problem(Join(root_, layout::kCounter), Text(Msg::StoreCounterInvalid));
    n_ = std::max(sysNo_.value_or(0), counterFile_.value_or(0));
  }

  // The store's own counter behind the highest record hides that record from every computer
  // whose settings are behind as well; without a counter file, the settings' counter decides.
  void CounterBehind(long highest) {
    if (highest < 0) return;
    const std::string record = FormatSerial(highest);
    if (counterFile_ && *counterFile_ <= highest)
      Problem(Join(root_, layout::kCounter), Text(Msg::CheckCounterBehind, {FormatSerial(*counterFile_), record}));
    if (!counterFile_ && sysNo_ && *sysNo_ <= highest)
      Problem(ToNativePath(in_.settingsPath),
              "Sys/No: " + Text(Msg::CheckCounterBehind, {FormatSerial(*sysNo_), record}));
  }

  void Record(long serial, int indexFd, std::map<std::string, int>& digests) {
    const std::string name = FormatSerial(serial);
    const std::string path = Join(Join(Join(root_, layout::kText), name.substr(6)), name + ".TXT");
    std::string bytes;
    const FileRead read = ReadRegularFile(path, bytes, kMaxRecordFileSize);
    if (read != FileRead::Ok) {
      Problem(path, Text(read == FileRead::TooLarge     ? Msg::RecordFileOversize
                         : read == FileRead::NotRegular ? Msg::NotARegularFile
                         : read == FileRead::NoMemory   ? Msg::MemoryAllocFailed
                                                        : Msg::FileOpenFailed));
      return;
    }
    const RecordForm form = ReadForm(bytes);
    bytes.clear();
    if (!form.Complete()) {
      auto orNone = [](const std::string& text) { return text.empty() ? std::string("-") : text; };
      Problem(path, Text(Msg::CheckRecordMalformed,
                         {std::to_string(form.lines), orNone(form.missingTags), orNone(form.brokenFields)}));
    }
    // Found by a search: inside the extent, and not marked gone in the index.
    std::string indexByte = "-";
    if (indexFd >= 0 && serial < n_) {
      std::string byte;
      if (ReadAt(indexFd, static_cast<std::uint64_t>(serial), 1, byte) && byte.size() == 1) indexByte = byte;
    }
    if (serial >= n_ || indexByte == "0")
      Problem(path, Text(Msg::CheckNotSearched, {n_ > 0 ? FormatSerial(n_ - 1) : std::string("-"), indexByte}));

    const std::string& y2 = form.values[static_cast<int>(FieldTag::Y2)];
    if (!y2.empty()) ++digests[y2];
    if (form.values[static_cast<int>(FieldTag::TY)] == kLinkCopy) {
      const std::string copy = CopyPath(name);
      const std::string digest = IsFile(copy) ? FileDigestHexNative(copy) : std::string();
      if (digest.empty() || (!y2.empty() && digest != y2))
        Problem(copy, Text(Msg::CheckCopyMismatch, {y2.empty() ? "-" : y2, digest.empty() ? "-" : digest}));
    }
  }

  std::string CopyPath(const std::string& name) const {
    return Join(Join(Join(root_, layout::kPdf), name.substr(6)), name + ".PDF");
  }

  // Copies without a record file.
  void Copies(const RecordListing& listing) {
    for (int k = 0; k < layout::kSubFolders; ++k) {
      const std::string folder = Join(Join(root_, layout::kPdf), SubFolderName(k));
      for (const std::string& name : Names(folder)) {
        if (name.size() != 12 || name.compare(8, 4, ".PDF") != 0) continue;
        const long serial = RecordFileSerial((name.substr(0, 8) + ".TXT").c_str());
        if (serial < 0 || serial % 100 != k) continue;
        ++report_.copies;
        if (!std::binary_search(listing.serials.begin(), listing.serials.end(), serial))
          Problem(Join(folder, name), Text(Msg::CheckLeftover), true);
      }
    }
  }

  void Temporaries(const std::string& folder) {
    for (const std::string& name : Names(folder)) {
      if (!IsRewriteTemporaryName(name)) continue;
      ++report_.temporaries;
      Problem(Join(folder, name), Text(Msg::CheckLeftover), true);
    }
  }

  const CheckInputs& in_;
  const std::string root_;
  std::optional<long> sysNo_, counterFile_;
  long n_ = 0;
  CheckReport report_;
};

}  // namespace

CheckReport CheckStore(const CheckInputs& inputs) { return Checker(inputs).Run(); }

}  // namespace folidex
