#include "import/BulkImport.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>
#include <thread>

#include "common/ByteText.h"
#include "common/Cp932.h"
#include "common/FileSystem.h"
#include "common/Normalize.h"
#include "import/Import.h"
#include "pdf/PdfInfo.h"
#include "store/Digest.h"

namespace folidex {
namespace {

namespace fs = std::filesystem;

// The message a reader would have shown, kept as the file's note instead.
class MessageCatcher : public Prompter {
 public:
  std::string text;
  Answer Show(MessageKind, const std::string& message) override {
    if (text.empty()) text = message;
    return Answer::No;
  }
};

}  // namespace

std::vector<NativePath> CollectPdfFiles(const std::vector<NativePath>& args, std::vector<NativePath>& unusable) {
  std::vector<NativePath> files;
  for (const NativePath& arg : args) {
    std::error_code error;
    const fs::path path = fs::absolute(fs::path(arg.str()), error).lexically_normal();
    const fs::file_status status = fs::status(path, error);
    if (fs::is_directory(status)) {
      fs::recursive_directory_iterator walk(path, fs::directory_options::skip_permission_denied, error);
      for (; !error && walk != fs::recursive_directory_iterator(); walk.increment(error)) {
        std::error_code typeError;
        if (walk->is_regular_file(typeError) && EndsWithPdf(walk->path().filename().string()))
          files.emplace_back(walk->path().string());
      }
      if (error) unusable.push_back(arg);
    } else if (fs::exists(status)) {
      files.emplace_back(path.string());  // a file named on its own is taken whatever its name
    } else {
      unusable.push_back(arg);
    }
  }
  std::sort(files.begin(), files.end());
  files.erase(std::unique(files.begin(), files.end()), files.end());
  return files;
}

BulkImporter::BulkImporter(Store& store, const Clock& clock, PdfEngine& pdf, TextRecognizer* recognizer,
                           BulkImportOptions options, DocumentTextMonitor& monitor)
    : store_(store),
      clock_(clock),
      pdf_(pdf),
      recognizer_(recognizer),
      options_(std::move(options)),
      monitor_(monitor) {
  recognising_ = options_.recognise && RecognitionAvailable(store_.settings(), &pdf_, recognizer_);
  autoTitle_ = store_.settings().GetInt(setting::AutoTitle) == 1;
}

BulkImporter::BulkImporter(Store& store, const Clock& clock, PdfEngine& pdf, RecognizerPool& pool,
                           BulkImportOptions options, DocumentTextMonitor& monitor)
    : store_(store),
      clock_(clock),
      pdf_(pdf),
      recognizer_(nullptr),
      pool_(&pool),
      options_(std::move(options)),
      monitor_(monitor) {
  // The first recognizer loads its models here, a second or more: a cancel (an interrupt, the
  // inbox stopping) ends that wait too.
  if (options_.recognise && store_.settings().GetInt(setting::Ocr) == 1) {
    const std::optional<RecognizerCheck> check = pool_->Check([this] { return monitor_.Cancelled(); });
    recognising_ = check && check->Ready();
  }
  autoTitle_ = store_.settings().GetInt(setting::AutoTitle) == 1;
}

bool BulkImporter::Prepare() {
  const std::optional<long> count = store_.ReadSerialCount();
  if (!count) return false;
  if (!options_.skipDuplicates) return true;
  char serial[24];
  for (long n = 0; n < *count; ++n) {
    std::snprintf(serial, sizeof serial, "%08ld", n);
    if (!store_.ReadRecordFile(serial, true)) continue;
    const std::string& digest = store_.WorkingRecord()[FieldTag::Y2];
    if (!digest.empty()) digests_.insert(UpperCaseAsciiCp932(digest));
  }
  store_.WorkingRecord().Clear();
  return true;
}

namespace {

// Every page's own text joined with CR LF; false when some page has none.
bool OwnText(PdfEngine& pdf, std::u16string& text) {
  // Each page's text is taken once; only a document with pages without text goes on to the
  // recognition.
  bool allPagesHaveText = true;
  for (int page = 0; page < pdf.PageCount(); ++page) {
    if (page > 0) text += u"\r\n";
    const std::u16string pageText = pdf.PageText(page);
    allPagesHaveText = allPagesHaveText && PageHasText(pageText);
    text += pageText;
  }
  return allPagesHaveText;
}

// The recognised document's text in place of the pages' own; false after a cancel.
bool TakeDocument(DocumentText document, std::u16string& text, int& recognisedPages) {
  if (document.outcome == DocumentTextOutcome::Cancelled) return false;
  for (const PageText& page : document.pages) recognisedPages += page.source == PageSource::Recognised;
  text = std::move(document.text);
  return true;
}

// The monitor of a run shared by the files read at once: one call at a time.
class LockedMonitor : public DocumentTextMonitor {
 public:
  LockedMonitor(DocumentTextMonitor& monitor, std::mutex& mutex, const std::atomic<bool>& stop)
      : monitor_(monitor), mutex_(mutex), stop_(stop) {}
  bool Cancelled() override {
    if (stop_) return true;
    std::lock_guard<std::mutex> lock(mutex_);
    return monitor_.Cancelled();
  }
  void PageProgress(int percent) override {
    std::lock_guard<std::mutex> lock(mutex_);
    monitor_.PageProgress(percent);
  }
  void RecognitionStarted(int index, int count, int page) override {
    std::lock_guard<std::mutex> lock(mutex_);
    monitor_.RecognitionStarted(index, count, page);
  }
  void PageFinished(int page, const PageText& result) override {
    std::lock_guard<std::mutex> lock(mutex_);
    monitor_.PageFinished(page, result);
  }

 private:
  DocumentTextMonitor& monitor_;
  std::mutex& mutex_;
  const std::atomic<bool>& stop_;  // the run ends: the files being read are abandoned
};

// The most memory (bytes and texts) the files read ahead of the one being stored may hold.
constexpr std::size_t kMostHeldBytes = std::size_t{64} << 20;
// The longest the writer's lock stays held across files without being let go.
constexpr std::chrono::milliseconds kLongestLockHold{1000};
constexpr std::chrono::milliseconds kSettingsSyncInterval{1000};

}  // namespace

bool ReadDocumentBodyText(PdfEngine& pdf, TextRecognizer* recognizer, DocumentTextMonitor& monitor,
                          std::u16string& text, int& recognisedPages) {
  if (OwnText(pdf, text) || recognizer == nullptr) return true;
  // Pages without text are recognised; the others keep their own text, in page order.
  return TakeDocument(BuildDocumentText(pdf, *recognizer, monitor), text, recognisedPages);
}

bool ReadDocumentBodyText(PdfEngine& pdf, RecognizerPool* pool, DocumentTextMonitor& monitor, std::u16string& text,
                          int& recognisedPages) {
  if (OwnText(pdf, text) || pool == nullptr) return true;
  return TakeDocument(BuildDocumentText(pdf, *pool, monitor), text, recognisedPages);
}

FileReport BulkImporter::ImportFile(const NativePath& path) {
  PendingFile file = Read(path, pdf_, monitor_);
  return Write(file);
}

PendingFile BulkImporter::Read(const NativePath& path, PdfEngine& pdf, DocumentTextMonitor& monitor) {
  PendingFile file;
  file.path = path;
  FileReport& report = file.report;
  IndexRecord info;
  // A file that fits in memory is read once: the information keys, the digest and later the
  // copy come from these same bytes. A larger one (or one that cannot be held) is read for
  // each; the information reader also refuses what is not a readable regular file.
  bool foundNames = false;
  try {
    file.held = ReadRegularFile(path, file.bytes, options_.heldFileBytes) == FileRead::Ok;
  } catch (const std::bad_alloc&) {
    file.held = false;
  }
  if (file.held) {
    foundNames = PdfInfo::ScanInfoNames(file.bytes, info);
  } else {
    std::string().swap(file.bytes);
    MessageCatcher catcher;
    PdfInfo reader(catcher);
    if (!reader.ReadInfoFile(path, info)) {
      report.note = catcher.text;
      return file;
    }
    foundNames = reader.FoundNames();
  }
  // The engine opens the file once: the meta data the scan cannot see comes from there too.
  const PdfOpenResult opened = pdf.Open(path);
  if (opened != PdfOpenResult::Opened) {
    report.note = MessageText(pdf.Failure().value_or(PdfOpenFailureMessage(opened)));
    pdf.Close();
    return file;
  }
  if (!foundNames) PdfInfo::TakeMetaData(pdf.MetaData(), info);
  if (info[FieldTag::PT].empty() && autoTitle_) {
    const std::u16string heading = pdf.PageHeading(0);
    std::lock_guard<std::mutex> lock(mutex_);
    FillDerivedTitle(info, store_.settings(), heading,
                     FromNativePath(NativePath(fs::path(path.str()).filename().string())));
  }
  if (file.held)
    FillLocalFileFields(info, path, clock_, file.bytes.size(), DigestHex(file.bytes));
  else
    FillLocalFileFields(info, path, clock_);
  if (info[FieldTag::Y2].empty()) {
    pdf.Close();
    report.note = MessageText(Msg::FileOpenFailed);
    return file;
  }
  file.digest = UpperCaseAsciiCp932(info[FieldTag::Y2]);
  if (options_.skipDuplicates && KnownDigest(file.digest)) {
    pdf.Close();
    report.outcome = FileOutcome::Skipped;
    report.note = MessageText(Msg::ImportDuplicateSkipped);
    return file;
  }
  // An outside link keeps no copy: the bytes are not needed past the digest.
  if (options_.linkKind != kLinkCopy && HasExactCp932Form(path)) std::string().swap(file.bytes);
  std::u16string text;
  const bool haveText =
      pool_ ? ReadDocumentBodyText(pdf, recognising_ ? pool_ : nullptr, monitor, text, report.recognisedPages)
            : ReadDocumentBodyText(pdf, recognising_ ? recognizer_ : nullptr, monitor, text, report.recognisedPages);
  const std::optional<Msg> gaveUp = pdf.Failure();  // too slow, too much memory, crashed
  pdf.Close();
  if (gaveUp || !haveText) {  // nothing is written for a file the engine gave up on
    report.note = MessageText(gaveUp.value_or(Msg::ImportInterrupted));
    report.recognisedPages = 0;
    return file;
  }
  file.info = std::move(info);
  if (!PrepareText(file, text)) return file;
  file.ready = true;
  return file;
}

bool BulkImporter::PrepareText(PendingFile& file, const std::u16string& text) {
  // The stored form of the text is made here, on the reading thread, as the store's
  // SetBodyText would make it: the writing of records in order has nothing left to do but write.
  try {
    std::string body = PrepareBodyText(text);
    const std::size_t zero = body.find('\0');
    if (zero != std::string::npos) body.resize(zero);
    file.info[FieldTag::TX] = NormalizeBodyText(body);
    file.info[FieldTag::TS] = std::to_string(file.info[FieldTag::TX].size());
  } catch (const std::bad_alloc&) {
    file.report.note = MessageText(Msg::MemoryAllocFailed);
    file.report.recognisedPages = 0;
    return false;
  }
  return true;
}

bool BulkImporter::KnownDigest(const std::string& digest) {
  std::lock_guard<std::mutex> lock(mutex_);
  return digests_.count(digest) > 0;
}

FileReport BulkImporter::Write(PendingFile& file) {
  FileReport& report = file.report;
  if (!file.ready) return report;
  const NativePath& path = file.path;
  // A file read at once with an equal one stored just before it.
  if (options_.skipDuplicates && KnownDigest(file.digest)) {
    report.outcome = FileOutcome::Skipped;
    report.note = MessageText(Msg::ImportDuplicateSkipped);
    report.recognisedPages = 0;
    return report;
  }

  // Everything is known: the writes follow, copy first, counter last.
  std::string kind = options_.linkKind;
  if (kind != kLinkCopy && !HasExactCp932Form(path)) {
    kind = std::string(kLinkCopy);
    report.note = MessageText(Msg::OutsideLinkImpossible);
  }
  // The writes of one file — serial, copy, record, index byte — go under one hold of the
  // writer's lock; the engine's work above runs outside it, so two imports of one store
  // interleave file by file instead of one waiting for the whole of the other. A lock that
  // cannot be had stops the run: the next file would fare no better.
  StoreWriteLock lock = store_.LockForWriting();
  if (!lock) {
    report.stopRun = true;
    report.note = MessageText(store_.LockFailure());
    return report;
  }
  IndexRecord& record = store_.WorkingRecord();
  record = file.info;
  record[FieldTag::TY] = kind;
  record[FieldTag::FN] = FromNativePath(NativePath(fs::path(path.str()).filename().string()));
  record[FieldTag::FG] = FromNativePath(path);
  const std::string serial = store_.TakeNewSerial();
  if (serial.empty()) {
    // The serial could not be reserved (the settings or the counter cannot be saved): the
    // next file would fare no better.
    report.stopRun = true;
    report.note = MessageText(Msg::FileSaveFailed);
    return report;
  }
  if (kind == kLinkCopy) {
    // The copy is the bytes the digest was taken of: those held, or a file read again whose
    // bytes must still have that digest.
    bool changed = false;
    const bool copied =
        file.held ? store_.StorePdfBytes(file.bytes, serial) : store_.StorePdfCopy(path, serial, file.digest, changed);
    if (!copied) {
      store_.RemoveDocumentCopy(serial);
      report.note = MessageText(changed ? Msg::ImportSourceChanged : Msg::FileSaveFailed);
      return report;
    }
  }
  if (!store_.WriteRecordFile(serial)) {
    if (kind == kLinkCopy) store_.RemoveDocumentCopy(serial);  // no copy without its record
    report.note = MessageText(Msg::FileSaveFailed);
    return report;
  }
  if (keepLock_) heldLock_ = std::move(lock);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    digests_.insert(file.digest);
  }

  report.serial = serial;
  report.title = record[FieldTag::PT];
  if (record[FieldTag::TX].empty()) {
    report.outcome = FileOutcome::StoredWithoutText;
    report.note = MessageText(Msg::ImportStoredWithoutText);
  } else {
    report.outcome = FileOutcome::Stored;
    if (report.recognisedPages > 0 && report.note.empty()) report.note = MessageText(Msg::ImportRecognised);
  }
  return report;
}

void BulkImporter::ImportFiles(const std::vector<NativePath>& files, const std::vector<PdfEngine*>& engines,
                               const std::function<bool(std::size_t, const FileReport&)>& stored) {
  if (engines.size() <= 1) {  // one engine: one file after the other on this thread
    PdfEngine& pdf = engines.empty() ? pdf_ : *engines.front();
    for (std::size_t k = 0; k < files.size() && !monitor_.Cancelled(); ++k) {
      PendingFile file = Read(files[k], pdf, monitor_);
      if (!stored(k, Write(file))) return;
    }
    return;
  }
  std::mutex monitorMutex;
  std::atomic<bool> stopping{false};
  LockedMonitor monitor(monitor_, monitorMutex, stopping);
  // The files read and not yet stored, by index. A reader done with a small file goes on while
  // another still reads a large one before it (waiting there would leave a core idle), up to a
  // few files ahead of the one being stored and while the memory they hold stays small; the
  // next file to be stored is always read, so the run never waits on itself.
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::optional<PendingFile>> done(files.size());
  std::size_t next = 0;     // the next file to read
  std::size_t written = 0;  // the files stored (or reported) so far
  bool stop = false;
  const std::size_t ahead = 4 * engines.size();
  std::size_t heldBytes = 0;  // the memory of the files read and not yet stored
  // A worker process ends with the thread that started it: no reader ends before the others,
  // since each may be using a worker another one started.
  std::size_t readersDone = 0;
  auto reader = [&](PdfEngine* pdf) {
    for (;;) {
      std::size_t k;
      {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] {
          return stop || next >= files.size() ||
                 (next < written + ahead && (heldBytes < kMostHeldBytes || next == written));
        });
        if (stop || next >= files.size()) {
          ++readersDone;
          changed.notify_all();
          changed.wait(lock, [&] { return readersDone == engines.size(); });
          return;
        }
        k = next++;
      }
      PendingFile file = Read(files[k], *pdf, monitor);
      std::lock_guard<std::mutex> lock(mutex);
      heldBytes += file.HeldBytes();
      done[k] = std::move(file);
      changed.notify_all();
    }
  };
  std::vector<std::thread> readers;
  for (PdfEngine* pdf : engines) readers.emplace_back(reader, pdf);
  keepLock_ = true;
  // The store's counter is written for every serial; the settings' copy of it at most once a
  // second and at the end.
  store_.SetSettingsSyncInterval(kSettingsSyncInterval);
  std::chrono::steady_clock::time_point heldSince{};
  for (std::size_t k = 0; k < files.size(); ++k) {
    std::optional<PendingFile> file;
    {
      std::unique_lock<std::mutex> lock(mutex);
      if (heldLock_ && !done[k].has_value()) {
        // The engine has yet to finish this file: another writer may store its files meanwhile.
        lock.unlock();
        heldLock_.Reset();
        lock.lock();
      }
      changed.wait(lock, [&] { return done[k].has_value(); });
      file = std::move(done[k]);
      done[k].reset();
      heldBytes -= file->HeldBytes();
    }
    changed.notify_all();  // room for the readers
    const bool wasHeld = static_cast<bool>(heldLock_);
    const bool goOn = !monitor.Cancelled() && stored(k, Write(*file));
    if (heldLock_ && !wasHeld) heldSince = std::chrono::steady_clock::now();
    if (heldLock_ && std::chrono::steady_clock::now() - heldSince >= kLongestLockHold) heldLock_.Reset();
    file.reset();
    std::lock_guard<std::mutex> lock(mutex);
    ++written;
    stop = stop || !goOn;
    stopping = stop;
    changed.notify_all();
    if (stop) break;
  }
  keepLock_ = false;
  heldLock_.Reset();
  store_.SetSettingsSyncInterval(std::chrono::milliseconds{0});
  store_.FlushSettings();
  for (std::thread& thread : readers) thread.join();
}

}  // namespace folidex
