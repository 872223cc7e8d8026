#include "store/RecordListing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>

#include "common/FileSystem.h"
#include "store/Digest.h"
#include "store/StoreLayout.h"

namespace folidex {

long RecordFileSerial(const char* name) {
  if (std::strlen(name) != 12 || std::strcmp(name + 8, ".TXT") != 0) return -1;
  long value = 0;
  for (int i = 0; i < 8; ++i) {
    if (name[i] < '0' || name[i] > '9') return -1;
    value = value * 10 + (name[i] - '0');
  }
  return value;
}

namespace {

// Appends the record files of sub-folder `k` to `serials`; its errno when it cannot be listed.
int ListFolder(const std::string& txtFolder, int k, std::vector<long>& serials) {
  char name[3] = {static_cast<char>('0' + k / 10), static_cast<char>('0' + k % 10), '\0'};
  DIR* dir = ::opendir((txtFolder + kPathSeparator + name).c_str());
  if (!dir) return (errno == ENOENT || errno == ENOTDIR) ? 0 : errno;
  int error = 0;
  for (;;) {
    errno = 0;
    dirent* entry = ::readdir(dir);
    if (!entry) {
      error = errno;  // a listing cut short knows nothing
      break;
    }
    const long serial = RecordFileSerial(entry->d_name);
    if (serial >= 0 && serial % 100 == k) serials.push_back(serial);
  }
  ::closedir(dir);
  return error;
}

// Sorts serials of at most eight digits: through a bitmap when they are dense enough, which
// costs a pass instead of a sort.
void SortSerials(std::vector<long>& serials) {
  long highest = -1;
  for (long s : serials) highest = std::max(highest, s);
  if (highest < 0 || static_cast<std::size_t>(highest) / 64 > serials.size() * 4 + 1024) {
    std::sort(serials.begin(), serials.end());
    return;
  }
  std::vector<std::uint64_t> bits(static_cast<std::size_t>(highest) / 64 + 1, 0);
  for (long s : serials) bits[static_cast<std::size_t>(s) / 64] |= std::uint64_t{1} << (s % 64);
  std::size_t out = 0;
  for (std::size_t w = 0; w < bits.size(); ++w) {
    for (std::uint64_t word = bits[w]; word != 0; word &= word - 1)
      serials[out++] = static_cast<long>(w * 64 + static_cast<std::size_t>(__builtin_ctzll(word)));
  }
  serials.resize(out);  // a name listed twice (never on a sane file system) counts once
}

std::uint64_t Mix(std::uint64_t h, std::uint64_t v) {
  h ^= v + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
  h *= 0xBF58476D1CE4E5B9ull;
  return h ^ (h >> 31);
}

std::uint64_t FolderStamp(const struct stat& st) {
  std::uint64_t h = 0x11571465;
  for (std::uint64_t v :
       {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
        static_cast<std::uint64_t>(st.st_size), static_cast<std::uint64_t>(st.st_nlink),
        static_cast<std::uint64_t>(st.st_mtim.tv_sec), static_cast<std::uint64_t>(st.st_mtim.tv_nsec),
        static_cast<std::uint64_t>(st.st_ctim.tv_sec), static_cast<std::uint64_t>(st.st_ctim.tv_nsec)})
    h = Mix(h, v);
  return h | 1;
}

std::uint64_t Checksum(const char* data, std::size_t size) { return Fnv1a(std::string_view(data, size)); }

// The memo: a magic, per sub-folder its stamp (0: not remembered) and count of serials, the
// serials (four bytes each, folder by folder, ascending), and a checksum of all before it.
constexpr char kMemoMagic[8] = {'F', 'L', 'D', 'X', 'L', 'M', '0', '1'};
constexpr std::size_t kMemoHead = 8 + 100 * 12;

struct Memo {
  std::array<std::uint64_t, 100> stamps{};
  std::array<std::vector<std::uint32_t>, 100> serials;
};

template <typename T>
T Load(const std::string& bytes, std::size_t at) {
  T value;
  std::memcpy(&value, bytes.data() + at, sizeof value);
  return value;
}

bool ReadMemo(const std::string& path, Memo& memo) {
  std::string bytes;
  if (!ReadFileBytes(path, bytes) || bytes.size() < kMemoHead + 8 || std::memcmp(bytes.data(), kMemoMagic, 8) != 0)
    return false;
  const std::size_t body = bytes.size() - 8;
  if (Load<std::uint64_t>(bytes, body) != Checksum(bytes.data(), body)) return false;
  std::size_t at = kMemoHead;
  for (int k = 0; k < 100; ++k) {
    memo.stamps[k] = Load<std::uint64_t>(bytes, 8 + k * 12);
    const std::uint32_t count = Load<std::uint32_t>(bytes, 8 + k * 12 + 8);
    if (count > (body - at) / 4) return false;
    std::vector<std::uint32_t>& serials = memo.serials[k];
    serials.resize(count);
    if (count > 0) std::memcpy(serials.data(), bytes.data() + at, count * 4u);
    at += count * 4u;
    for (std::size_t i = 0; i < serials.size(); ++i) {
      if (serials[i] % 100 != static_cast<std::uint32_t>(k) || serials[i] > 99999999u ||
          (i > 0 && serials[i] <= serials[i - 1]))
        return false;
    }
  }
  return at == body;
}

// Written beside the old memo and renamed over it; a memo cut short by a crash does not add up
// and is ignored, so no sync is needed.
void WriteMemo(const std::string& path, const Memo& memo) {
  std::string bytes(kMemoMagic, 8);
  for (int k = 0; k < 100; ++k) {
    const std::uint32_t count = static_cast<std::uint32_t>(memo.serials[k].size());
    bytes.append(reinterpret_cast<const char*>(&memo.stamps[k]), 8);
    bytes.append(reinterpret_cast<const char*>(&count), 4);
  }
  for (const auto& serials : memo.serials)
    bytes.append(reinterpret_cast<const char*>(serials.data()), serials.size() * 4);
  const std::uint64_t sum = Checksum(bytes.data(), bytes.size());
  bytes.append(reinterpret_cast<const char*>(&sum), 8);
  const std::string temporary = path + ".new-" + std::to_string(::getpid());
  FileHandle file(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600));
  if (!file) return;
  const bool written = WriteAll(file.get(), bytes);
  file.Reset();
  if (!written || ::rename(temporary.c_str(), path.c_str()) != 0) ::unlink(temporary.c_str());
}

long long NowNs() {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

long long Ns(const timespec& t) { return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec; }

// Folder times closer than this to the moment of the listing are not trusted.
constexpr long long kTrustMarginNs = 2500000000LL;

}  // namespace

RecordListing ListRecordFiles(const std::string& txtFolder) {
  RecordListing listing;
  listing.textFolderListed = IsDirectory(txtFolder);
  if (!listing.textFolderListed) return listing;
  for (int k = 0; k < layout::kSubFolders; ++k) listing.folderError[k] = ListFolder(txtFolder, k, listing.serials);
  std::sort(listing.serials.begin(), listing.serials.end());
  return listing;
}

RecordListing ListRecordFilesRemembered(const std::string& txtFolder, const std::string& memoPath, long long nowNs) {
  // The moment is taken before any folder is looked at: a change after it has later times.
  const long long now = nowNs >= 0 ? nowNs : NowNs();
  RecordListing listing;
  FileHandle txt(::open(txtFolder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  listing.textFolderListed = static_cast<bool>(txt);
  if (!listing.textFolderListed) return listing;
  Memo memo;
  if (!ReadMemo(memoPath, memo)) memo = Memo{};
  bool changed = false;
  for (int k = 0; k < layout::kSubFolders; ++k) {
    char name[3] = {static_cast<char>('0' + k / 10), static_cast<char>('0' + k % 10), '\0'};
    struct stat st;
    std::uint64_t stamp = 0;
    if (::fstatat(txt.get(), name, &st, 0) == 0 && S_ISDIR(st.st_mode)) stamp = FolderStamp(st);
    if (stamp != 0 && memo.stamps[k] == stamp) {
      listing.serials.insert(listing.serials.end(), memo.serials[k].begin(), memo.serials[k].end());
      continue;
    }
    const std::size_t first = listing.serials.size();
    listing.folderError[k] = ListFolder(txtFolder, k, listing.serials);
    const bool trusted = stamp != 0 && listing.folderError[k] == 0 && Ns(st.st_mtim) < now - kTrustMarginNs &&
                         Ns(st.st_ctim) < now - kTrustMarginNs;
    const std::uint64_t kept = trusted ? stamp : 0;
    if (kept == 0 && memo.stamps[k] == 0) continue;  // nothing remembered, nothing to remember
    changed = true;
    memo.stamps[k] = kept;
    memo.serials[k].clear();
    if (kept != 0) {
      for (std::size_t i = first; i < listing.serials.size(); ++i)
        memo.serials[k].push_back(static_cast<std::uint32_t>(listing.serials[i]));
      std::sort(memo.serials[k].begin(), memo.serials[k].end());
    }
  }
  SortSerials(listing.serials);
  if (changed) WriteMemo(memoPath, memo);
  return listing;
}

}  // namespace folidex
