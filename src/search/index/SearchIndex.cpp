#include "search/index/SearchIndex.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <groonga.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <thread>

#include "common/ByteText.h"
#include "common/FileSystem.h"
#include "store/Digest.h"
#include "store/Store.h"

namespace folidex {
namespace {

// 2: index columns of medium size (the largest a million records need, and a small table of
// segments to open and close).
// 3: no positions in the index columns: a candidate holds every bigram of a piece, and is matched
// by the scan's matchers anyway.
constexpr int kFormatVersion = 3;
constexpr char kStampsMagic[8] = {'F', 'L', 'D', 'X', 'S', 'T', '0', '1'};
constexpr std::string_view kColumnNames[kIndexColumns] = {"pt", "pa", "ps", "pk", "body"};

// Groonga's embedded Ruby is not needed by anything the index does, and starting it costs more
// than a search: it is turned off (unless the environment says otherwise) before any thread
// could read the environment.
const bool kRubyOff = ::setenv("GRN_MRUBY_ENABLED", "no", 0) == 0;

// Groonga's library is loaded when an index is first opened or built, not with the program:
// loading it writes (and so copies) its 8 MB of relocated data page by page, tens of
// milliseconds that a search spends on a thread of its own beside the folders' listing and
// the status sweep, and that a command without the index never spends.
// clang-format off
#define FOLIDEX_GROONGA_FUNCTIONS(X) \
  X(grn_init) \
  X(grn_fin) \
  X(grn_set_default_encoding) \
  X(grn_set_default_match_escalation_threshold) \
  X(grn_get_version) \
  X(grn_ctx_init) \
  X(grn_ctx_fin) \
  X(grn_ctx_at) \
  X(grn_ctx_get) \
  X(grn_ctx_set_progress_callback) \
  X(grn_db_create) \
  X(grn_db_open) \
  X(grn_obj_close) \
  X(grn_obj_flush_recursive) \
  X(grn_obj_set_info) \
  X(grn_obj_set_value) \
  X(grn_obj_search) \
  X(grn_obj_id) \
  X(grn_bulk_write_from) \
  X(grn_table_create) \
  X(grn_table_add) \
  X(grn_table_get) \
  X(grn_table_delete) \
  X(grn_table_size) \
  X(grn_table_get_key) \
  X(grn_table_cursor_open) \
  X(grn_table_cursor_next) \
  X(grn_table_cursor_get_key) \
  X(grn_table_cursor_close) \
  X(grn_column_create) \
  X(grn_progress_get_type) \
  X(grn_progress_index_get_n_target_records) \
  X(grn_progress_index_get_n_processed_records)
// clang-format on

struct GroongaApi {
#define FOLIDEX_GROONGA_POINTER(name) decltype(&::name) name = nullptr;
  FOLIDEX_GROONGA_FUNCTIONS(FOLIDEX_GROONGA_POINTER)
#undef FOLIDEX_GROONGA_POINTER
};

GroongaApi groonga;

// Loads the library and finds every function; false (and no function) when one is missing.
bool LoadGroonga() {
  void* library = ::dlopen("libgroonga.so.0", RTLD_NOW | RTLD_LOCAL);
  if (!library) return false;
  GroongaApi api;
  bool found = true;
#define FOLIDEX_GROONGA_FIND(name)                                         \
  api.name = reinterpret_cast<decltype(&::name)>(::dlsym(library, #name)); \
  found = found && api.name != nullptr;
  FOLIDEX_GROONGA_FUNCTIONS(FOLIDEX_GROONGA_FIND)
#undef FOLIDEX_GROONGA_FIND
  if (!found) return false;  // the library stays loaded: nothing of it is used
  groonga = api;
  return true;
}

// From here on each Groonga function is called through the loaded library (the header's macros
// included).
#define grn_init (groonga.grn_init)
#define grn_fin (groonga.grn_fin)
#define grn_set_default_encoding (groonga.grn_set_default_encoding)
#define grn_set_default_match_escalation_threshold (groonga.grn_set_default_match_escalation_threshold)
#define grn_get_version (groonga.grn_get_version)
#define grn_ctx_init (groonga.grn_ctx_init)
#define grn_ctx_fin (groonga.grn_ctx_fin)
#define grn_ctx_at (groonga.grn_ctx_at)
#define grn_ctx_get (groonga.grn_ctx_get)
#define grn_ctx_set_progress_callback (groonga.grn_ctx_set_progress_callback)
#define grn_db_create (groonga.grn_db_create)
#define grn_db_open (groonga.grn_db_open)
#define grn_obj_close (groonga.grn_obj_close)
#define grn_obj_flush_recursive (groonga.grn_obj_flush_recursive)
#define grn_obj_set_info (groonga.grn_obj_set_info)
#define grn_obj_set_value (groonga.grn_obj_set_value)
#define grn_obj_search (groonga.grn_obj_search)
#define grn_obj_id (groonga.grn_obj_id)
#define grn_bulk_write_from (groonga.grn_bulk_write_from)
#define grn_table_create (groonga.grn_table_create)
#define grn_table_add (groonga.grn_table_add)
#define grn_table_get (groonga.grn_table_get)
#define grn_table_delete (groonga.grn_table_delete)
#define grn_table_size (groonga.grn_table_size)
#define grn_table_get_key (groonga.grn_table_get_key)
#define grn_table_cursor_open (groonga.grn_table_cursor_open)
#define grn_table_cursor_next (groonga.grn_table_cursor_next)
#define grn_table_cursor_get_key (groonga.grn_table_cursor_get_key)
#define grn_table_cursor_close (groonga.grn_table_cursor_close)
#define grn_column_create (groonga.grn_column_create)
#define grn_progress_get_type (groonga.grn_progress_get_type)
#define grn_progress_index_get_n_target_records (groonga.grn_progress_index_get_n_target_records)
#define grn_progress_index_get_n_processed_records (groonga.grn_progress_index_get_n_processed_records)

// Loads and starts Groonga once for the process; false when its library cannot be loaded.
bool InitGroonga() {
  static std::once_flag once;
  static bool ready = false;
  std::call_once(once, [] {
    (void)kRubyOff;
    if (!LoadGroonga()) return;
    ready = true;
    grn_init();
#if defined(__SANITIZE_ADDRESS__)
    // Groonga's own global state goes with the process (every index is closed by then); freed
    // one by one only where a leak checker looks, since that costs a search's own time.
    std::atexit([] { grn_fin(); });
#endif
    // The texts are CP932, as the store keeps them: Shift_JIS characters to Groonga.
    grn_set_default_encoding(GRN_ENC_SJIS);
    // An exact search that finds nothing stays at nothing (never widened to looser matches).
    grn_set_default_match_escalation_threshold(-1);
  });
  return ready;
}

// Empty when Groonga cannot be loaded (no index is then this store's).
std::string InfoText(const std::string& storeName) {
  if (!InitGroonga()) return {};
  return "folidex-search-index " + std::to_string(kFormatVersion) + "\ngroonga " + grn_get_version() + "\n" +
         storeName + "\n";
}

std::uint64_t Mix(std::uint64_t h, std::uint64_t v) {
  h ^= v + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
  h *= 0xBF58476D1CE4E5B9ull;
  return h ^ (h >> 31);
}

// The disk space the files of a folder take. Groonga's files are sparse (their tables of
// segments are laid out for the largest size at once), so their lengths say nothing of it.
std::uint64_t FolderBytes(const std::string& folder) {
  std::uint64_t total = 0;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    struct stat st;
    if (::lstat(entry.path().c_str(), &st) == 0 && S_ISREG(st.st_mode))
      total += static_cast<std::uint64_t>(st.st_blocks) * 512;
  }
  return total;
}

bool RemoveTree(const std::string& folder) {
  std::error_code error;
  std::filesystem::remove_all(folder, error);
  return !error;
}

// Reads a record file whole with the status of the file read; false when it is not a regular
// file that can be read, or larger than a record file may be.
bool ReadRecord(const std::string& path, std::string& bytes, std::uint64_t& stamp, bool& missing) {
  missing = false;
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    missing = errno == ENOENT || errno == ENOTDIR;
    return false;
  }
  FileHandle handle(fd);
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<std::uint64_t>(st.st_size) > kMaxRecordFileSize)
    return false;
  stamp = FileStamp(st);
  bytes.resize(static_cast<std::size_t>(st.st_size) + 1);
  std::size_t size = 0;
  for (;;) {
    if (size == bytes.size()) {
      if (size > kMaxRecordFileSize) return false;
      bytes.resize(size * 2 + 4096);
    }
    ssize_t got = ::read(fd, bytes.data() + size, bytes.size() - size);
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (got == 0) break;
    size += static_cast<std::size_t>(got);
  }
  bytes.resize(size);
  return size <= kMaxRecordFileSize;
}

// The identity of the running boot of the system ("" when it cannot be told).
std::string BootId() {
  std::string id;
  if (!ReadFileBytes("/proc/sys/kernel/random/boot_id", id)) return {};
  while (!id.empty() && (id.back() == '\n' || id.back() == ' ')) id.pop_back();
  return id;
}

// Records that the index holds changes of this boot not yet on the disk.
bool NoteUnsynced(const std::string& folder) {
  const std::string path = folder + "/unsynced", boot = BootId();
  std::string noted;
  if (!boot.empty() && ReadFileBytes(path, noted) && noted == boot) return true;
  return !boot.empty() && WriteFileAtomic(path, boot);
}

// Puts every file of the folder, and the folder itself, on the disk (a file's pages written
// through Groonga's maps included). False when one of them cannot be.
bool SyncFolderFiles(const std::string& folder) {
  FileHandle dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW));
  if (!dir) return false;
#ifdef __linux__
  // One commit of the file system's journal for all of them, where one per file would cost a
  // commit each.
  if (::syncfs(dir.get()) == 0) return true;
#endif
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    if (!entry.is_regular_file(error)) continue;
    FileHandle file(::openat(dir.get(), entry.path().filename().c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (!file || ::fsync(file.get()) != 0) return false;
  }
  return !error && ::fsync(dir.get()) == 0;
}

// Whether changes of an earlier boot may have been lost.
bool LostUnsynced(const std::string& folder) {
  std::string noted;
  if (!ReadFileBytes(folder + "/unsynced", noted)) return false;
  return noted.empty() || noted != BootId();
}

// The bigrams (two characters, overlapping) of the pieces, each once.
std::vector<std::string> Bigrams(const std::vector<std::string>& pieces) {
  std::vector<std::string> bigrams;
  for (const std::string& piece : pieces) {
    std::size_t first = 0;
    while (first < piece.size()) {
      const std::size_t second = first + Cp932CharLength(piece, first);
      if (second >= piece.size()) break;
      const std::size_t end = second + Cp932CharLength(piece, second);
      std::string bigram = piece.substr(first, end - first);
      if (std::find(bigrams.begin(), bigrams.end(), bigram) == bigrams.end()) bigrams.push_back(std::move(bigram));
      first = second;
    }
  }
  return bigrams;
}

std::string RecordPath(const std::string& storeRoot, long serial) {
  char name[64];
  std::snprintf(name, sizeof name, "/TXT/%02ld/%08ld.TXT", serial % 100, serial);
  return storeRoot + name;
}

}  // namespace

std::uint64_t FileStamp(const struct stat& st) {
  std::uint64_t h = 0x5EA4C11D;
  h = Mix(h, static_cast<std::uint64_t>(st.st_ino));
  h = Mix(h, static_cast<std::uint64_t>(st.st_size));
  h = Mix(h, static_cast<std::uint64_t>(st.st_mtim.tv_sec));
  h = Mix(h, static_cast<std::uint64_t>(st.st_mtim.tv_nsec));
  h = Mix(h, static_cast<std::uint64_t>(st.st_ctim.tv_sec));
  h = Mix(h, static_cast<std::uint64_t>(st.st_ctim.tv_nsec));
  return h | 1;
}

std::string IndexStoreName(const std::string& storeRoot) {
  char* real = ::realpath(storeRoot.c_str(), nullptr);
  if (!real) return storeRoot;
  std::string name(real);
  std::free(real);
  return name;
}

std::string IndexFolderOf(const std::string& storeRoot) {
  const std::string base = UserCacheFolder();
  if (base.empty() || storeRoot.empty()) return {};
  // A name of the store's real path (FNV-1a): the same store always finds the same folder; the
  // info file inside tells whether it really is this store's.
  const std::uint64_t h = Fnv1a(IndexStoreName(storeRoot));
  char name[24];
  std::snprintf(name, sizeof name, "%016llx", static_cast<unsigned long long>(h));
  return base + "/index/" + name;
}

struct SearchIndex::Impl {
  std::string folder;
  FileHandle lock;
  FileHandle stamps;
  grn_ctx ctx{};
  bool ctxReady = false;
  grn_obj* db = nullptr;
  grn_obj* table = nullptr;
  grn_obj* lexicon = nullptr;
  std::array<grn_obj*, kIndexColumns> columns{};
  std::array<grn_obj*, kIndexColumns> indexes{};
  bool writing = false;
  bool failed = false;  // a change did not go through: the marker stays and the index is rebuilt

  Impl() { ctxReady = InitGroonga() && grn_ctx_init(&ctx, 0) == GRN_SUCCESS; }
  ~Impl() {
    // `unsynced`, noted before the first change, names the boot whose page cache holds changes
    // not yet on the disk: an index whose changes a restart may have lost is never trusted. The
    // changes are put on the disk once, when the index closes (not at every record of a
    // command), and only then do the two markers go, so a restart keeps a finished index.
    if (writing && !failed && db && grn_obj_flush_recursive(&ctx, db) != GRN_SUCCESS) failed = true;
    if (db) grn_obj_close(&ctx, db);
    if (ctxReady) grn_ctx_fin(&ctx);
    if (writing && !failed && SyncFolderFiles(folder)) {
      ::unlink((folder + "/unsynced").c_str());
      ::unlink((folder + "/writing").c_str());
    } else if (writing && !failed) {
      ::unlink((folder + "/writing").c_str());  // complete, but only the page cache holds it
    }
  }

  bool Ok() const { return ctx.rc == GRN_SUCCESS; }

  grn_obj* Get(const std::string& name) { return grn_ctx_get(&ctx, name.data(), static_cast<int>(name.size())); }

  bool CreateSchema(bool withIndexes) {
    table = grn_table_create(&ctx, "Records", 7, nullptr, GRN_OBJ_TABLE_HASH_KEY | GRN_OBJ_PERSISTENT,
                             grn_ctx_at(&ctx, GRN_DB_UINT32), nullptr);
    if (!table) return false;
    for (int k = 0; k < kIndexColumns; ++k) {
      const std::string_view name = kColumnNames[k];
      columns[k] = grn_column_create(&ctx, table, name.data(), static_cast<unsigned>(name.size()), nullptr,
                                     GRN_OBJ_COLUMN_SCALAR | GRN_OBJ_PERSISTENT | GRN_OBJ_COMPRESS_ZSTD,
                                     grn_ctx_at(&ctx, GRN_DB_LONG_TEXT));
      if (!columns[k]) {
        ctx.rc = GRN_SUCCESS;  // a Groonga without zstd: the texts are kept as they are
        columns[k] = grn_column_create(&ctx, table, name.data(), static_cast<unsigned>(name.size()), nullptr,
                                       GRN_OBJ_COLUMN_SCALAR | GRN_OBJ_PERSISTENT, grn_ctx_at(&ctx, GRN_DB_LONG_TEXT));
      }
      if (!columns[k]) return false;
    }
    return !withIndexes || CreateIndexes();
  }

  // Asked while Groonga builds an index from loaded texts (at most every 40 ms): a false answer
  // stops the build there.
  // The share of the work done is told from the texts' sizes: the index of the bodies takes
  // nearly all of it.
  struct BuildWatch {
    const std::function<bool(int)>* keepGoing = nullptr;
    std::array<double, kIndexColumns> weight{};  // each index's share of the texts' bytes
    int column = 0;                              // the index being made
    std::chrono::steady_clock::time_point lastAsked{};
    bool stopped = false;

    int Percent(double columnShare) const {
      double done = 0;
      for (int k = 0; k < column; ++k) done += weight[k];
      done += weight[column] * columnShare;
      return std::clamp(static_cast<int>(done * 100), 0, 100);
    }
  };
  static void OnBuildProgress(grn_ctx* ctx, grn_progress* progress, void* data) {
    auto* watch = static_cast<BuildWatch*>(data);
    const auto now = std::chrono::steady_clock::now();
    if (!watch->stopped && now - watch->lastAsked < std::chrono::milliseconds(40)) return;
    watch->lastAsked = now;
    double share = 0;
    if (grn_progress_get_type(ctx, progress) == GRN_PROGRESS_INDEX) {
      const uint32_t target = grn_progress_index_get_n_target_records(ctx, progress);
      if (target > 0) share = std::min(1.0, grn_progress_index_get_n_processed_records(ctx, progress) / double(target));
    }
    if (!watch->stopped && !(*watch->keepGoing)(watch->Percent(share))) watch->stopped = true;
    if (watch->stopped) ctx->rc = GRN_CANCEL;
  }

  // The bigram lexicon and one index per text; with texts already loaded Groonga
  // builds them in one pass. `keepGoing(percent)` (may be empty) is asked between the indexes
  // and while each is made; `textBytes` (may be empty) are the loaded texts' sizes per index.
  bool CreateIndexes(const std::function<bool(int)>& keepGoing = {},
                     const std::array<std::uint64_t, kIndexColumns>& textBytes = {}) {
    BuildWatch watch;
    watch.keepGoing = &keepGoing;
    std::uint64_t allBytes = 0;
    for (std::uint64_t b : textBytes) allBytes += b;
    for (int k = 0; k < kIndexColumns; ++k)
      watch.weight[k] = allBytes > 0 ? double(textBytes[k]) / double(allBytes) : 1.0 / kIndexColumns;
    if (keepGoing) grn_ctx_set_progress_callback(&ctx, &OnBuildProgress, &watch);
    const bool created = CreateIndexColumns(keepGoing, watch);
    if (keepGoing) grn_ctx_set_progress_callback(&ctx, nullptr, nullptr);
    return created && !watch.stopped;
  }

  bool CreateIndexColumns(const std::function<bool(int)>& keepGoing, BuildWatch& watch) {
    lexicon = grn_table_create(&ctx, "Terms", 5, nullptr, GRN_OBJ_TABLE_PAT_KEY | GRN_OBJ_PERSISTENT,
                               grn_ctx_at(&ctx, GRN_DB_SHORT_TEXT), nullptr);
    if (!lexicon) return false;
    // Latin letters, digits and symbols in bigrams too: the search matches substrings, not words.
    // No normaliser: the texts come folded by the program's own rules.
    grn_obj* tokenizer = Get("TokenBigramSplitSymbolAlphaDigit");
    if (!tokenizer) return false;
    if (grn_obj_set_info(&ctx, lexicon, GRN_INFO_DEFAULT_TOKENIZER, tokenizer) != GRN_SUCCESS) return false;
    for (int k = 0; k < kIndexColumns; ++k) {
      watch.column = k;
      if (keepGoing && (watch.stopped || !keepGoing(watch.Percent(0)))) return false;
      const std::string name = std::string(kColumnNames[k]) + "_index";
      indexes[k] = grn_column_create(&ctx, lexicon, name.data(), static_cast<unsigned>(name.size()), nullptr,
                                     GRN_OBJ_COLUMN_INDEX | GRN_OBJ_INDEX_MEDIUM | GRN_OBJ_PERSISTENT, table);
      if (!indexes[k]) return false;
      grn_obj source;
      GRN_UINT32_INIT(&source, 0);
      GRN_UINT32_SET(&ctx, &source, grn_obj_id(&ctx, columns[k]));
      const grn_rc rc = grn_obj_set_info(&ctx, indexes[k], GRN_INFO_SOURCE, &source);
      GRN_OBJ_FIN(&ctx, &source);
      if (rc != GRN_SUCCESS) return false;
    }
    return Ok();
  }

  bool FindSchema() {
    table = Get("Records");
    lexicon = Get("Terms");
    if (!table || !lexicon) return false;
    return true;
  }

  grn_obj* Index(int k) {
    if (!indexes[k]) indexes[k] = Get("Terms." + std::string(kColumnNames[k]) + "_index");
    return indexes[k];
  }

  // The text columns are opened only for a change: a search needs the indexes alone, and every
  // object opened costs its share of closing.
  bool FindColumns() {
    for (int k = 0; k < kIndexColumns; ++k) {
      if (!columns[k]) columns[k] = Get("Records." + std::string(kColumnNames[k]));
      // A change updates the indexes of its texts: they must be there too.
      if (!columns[k] || !Index(k)) return false;
    }
    return true;
  }

  // Sets the record's texts; `textBytes` (may be null) adds up their sizes per index.
  bool SetTexts(grn_id id, const RecordTextParts& parts,
                std::array<std::uint64_t, kIndexColumns>* textBytes = nullptr) {
    grn_obj text;
    GRN_TEXT_INIT(&text, 0);
    bool ok = true;
    for (int k = 0; k < kIndexColumns && ok; ++k) {
      const std::string form = IndexForm(k < 4 ? parts.fields[k] : parts.body);
      if (textBytes) (*textBytes)[k] += form.size();
      GRN_TEXT_SET(&ctx, &text, form.data(), form.size());
      ok = grn_obj_set_value(&ctx, columns[k], id, &text, GRN_OBJ_SET) == GRN_SUCCESS;
    }
    GRN_OBJ_FIN(&ctx, &text);
    return ok;
  }
};

SearchIndex::SearchIndex(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
SearchIndex::~SearchIndex() = default;

std::unique_ptr<SearchIndex> SearchIndex::Open(const std::string& storeRoot, OpenResult& result) {
  result = OpenResult::Missing;
  const std::string folder = IndexFolderOf(storeRoot);
  if (folder.empty()) return nullptr;
  std::string info;
  if (!ReadFileBytes(folder + "/info", info)) return nullptr;
  result = OpenResult::Invalid;
  if (info != InfoText(IndexStoreName(storeRoot))) return nullptr;

  auto impl = std::make_unique<Impl>();
  impl->folder = folder;
  impl->lock.Reset(::open((folder + "/lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
  if (!impl->lock) return nullptr;
  // Another process's use of the index is short (one search, one record's change).
  bool locked = false;
  for (int attempt = 0; attempt < 40 && !locked; ++attempt) {
    locked = ::flock(impl->lock.get(), LOCK_EX | LOCK_NB) == 0;
    if (!locked) std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  if (!locked) {
    result = OpenResult::Busy;
    return nullptr;
  }
  if (PathExists(folder + "/writing")) return nullptr;  // a change that never finished
  if (LostUnsynced(folder)) return nullptr;             // changes the system may not have kept
  if (!impl->ctxReady) return nullptr;
  const std::string dbPath = folder + "/db";
  impl->db = grn_db_open(&impl->ctx, dbPath.c_str());
  if (!impl->db || !impl->FindSchema()) return nullptr;

  std::unique_ptr<SearchIndex> index(new SearchIndex(std::move(impl)));
  index->impl_->stamps.Reset(::open((folder + "/stamps").c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW));
  std::string bytes;
  struct stat st;
  if (!index->impl_->stamps || ::fstat(index->impl_->stamps.get(), &st) != 0 || st.st_size > (8 << 20) * 8 + 8 ||
      !ReadAt(index->impl_->stamps.get(), 0, static_cast<std::size_t>(st.st_size), bytes) || bytes.size() < 8 ||
      std::memcmp(bytes.data(), kStampsMagic, 8) != 0 || (bytes.size() - 8) % 8 != 0)
    return nullptr;
  index->stamps_.resize((bytes.size() - 8) / 8);
  std::memcpy(index->stamps_.data(), bytes.data() + 8, bytes.size() - 8);
  result = OpenResult::Opened;
  return index;
}

bool SearchIndex::Build(const std::string& storeRoot, const std::vector<long>& serials,
                        const std::function<bool(const BuildProgress&)>& progress, IndexFigures* figures) {
  const std::string folder = IndexFolderOf(storeRoot);
  if (folder.empty()) return false;
  const std::string building = folder + ".build-" + std::to_string(::getpid());
  RemoveTree(building);
  if (!EnsureFolders(building)) return false;
  std::uint64_t textBytes = 0;
  long records = 0;
  bool ok = false;
  {
    Impl impl;
    impl.folder = building;
    const std::string dbPath = building + "/db";
    impl.db = impl.ctxReady ? grn_db_create(&impl.ctx, dbPath.c_str(), nullptr) : nullptr;
    std::vector<std::uint64_t> stamps;
    std::array<std::uint64_t, kIndexColumns> columnBytes{};
    ok = impl.db && impl.CreateSchema(false);
    std::string bytes;
    const long total = static_cast<long>(serials.size());
    for (long done = 0; ok && done < total; ++done) {
      if (progress && done % 256 == 0 && !progress(BuildProgress{done, total, -1})) ok = false;
      if (!ok) break;
      const long serial = serials[static_cast<std::size_t>(done)];
      std::uint64_t stamp = 0;
      bool missing = false;
      RecordTextParts parts;
      if (!ReadRecord(RecordPath(storeRoot, serial), bytes, stamp, missing)) continue;
      if (!SplitRecordText(bytes, parts)) parts = RecordTextParts{};  // damaged: never matches
      const std::uint32_t key = static_cast<std::uint32_t>(serial);
      const grn_id id = grn_table_add(&impl.ctx, impl.table, &key, sizeof key, nullptr);
      if (id == GRN_ID_NIL || !impl.SetTexts(id, parts, &columnBytes)) {
        ok = false;
        break;
      }
      if (stamps.size() <= static_cast<std::size_t>(serial)) stamps.resize(static_cast<std::size_t>(serial) + 1, 0);
      stamps[static_cast<std::size_t>(serial)] = stamp;
      textBytes += bytes.size();
      ++records;
    }
    if (ok && progress) ok = progress(BuildProgress{total, total, -1});
    // Making the indexes takes most of the build: its progress is told, and a cancel heard.
    std::function<bool(int)> keepGoing;
    if (progress) keepGoing = [&](int percent) { return progress(BuildProgress{total, total, percent}); };
    ok = ok && impl.CreateIndexes(keepGoing, columnBytes) && grn_obj_flush_recursive(&impl.ctx, impl.db) == GRN_SUCCESS;
    if (ok) {
      std::string stampBytes(kStampsMagic, 8);
      stampBytes.append(reinterpret_cast<const char*>(stamps.data()), stamps.size() * sizeof(std::uint64_t));
      ok = WriteFileAtomic(building + "/stamps", stampBytes) &&
           WriteFileAtomic(building + "/info", InfoText(IndexStoreName(storeRoot)));
    }
  }
  ok = ok && SyncFolderFiles(building);
  if (!ok) {
    RemoveTree(building);
    return false;
  }
  // The new index takes the old one's place; a search that still has the old one open keeps
  // reading its files until it closes them.
  const std::string old = folder + ".old-" + std::to_string(::getpid());
  RemoveTree(old);
  if (PathExists(folder) && !RenameFile(folder, old)) {
    RemoveTree(building);
    return false;
  }
  if (!RenameFile(building, folder)) {
    RemoveTree(building);
    return false;
  }
  RemoveTree(old);
  if (figures) {
    figures->records = records;
    figures->textBytes = textBytes;
    figures->bytes = FolderBytes(folder);
  }
  return true;
}

bool SearchIndex::Exists(const std::string& storeRoot) {
  const std::string folder = IndexFolderOf(storeRoot);
  return !folder.empty() && PathExists(folder + "/info");
}

bool SearchIndex::Drop(const std::string& storeRoot) {
  const std::string folder = IndexFolderOf(storeRoot);
  if (folder.empty() || !PathExists(folder)) return true;
  return RemoveTree(folder);
}

bool SearchIndex::MarkWriting() {
  if (impl_->writing) return true;
  if (!NoteUnsynced(impl_->folder)) return false;
  FileHandle marker(::open((impl_->folder + "/writing").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
  if (!marker) return false;
  impl_->writing = true;
  return true;
}

bool SearchIndex::WriteStamp(long serial, std::uint64_t stamp) {
  if (static_cast<std::size_t>(serial) >= stamps_.size()) {
    if (stamp == 0) return true;
    stamps_.resize(static_cast<std::size_t>(serial) + 1, 0);
  }
  stamps_[static_cast<std::size_t>(serial)] = stamp;
  const std::string_view bytes(reinterpret_cast<const char*>(&stamp), sizeof stamp);
  return WriteAllAt(impl_->stamps.get(), bytes, 8 + static_cast<std::uint64_t>(serial) * 8);
}

bool SearchIndex::Put(long serial, std::uint64_t stamp, const RecordTextParts* parts) {
  if (serial < 0 || serial > kMaxSerialCount || !MarkWriting()) return false;
  if (!impl_->FindColumns()) {
    impl_->failed = true;
    return false;
  }
  // The stamp goes first to "not indexed" and to the new status last: a change cut short leaves
  // a record that the next search reads from its file.
  if (!WriteStamp(serial, 0)) {
    impl_->failed = true;
    return false;
  }
  const std::uint32_t key = static_cast<std::uint32_t>(serial);
  grn_ctx* ctx = &impl_->ctx;
  bool ok;
  if (parts) {
    const grn_id id = grn_table_add(ctx, impl_->table, &key, sizeof key, nullptr);
    ok = id != GRN_ID_NIL && impl_->SetTexts(id, *parts);
  } else {
    const grn_id id = grn_table_get(ctx, impl_->table, &key, sizeof key);
    ok = id == GRN_ID_NIL || grn_table_delete(ctx, impl_->table, &key, sizeof key) == GRN_SUCCESS;
  }
  ok = ok && impl_->Ok();
  if (!ok) {
    impl_->failed = true;
    ctx->rc = GRN_SUCCESS;
    return false;
  }
  if (parts && !WriteStamp(serial, stamp)) {
    impl_->failed = true;
    return false;
  }
  return true;
}

bool SearchIndex::Update(long serial, const std::string& path) {
  std::string bytes;
  std::uint64_t stamp = 0;
  bool missing = false;
  RecordTextParts parts;
  if (!ReadRecord(path, bytes, stamp, missing)) return Put(serial, 0, nullptr);
  // A record of fewer than sixteen lines never matches: it is kept with no text, so that only a
  // change of its file has it read again.
  if (!SplitRecordText(bytes, parts)) parts = RecordTextParts{};
  return Put(serial, stamp, &parts);
}

bool SearchIndex::Remove(long serial) { return Put(serial, 0, nullptr); }

std::optional<std::vector<long>> SearchIndex::Find(IndexColumn column, const std::vector<std::string>& pieces) {
  grn_ctx* ctx = &impl_->ctx;
  grn_obj* index = impl_->Index(static_cast<int>(column));
  if (!index) {
    ctx->rc = GRN_SUCCESS;
    return std::nullopt;
  }
  grn_obj* result =
      grn_table_create(ctx, nullptr, 0, nullptr, GRN_OBJ_TABLE_HASH_KEY | GRN_OBJ_WITH_SUBREC, impl_->table, nullptr);
  if (!result) {
    ctx->rc = GRN_SUCCESS;
    return std::nullopt;
  }
  // The index keeps no positions: a candidate holds every bigram of every piece, each asked as
  // one token of the lexicon.
  const std::vector<std::string> bigrams = Bigrams(pieces);
  grn_obj query;
  GRN_TEXT_INIT(&query, 0);
  bool ok = !bigrams.empty();
  for (std::size_t k = 0; k < bigrams.size() && ok; ++k) {
    GRN_TEXT_SET(ctx, &query, bigrams[k].data(), bigrams[k].size());
    grn_search_optarg optarg;
    std::memset(&optarg, 0, sizeof optarg);
    optarg.mode = GRN_OP_EXACT;
    ok = grn_obj_search(ctx, index, &query, result, k == 0 ? GRN_OP_OR : GRN_OP_AND, &optarg) == GRN_SUCCESS;
    // Nothing left: the other bigrams cannot add any.
    if (ok && grn_table_size(ctx, result) == 0) break;
  }
  GRN_OBJ_FIN(ctx, &query);
  std::vector<long> serials;
  if (ok) {
    serials.reserve(grn_table_size(ctx, result));
    grn_table_cursor* cursor = grn_table_cursor_open(ctx, result, nullptr, 0, nullptr, 0, 0, -1, 0);
    ok = cursor != nullptr;
    grn_id id;
    while (ok && (id = grn_table_cursor_next(ctx, cursor)) != GRN_ID_NIL) {
      void* key = nullptr;
      if (grn_table_cursor_get_key(ctx, cursor, &key) != sizeof(grn_id)) {
        ok = false;
        break;
      }
      std::uint32_t serial = 0;
      if (grn_table_get_key(ctx, impl_->table, *static_cast<grn_id*>(key), &serial, sizeof serial) != sizeof serial) {
        ok = false;
        break;
      }
      serials.push_back(static_cast<long>(serial));
    }
    if (cursor) grn_table_cursor_close(ctx, cursor);
  }
  grn_obj_close(ctx, result);
  if (!ok || !impl_->Ok()) {
    ctx->rc = GRN_SUCCESS;
    return std::nullopt;
  }
  std::sort(serials.begin(), serials.end());
  return serials;
}

IndexFigures SearchIndex::Figures() const {
  IndexFigures figures;
  figures.records = static_cast<long>(grn_table_size(&impl_->ctx, impl_->table));
  figures.bytes = FolderBytes(impl_->folder);
  return figures;
}

bool SearchIndex::Check(std::string& problem) {
  grn_ctx* ctx = &impl_->ctx;
  long stamped = 0;
  for (std::size_t serial = 0; serial < stamps_.size(); ++serial) {
    if (stamps_[serial] == 0) continue;
    ++stamped;
    const std::uint32_t key = static_cast<std::uint32_t>(serial);
    if (grn_table_get(ctx, impl_->table, &key, sizeof key) == GRN_ID_NIL) {
      problem = "serial " + std::to_string(serial) + " has a status but no entry";
      return false;
    }
  }
  const long rows = static_cast<long>(grn_table_size(ctx, impl_->table));
  if (rows != stamped) {
    problem = std::to_string(rows) + " entries, " + std::to_string(stamped) + " with a status";
    return false;
  }
  return true;
}

}  // namespace folidex
