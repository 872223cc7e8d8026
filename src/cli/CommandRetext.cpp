#include <unistd.h>

#include <QLockFile>
#include <initializer_list>
#include <iostream>
#include <memory>

#include "cli/Cli.h"
#include "cli/Terminal.h"
#include "common/ByteText.h"
#include "common/Cp932.h"
#include "common/qt/InstanceLock.h"
#include "import/Import.h"
#include "import/Retext.h"
#include "pdf/RecognitionWorker.h"
#include "pdf/RecognizerPool.h"
#include "pdf/WorkerEngine.h"
#include "search/index/IndexUpkeep.h"
#include "store/RunFolders.h"
#include "store/StoreLayout.h"

namespace folidex::cli {

namespace {

const char kUsage[] =
    "usage: folidex-cli retext [--dry-run] [--ocr] (SERIAL... | --all) [--store DIR]\n"
    "       folidex-cli retext --drop-backups [--yes] [--store DIR]";

// --drop-backups: the run folders below DOCDATA/BACKUP go, after a y on the terminal (or --yes).
int DropBackups(Context& context, bool yes) {
  const std::vector<std::string> folders = RunFolders(context.store, layout::kBackup);
  if (folders.empty()) {
    std::cerr << Line(MessageText(Msg::RetextNoBackups)) << '\n';
    return 0;
  }
  if (!yes) {
    std::string where = FromNativePath(context.store.StoreRoot()) + "/BACKUP";
    if (int status =
            ConfirmOnTerminal(context, Filled(Msg::RetextDropQuestion, {std::to_string(folders.size()), where})))
      return status;
  }
  // The backups are store files: removing them is a writer's work.
  const StoreWriteLock storeLock = context.store.LockForWriting();
  if (!storeLock) return 1;
  int removed = 0;
  const bool all = DropRunFolders(context.store, layout::kBackup, removed);
  std::cerr << Out(Filled(Msg::RetextDropped, {std::to_string(removed)})) << '\n';
  if (!all) return Fail(Line(MessageText(Msg::RetextDropFailed)));
  return 0;
}

}  // namespace

// retext [--dry-run] (SERIAL... | --all): each record's body text taken again from its PDF (the
// store's copy, or the outside file when it can be read) the way the import takes it today; TX
// and TS change where the text differs, after the record file has been kept in the run's backup
// folder. One line per changed record on stdout ("SERIAL<TAB>title"; with --dry-run the records
// that would change), what was unreachable or failed on stderr, a summary at the end. Exit
// status 0 unless a record failed (1) or the run was interrupted (130). With --ocr the pages
// without text are recognised again whatever the OCR setting, on one recognizer per core.
int CommandRetext(Context& context) {
  const IndexBatch indexBatch;  // the search index stays open from record to record
  bool dryRun = false, all = false, drop = false, yes = false, ocr = false;
  std::vector<std::string> serials;
  for (std::size_t k = 0; k < context.args.size(); ++k) {
    const std::string& arg = context.args[k];
    if (arg == "--dry-run") {
      dryRun = true;
    } else if (arg == "--ocr") {
      ocr = true;
    } else if (arg == "--all") {
      all = true;
    } else if (arg == "--drop-backups") {
      drop = true;
    } else if (arg == "--yes") {
      yes = true;
    } else if (arg == "--store" && k + 1 < context.args.size()) {
      context.store.SetLocation(NativePath(context.args[++k]));
    } else if (!arg.empty() && arg.find_first_not_of("0123456789") == std::string::npos) {
      serials.push_back(arg.size() < 8 ? FormatSerial(LeadingNumber(arg)) : arg);
    } else {
      return Fail("unknown argument " + arg + "\n" + kUsage, 2);
    }
  }
  if (drop ? (all || dryRun || ocr || !serials.empty()) : (yes || all == !serials.empty())) return Fail(kUsage, 2);
  if (int status = RequireStore(context)) return status;
  if (!context.store.CheckStoreRoot()) return 1;
  if (drop) return DropBackups(context, yes);

  if (all) {
    const std::optional<long> count = context.store.ReadSerialCount();
    if (!count) return 1;
    for (long n = 0; n < *count; ++n) {
      const std::string serial = FormatSerial(n);
      if (IsFile(context.store.RecordFilePath(serial, kKindText))) serials.push_back(serial);
    }
  }

  // The desktop program may have a record open: never both at once.
  QLockFile lock(InstanceLockPath());
  // One writer at a time on the store, across programs, users and computers: held for the run,
  // so every record's backup and its patch go together.
  StoreWriteLock storeLock;
  if (!dryRun) {
    lock.setStaleLockTime(0);
    if (!lock.tryLock(0)) {
      context.prompter.Error(Msg::RetextWhileRunning);
      return 1;
    }
    context.store.LockOptions().cancelled = [] { return Interrupted(); };
    storeLock = context.store.LockForWriting();
    if (!storeLock) return 1;
  }

  InterruptGuard guard;
  Terminal terminal;
  const std::string worker = WorkerProgramPath();
  if (worker.empty()) return Fail("folidex-worker not found beside folidex-cli");
  WorkerPool pool({worker}, ReadWorkerLimits(context.settings));
  WorkerPdfEngine pdf(pool, [] { return Interrupted(); });
  // Recognition runs in worker processes: one for the records without text, one per core (at
  // most four) for --ocr.
  const std::vector<std::string> recognition = RecognitionWorkerCommand();
  const WorkerLimits limits = ReadWorkerLimits(context.settings);
  std::unique_ptr<TextRecognizer> recognizer;
  if (!ocr && context.settings.GetInt(setting::Ocr) == 1)
    recognizer = std::make_unique<WorkerTextRecognizer>(recognition, limits);
  TextRecognizer* recognising =
      RecognitionAvailable(context.settings, &pdf, recognizer.get()) ? recognizer.get() : nullptr;
  const SystemClock clock;
  RecognizerPool recognizers(WorkerRecognizers(recognition, limits), RecognizerCount());
  if (ocr) {
    const RecognizerCheck check = recognizers.Check();
    if (!check.Ready()) {
      context.prompter.Error(Msg::RecognizerUnavailable, Utf8ToCp932(check.detail) + "\n");
      return 1;
    }
  }
  Retexter retexter = ocr ? Retexter(context.store, clock, pdf, recognizers, dryRun, terminal)
                          : Retexter(context.store, clock, pdf, recognising, dryRun, terminal);

  int changed = 0, unchanged = 0, unreachable = 0, failed = 0;
  for (std::size_t k = 0; k < serials.size() && !Interrupted(); ++k) {
    const std::string& serial = serials[k];
    terminal.File(k + 1, serials.size(), serial);
    const RetextReport report = retexter.Retext(serial);
    terminal.Clear();
    switch (report.outcome) {
      case RetextOutcome::Changed:
        ++changed;
        std::cout << serial << '\t' << Line(report.title) << '\n' << std::flush;
        break;
      case RetextOutcome::Unchanged:
        ++unchanged;
        break;
      case RetextOutcome::Unreachable:
        ++unreachable;
        std::cerr << serial << ": " << Line(report.note) << '\n';
        break;
      case RetextOutcome::Failed:
        if (Interrupted()) break;  // the record stopped half-way was not written
        ++failed;
        std::cerr << serial << ": " << Line(report.note) << '\n';
        break;
    }
  }
  if (!retexter.BackupFolder().empty())
    std::cerr << Line(Filled(Msg::RetextBackupFolder, {FromNativePath(retexter.BackupFolder())})) << '\n';
  std::cerr << Out(Filled(dryRun ? Msg::RetextDrySummary : Msg::RetextSummary,
                          {std::to_string(changed), std::to_string(unchanged), std::to_string(unreachable),
                           std::to_string(failed)}))
            << '\n';
  if (Interrupted()) {
    std::cerr << Line(MessageText(Msg::RetextInterrupted)) << '\n';
    return 130;
  }
  return failed > 0 ? 1 : 0;
}

}  // namespace folidex::cli
