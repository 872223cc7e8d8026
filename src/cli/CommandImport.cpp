#include <QLockFile>
#include <iostream>
#include <memory>

#include "cli/Cli.h"
#include "cli/Terminal.h"
#include "common/ByteText.h"
#include "common/Cp932.h"
#include "common/qt/InstanceLock.h"
#include "import/BulkImport.h"
#include "pdf/RecognitionWorker.h"
#include "pdf/RecognizerPool.h"
#include "pdf/WorkerEngine.h"
#include "search/index/IndexUpkeep.h"
#include "store/Record.h"

namespace folidex::cli {

// import [--copy|--link] [--skip-duplicates] [--no-ocr] PATH...: PDF files and folders into the
// store. One line per stored file on stdout ("SERIAL<TAB>title"), what was skipped or failed on
// stderr, a summary at the end. Exit status 0 when every file was stored or skipped, 1 when any
// failed, 130 when interrupted.
int CommandImport(Context& context) {
  for (const std::string& arg : context.args) {
    if (arg == "--") break;
    if (arg == "--watch" || arg == "--once") return CommandImportInbox(context);
  }
  const IndexBatch indexBatch;  // the search index stays open from record to record
  BulkImportOptions options;
  options.linkKind =
      context.settings.GetText(setting::Link) == kLinkOutside ? std::string(kLinkOutside) : std::string(kLinkCopy);
  std::vector<std::string> paths;
  bool optionsEnded = false;
  for (const std::string& arg : context.args) {
    if (!optionsEnded && arg == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && arg == "--copy") {
      options.linkKind = std::string(kLinkCopy);
    } else if (!optionsEnded && arg == "--link") {
      options.linkKind = std::string(kLinkOutside);
    } else if (!optionsEnded && arg == "--skip-duplicates") {
      options.skipDuplicates = true;
    } else if (!optionsEnded && arg == "--no-ocr") {
      options.recognise = false;
    } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
      return Fail("unknown option " + arg +
                      "\nusage: folidex-cli import [--copy|--link] [--skip-duplicates] "
                      "[--no-ocr] PATH...",
                  2);
    } else {
      paths.push_back(arg);
    }
  }
  if (paths.empty()) return Fail("usage: folidex-cli import [--copy|--link] [--skip-duplicates] [--no-ocr] PATH...", 2);

  if (int status = RequireStore(context)) return status;

  // The desktop program hands out serials from the same counter: never both at once.
  QLockFile lock(InstanceLockPath());
  lock.setStaleLockTime(0);
  if (!lock.tryLock(0)) {
    context.prompter.Error(Msg::ImportWhileRunning);
    return 1;
  }

  std::vector<NativePath> unusable;
  const std::vector<NativePath> files = CollectPdfFiles({paths.begin(), paths.end()}, unusable);
  for (const NativePath& path : unusable) std::cerr << path << ": " << MessageTextUtf8(Msg::ImportPathNotFound) << '\n';
  if (files.empty()) {
    context.prompter.Error(Msg::ImportNoPdfFound);
    return 1;
  }

  InterruptGuard guard;
  Terminal terminal;
  terminal.File(1, files.size(), files.front());
  // The engine runs in worker processes, killed at their limits or at an interrupt: two
  // documents are read at once, each in a worker of its own.
  const std::string worker = WorkerProgramPath();
  if (worker.empty()) return Fail("folidex-worker not found beside folidex-cli");
  const int readers = files.size() > 1 ? 2 : 1;
  WorkerPool pool({worker}, ReadWorkerLimits(context.settings), readers);
  std::vector<std::unique_ptr<WorkerPdfEngine>> engines;
  std::vector<PdfEngine*> engineList;
  for (int k = 0; k < readers; ++k) {
    engines.push_back(std::make_unique<WorkerPdfEngine>(pool, [] { return Interrupted(); }));
    engineList.push_back(engines.back().get());
  }
  // An interrupt ends a wait for another writer's lock too.
  context.store.LockOptions().cancelled = [] { return Interrupted(); };
  // The pages without text of every document share one recognizer per core (at most four),
  // each a worker process loading its models once for the whole run.
  std::unique_ptr<RecognizerPool> recognizers;
  if (options.recognise && context.settings.GetInt(setting::Ocr) == 1)
    recognizers = std::make_unique<RecognizerPool>(
        WorkerRecognizers(RecognitionWorkerCommand(), ReadWorkerLimits(context.settings)), RecognizerCount());
  const SystemClock clock;
  BulkImporter importer = recognizers
                              ? BulkImporter(context.store, clock, *engineList.front(), *recognizers, options, terminal)
                              : BulkImporter(context.store, clock, *engineList.front(), nullptr, options, terminal);
  if (!importer.Prepare()) return 1;

  int stored = 0, withoutText = 0, skipped = 0, failed = 0;
  importer.ImportFiles(files, engineList, [&](std::size_t k, const FileReport& report) {
    const NativePath& path = files[k];
    terminal.Clear();
    switch (report.outcome) {
      case FileOutcome::Stored:
      case FileOutcome::StoredWithoutText:
        ++stored;
        withoutText += report.outcome == FileOutcome::StoredWithoutText;
        std::cout << report.serial << '\t' << Line(report.title) << '\n' << std::flush;
        if (!report.note.empty()) std::cerr << path << ": " << Line(report.note) << '\n';
        break;
      case FileOutcome::Skipped:
        ++skipped;
        std::cerr << path << ": " << Line(report.note) << '\n';
        break;
      case FileOutcome::Failed:
        if (Interrupted()) break;  // the file stopped half-way was not written
        ++failed;
        std::cerr << path << ": " << Line(report.note.empty() ? MessageText(Msg::FileOpenFailed) : report.note) << '\n';
        break;
    }
    if (report.stopRun || Interrupted()) return false;  // nothing more can be stored: the message said why
    if (k + 1 < files.size()) terminal.File(k + 2, files.size(), files[k + 1]);
    return true;
  });
  std::string summary = MessageText(Msg::ImportSummary);
  const int counts[] = {stored, withoutText, skipped, failed};
  for (int k = 0; k < 4; ++k)
    summary = ReplaceAllCp932(summary, "%" + std::to_string(k + 1), std::to_string(counts[k]));
  std::cerr << Out(summary) << '\n';
  if (Interrupted()) {
    std::cerr << Line(MessageText(Msg::ImportInterrupted)) << '\n';
    return 130;
  }
  return failed > 0 ? 1 : 0;
}

}  // namespace folidex::cli
