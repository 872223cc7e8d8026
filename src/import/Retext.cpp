#include "import/Retext.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "common/FileSystem.h"
#include "common/Messages.h"
#include "import/BulkImport.h"
#include "store/RunFolders.h"
#include "store/StoreLayout.h"

namespace folidex {
namespace {

namespace fs = std::filesystem;

Msg PatchFailureMessage(PatchStatus status) {
  switch (status) {
    case PatchStatus::Oversize:
      return Msg::RecordFileOversize;
    case PatchStatus::NoMemory:
      return Msg::MemoryAllocFailed;
    case PatchStatus::Incomplete:
    case PatchStatus::NoFieldLine:
      return Msg::IndexFileDamaged;
    default:
      return Msg::FileOpenFailed;
  }
}

}  // namespace

Retexter::Retexter(Store& store, const Clock& clock, PdfEngine& pdf, TextRecognizer* recognizer, bool dryRun,
                   DocumentTextMonitor& monitor)
    : store_(store), clock_(clock), pdf_(pdf), recognizer_(recognizer), dryRun_(dryRun), monitor_(monitor) {}

Retexter::Retexter(Store& store, const Clock& clock, PdfEngine& pdf, RecognizerPool& pool, bool dryRun,
                   DocumentTextMonitor& monitor)
    : store_(store), clock_(clock), pdf_(pdf), recognizer_(nullptr), pool_(&pool), dryRun_(dryRun), monitor_(monitor) {}

RetextReport Retexter::Retext(const std::string& serial) {
  RetextReport report;
  const std::string path = store_.RecordFilePath(serial, kKindText);
  if (path.empty() || !IsSerialText(serial)) {
    report.note = MessageText(Msg::RetextNoRecord);
    return report;
  }
  // The record file's own bytes: what is compared, and what the backup keeps.
  std::string bytes;
  switch (ReadRegularFile(path, bytes, kMaxRecordFileSize)) {
    case FileRead::Ok:
      break;
    case FileRead::Missing:
      report.note = MessageText(Msg::RetextNoRecord);
      return report;
    case FileRead::TooLarge:
      report.note = MessageText(Msg::RecordFileOversize);
      return report;
    case FileRead::NoMemory:
      report.note = MessageText(Msg::MemoryAllocFailed);
      return report;
    default:
      report.note = MessageText(Msg::FileOpenFailed);
      return report;
  }
  IndexRecord old;
  ParseRecordFile(bytes, false, old);
  report.title = old[FieldTag::PT];

  const DocumentLocation document = ResolveDocumentPath(store_, serial, old[FieldTag::TY], old[FieldTag::FG]);
  if (document.path.empty()) {
    report.outcome = RetextOutcome::Unreachable;
    report.note = MessageText(Msg::RetextPdfUnreachable);
    return report;
  }
  const PdfOpenResult opened = pdf_.Open(document.path);
  if (opened != PdfOpenResult::Opened) {
    report.note = MessageText(pdf_.Failure().value_or(PdfOpenFailureMessage(opened)));
    pdf_.Close();
    return report;
  }
  std::u16string text;
  int recognisedPages = 0;
  const bool haveText = pool_ ? ReadDocumentBodyText(pdf_, pool_, monitor_, text, recognisedPages)
                              : ReadDocumentBodyText(pdf_, recognizer_, monitor_, text, recognisedPages);
  const std::optional<Msg> gaveUp = pdf_.Failure();
  pdf_.Close();
  if (gaveUp || !haveText) {
    report.note = MessageText(gaveUp.value_or(Msg::RetextInterrupted));
    return report;
  }

  // The stored form exactly as the import makes it.
  IndexRecord& working = store_.WorkingRecord();
  working.Clear();
  if (!store_.SetBodyText(PrepareBodyText(text))) {
    report.note = MessageText(Msg::MemoryAllocFailed);
    return report;
  }
  // Compared as the record file holds it: a control character the text may hold is written as
  // a space, so the new text goes through the file's own form first.
  IndexRecord written;
  ParseRecordFile(FormatRecordFile(working), false, written);
  working.Clear();
  std::vector<FieldValue> changes = {{FieldTag::TX, written[FieldTag::TX]}, {FieldTag::TS, written[FieldTag::TS]}};
  if (changes[0].value == old[FieldTag::TX] && changes[1].value == old[FieldTag::TS]) {
    report.outcome = RetextOutcome::Unchanged;
    return report;
  }
  // A document that gives no text now (a recognised scan, with the recognition off) keeps the
  // text it has.
  if (changes[0].value.empty() && !old[FieldTag::TX].empty()) {
    report.note = MessageText(Msg::RetextNoTextKept);
    return report;
  }
  if (dryRun_) {
    report.outcome = RetextOutcome::Changed;
    return report;
  }
  if (!KeepBackup(serial, bytes)) {
    report.note = MessageText(Msg::RetextBackupFailed);
    return report;
  }
  const PatchStatus patched = store_.PatchRecordFile(serial, changes);
  if (patched != PatchStatus::Patched) {
    report.note = MessageText(PatchFailureMessage(patched));
    return report;
  }
  report.outcome = RetextOutcome::Changed;
  return report;
}

bool Retexter::KeepBackup(const std::string& serial, const std::string& bytes) {
  if (backupFolder_.empty()) backupFolder_ = MakeRunFolder(store_, layout::kBackup, clock_.Now());
  if (backupFolder_.empty()) return false;
  const std::string name = fs::path(store_.RecordFilePath(serial, kKindText).str()).filename().string();
  return WriteFileAtomic(backupFolder_ + kPathSeparator + name, bytes);
}

}  // namespace folidex
