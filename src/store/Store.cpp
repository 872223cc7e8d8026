#include "store/Store.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "common/ByteText.h"
#include "common/Cp932.h"
#include "common/FileSystem.h"
#include "common/Normalize.h"

namespace folidex {
namespace {

constexpr char kSep = kPathSeparator;

bool IsUsableLocation(const std::string& location) {
  // An absolute path; a relative one or a network share name ("//server/share") is not usable.
  return !location.empty() && location[0] == kSep && !(location.size() > 1 && location[1] == kSep);
}

std::string_view LastTwo(std::string_view serial) {
  return serial.size() <= 2 ? serial : serial.substr(serial.size() - 2);
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
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
  std::string native = ToNativePath(rest);
  std::string decoded;
  for (std::size_t i = 0; i < native.size(); ++i) {
    if (native[i] == '%' && i + 2 < native.size() && HexValue(native[i + 1]) >= 0 && HexValue(native[i + 2]) >= 0) {
      decoded.push_back(static_cast<char>(HexValue(native[i + 1]) * 16 + HexValue(native[i + 2])));
      i += 2;
    } else {
      decoded.push_back(native[i]);
    }
  }
  return decoded;
}

}  // namespace

Store::Store(Settings& settings, Prompter& prompter) : settings_(settings), prompter_(prompter) {}

void Store::SetLocation(std::string location) {
  location_ = std::move(location);
  locationUsable_ = IsUsableLocation(location_);
}

std::string Store::StoreRoot() const {
  if (!locationUsable_) return {};
  std::string root = location_;
  if (root.back() != kSep) root += kSep;
  return root + "DOCDATA";
}

std::string Store::RecordFilePath(std::string_view serial, std::string_view kind) const {
  std::string root = StoreRoot();
  if (root.empty()) return {};
  std::string path;
  path.reserve(root.size() + 32);
  path.append(root).append(1, kSep).append(kind).append(1, kSep).append(LastTwo(serial));
  path.append(1, kSep).append(serial).append(1, '.').append(kind);
  return path;
}

std::string Store::StoreFilePath(std::string_view serial, std::string_view kind) {
  std::string path = RecordFilePath(serial, kind);
  if (path.empty()) return {};
  std::string folder = path.substr(0, path.rfind(kSep));
  if (!EnsureFolders(ToNativePath(folder))) return {};
  return path;
}

std::string FormatRecordFile(const IndexRecord& record) {
  std::string bytes;
  std::size_t total = 0;
  for (const auto& field : record.fields) total += field.size() + 6;
  bytes.reserve(total);
  for (int k = 0; k < kFieldCount; ++k) {
    bytes.append(1, '<').append(kFieldTagNames[k]).append(1, '>').append(record.fields[k]).append("\r\n");
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
  std::string path = StoreFilePath(serial, kKindText);
  if (path.empty()) return false;
  std::string bytes;
  if (!ReadFileBytes(ToNativePath(path), bytes)) return false;
  ParseRecordFile(bytes, stopAfterText, working_);
  return true;
}

bool Store::WriteRecordFile(std::string_view serial) {
  std::string path = StoreFilePath(serial, kKindText);
  if (path.empty()) return false;
  if (!WriteFileAtomic(ToNativePath(path), FormatRecordFile(working_))) {
    prompter_.Error(Msg::FileOpenFailed);
    return false;
  }
  return true;
}

bool Store::LoadBodyText(const std::string& workTextPath) {
  if (workTextPath.empty()) {
    working_[FieldTag::TX].clear();
    working_[FieldTag::TS].assign(1, '0');
    return true;
  }
  std::string bytes;
  if (!ReadFileBytes(ToNativePath(workTextPath), bytes)) {
    prompter_.Error(Msg::FileOpenFailed, workTextPath + "\n");
    return false;
  }
  std::size_t zero = bytes.find('\0');
  if (zero != std::string::npos) bytes.resize(zero);
  working_[FieldTag::TX] = NormalizeBodyText(bytes);
  working_[FieldTag::TS] = std::to_string(working_[FieldTag::TX].size());
  return true;
}

bool Store::StoreDocumentFile(std::string_view kind, const std::string& sourcePath, std::string_view serial) {
  if (kind == kKindPdf) return StorePdfCopy(ToNativePath(sourcePath), serial);
  std::string destination = StoreFilePath(serial, kind);
  if (destination.empty()) return false;
  if (!LoadBodyText(sourcePath)) return false;
  return WriteRecordFile(serial);
}

bool Store::StorePdfCopy(const std::string& sourceNative, std::string_view serial) {
  std::string destination = StoreFilePath(serial, kKindPdf);
  if (destination.empty()) return false;
  if (!CopyFileAtomic(sourceNative, ToNativePath(destination))) {
    prompter_.Error(Msg::FileSaveFailed);
    return false;
  }
  return true;
}

UniqueFile Store::OpenIndexFile() {
  std::string root = StoreRoot();
  std::string native = root.empty() ? std::string() : ToNativePath(root + kSep + "index");
  const std::string prefix = Utf8ToCp932("索引");
  if (!native.empty() && IsFile(native)) {
    UniqueFile file(std::fopen(native.c_str(), "r+b"));
    if (!file) prompter_.Error(Msg::FileOpenFailed, prefix);
    return file;
  }
  UniqueFile file;
  if (!native.empty() && EnsureFolders(ToNativePath(root))) file.reset(std::fopen(native.c_str(), "w+b"));
  if (!file) {
    prompter_.Error(Msg::FileCreateFailed, prefix);
    return file;
  }
  long n = LeadingNumber(ReadSerialCounter());
  for (long i = 0; i < n; ++i) std::fputc('1', file.get());
  std::fflush(file.get());
  std::fseek(file.get(), 0, SEEK_SET);
  return file;
}

std::string Store::ReadSerialCounter() const { return settings_.GetText(setting::SerialCounter); }

void Store::WriteSerialCounter(long next) { settings_.SetText(setting::SerialCounter, FormatSerial(next)); }

long Store::ScanNextSerial(const std::string& txtFolder) {
  long highest = -1;
  std::string base = ToNativePath(txtFolder);
  for (int folder = 0; folder < 100; ++folder) {
    char name[3] = {static_cast<char>('0' + folder / 10), static_cast<char>('0' + folder % 10), '\0'};
    for (const std::string& file : ListFiles(base + kSep + name)) {
      if (file.size() < 4 || file.compare(file.size() - 4, 4, ".TXT") != 0) continue;
      long value = 0;
      for (std::size_t i = 0; i < file.size() && file[i] >= '0' && file[i] <= '9' && value < 100'000'000'000L; ++i)
        value = value * 10 + (file[i] - '0');
      if (value > highest) highest = value;
    }
  }
  return highest + 1;
}

std::string Store::WorkFolderPath() {
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
  return FromNativePath(folder);
}

bool Store::ResetWorkText() {
  std::string folder = WorkFolderPath();
  if (folder.empty()) return false;
  workTextPath_ = folder + kSep + "tmp.txt";
  std::string native = ToNativePath(workTextPath_);
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
  if (ty == kLinkCopy) {
    // The mark only needs the copy's existence; the folders are not created for the test.
    std::string copy = store.RecordFilePath(serial, kKindPdf);
    if (!copy.empty() && IsFile(ToNativePath(copy))) return {kMarkAvailable, copy};
    return {kMarkMissing, {}};
  }
  std::string upper = UpperCaseAsciiCp932(fg.substr(0, 5));
  if (upper.rfind("HTTP", 0) == 0) return {kMarkAvailable, {}};
  // On a file system that tells letter case apart the path is tested as FG holds it.
  std::string native = upper.rfind("FILE:", 0) == 0 ? FileUrlToNativePath(fg) : ToNativePath(fg);
  if (!native.empty() && IsFile(native)) return {kMarkAvailable, FromNativePath(native)};
  return {kMarkMissing, {}};
}

}  // namespace folidex
