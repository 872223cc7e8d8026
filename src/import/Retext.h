#pragma once
// Taking a stored record's body text again from its PDF (folidex-cli retext), so that a record
// stored by an older import gets the text the import gives today. The text comes the way the
// import takes it (the same engine, the same preparation and normalisation); only TX and TS of
// the record file change, through Store::PatchRecordFile. Before a record file is changed, its
// bytes are kept in a backup folder of the run (DOCDATA/BACKUP/YYYYMMDD-HHMMSS/<file name>), so
// a text corrected by hand is never lost for good.

#include <string>
#include <vector>

#include "common/Clock.h"
#include "pdf/DocumentText.h"
#include "pdf/PdfEngine.h"
#include "pdf/RecognizerPool.h"
#include "pdf/TextRecognizer.h"
#include "store/Store.h"

namespace folidex {

enum class RetextOutcome {
  Changed,      // the record's text changed (with a dry run: would change)
  Unchanged,    // the text is as stored: nothing written
  Unreachable,  // neither the store's copy nor the outside file can be read
  Failed,       // nothing written: the record, the PDF or a write failed
};

struct RetextReport {
  RetextOutcome outcome = RetextOutcome::Failed;
  std::string title;  // PT (CP932)
  std::string note;   // CP932: why it failed, or what is worth knowing
};

class Retexter {
 public:
  // `recognizer` may be null (pages without text are not recognised). With `dryRun` nothing is
  // written and no folder is made.
  Retexter(Store& store, const Clock& clock, PdfEngine& pdf, TextRecognizer* recognizer, bool dryRun,
           DocumentTextMonitor& monitor);
  // The same with the pages without text recognised at once on the pool's recognizers.
  Retexter(Store& store, const Clock& clock, PdfEngine& pdf, RecognizerPool& pool, bool dryRun,
           DocumentTextMonitor& monitor);

  RetextReport Retext(const std::string& serial);

  // The run's backup folder (native), empty until a record file has been kept there.
  const std::string& BackupFolder() const { return backupFolder_; }

 private:
  bool KeepBackup(const std::string& serial, const std::string& bytes);

  Store& store_;
  const Clock& clock_;
  PdfEngine& pdf_;
  TextRecognizer* recognizer_;
  RecognizerPool* pool_ = nullptr;
  bool dryRun_;
  DocumentTextMonitor& monitor_;
  std::string backupFolder_;
};

}  // namespace folidex
