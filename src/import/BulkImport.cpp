#include "import/BulkImport.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "common/ByteText.h"
#include "common/Cp932.h"
#include "import/Import.h"
#include "pdf/PdfInfo.h"

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

bool ReadDocumentBodyText(PdfEngine& pdf, TextRecognizer* recognizer, DocumentTextMonitor& monitor,
                          std::u16string& text, int& recognisedPages) {
  // Each page's text is taken once; only a document with pages without text goes on to the
  // recognition.
  bool allPagesHaveText = true;
  for (int page = 0; page < pdf.PageCount(); ++page) {
    if (page > 0) text += u"\r\n";
    const std::u16string pageText = pdf.PageText(page);
    allPagesHaveText = allPagesHaveText && PageHasText(pageText);
    text += pageText;
  }
  if (allPagesHaveText || recognizer == nullptr) return true;
  // Pages without text are recognised; the others keep their own text, in page order.
  DocumentText document = BuildDocumentText(pdf, *recognizer, monitor);
  if (document.outcome == DocumentTextOutcome::Cancelled) return false;
  for (const PageText& page : document.pages) recognisedPages += page.source == PageSource::Recognised;
  text = std::move(document.text);
  return true;
}

FileReport BulkImporter::ImportFile(const NativePath& path) {
  FileReport report;
  // What the information reader finds, and the file fields; the reader also refuses what is not
  // a readable regular file.
  IndexRecord info;
  MessageCatcher catcher;
  PdfInfo reader(catcher);
  if (!reader.ReadInfoFile(path, info)) {
    report.note = catcher.text;
    return report;
  }
  // The engine opens the file once: the meta data the scan cannot see comes from there too.
  const PdfOpenResult opened = pdf_.Open(path);
  if (opened != PdfOpenResult::Opened) {
    report.note = MessageText(pdf_.Failure().value_or(PdfOpenFailureMessage(opened)));
    pdf_.Close();
    return report;
  }
  if (!reader.FoundNames()) PdfInfo::TakeMetaData(pdf_.MetaData(), info);
  if (info[FieldTag::PT].empty() && store_.settings().GetInt(setting::AutoTitle) == 1)
    FillDerivedTitle(info, store_.settings(), pdf_.PageHeading(0),
                     FromNativePath(NativePath(fs::path(path.str()).filename().string())));
  FillLocalFileFields(info, path, clock_);
  if (info[FieldTag::Y2].empty()) {
    pdf_.Close();
    report.note = MessageText(Msg::FileOpenFailed);
    return report;
  }
  const std::string digest = UpperCaseAsciiCp932(info[FieldTag::Y2]);
  if (options_.skipDuplicates && digests_.count(digest)) {
    pdf_.Close();
    report.outcome = FileOutcome::Skipped;
    report.note = MessageText(Msg::ImportDuplicateSkipped);
    return report;
  }
  std::u16string text;
  const bool haveText =
      ReadDocumentBodyText(pdf_, recognising_ ? recognizer_ : nullptr, monitor_, text, report.recognisedPages);
  const std::optional<Msg> gaveUp = pdf_.Failure();  // too slow, too much memory, crashed
  pdf_.Close();
  if (gaveUp || !haveText) {  // nothing is written for a file the engine gave up on
    report.note = MessageText(gaveUp.value_or(Msg::ImportInterrupted));
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
  const StoreWriteLock lock = store_.LockForWriting();
  if (!lock) {
    report.stopRun = true;
    report.note = MessageText(store_.LockFailure());
    return report;
  }
  IndexRecord& record = store_.WorkingRecord();
  record = info;
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
  if (kind == kLinkCopy && !store_.StorePdfCopy(path, serial)) {
    store_.RemoveDocumentCopy(serial);
    report.note = MessageText(Msg::FileSaveFailed);
    return report;
  }
  if (!store_.SetBodyText(PrepareBodyText(text)) || !store_.WriteRecordFile(serial)) {
    if (kind == kLinkCopy) store_.RemoveDocumentCopy(serial);  // no copy without its record
    report.note = MessageText(Msg::FileSaveFailed);
    return report;
  }
  digests_.insert(digest);

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

}  // namespace folidex
