#include <time.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <memory>

#include "cli/Cli.h"
#include "cli/Terminal.h"
#include "common/ByteText.h"
#include "common/Cp932.h"
#include "common/FileSystem.h"
#include "import/BulkImport.h"
#include "import/Inbox.h"
#include "pdf/RecognitionWorker.h"
#include "pdf/RecognizerPool.h"
#include "pdf/WorkerEngine.h"
#include "store/Record.h"
#include "store/StoreLock.h"

namespace folidex::cli {
namespace {

namespace fs = std::filesystem;

constexpr const char* kInboxUsage = "usage: folidex-cli import (--watch|--once) [--no-ocr] [DIR]";

// Sleeps up to `ms`, less when a signal (an interrupt) comes.
void Nap(std::int64_t ms) {
  timespec span{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1'000'000L};
  ::nanosleep(&span, nullptr);
}

}  // namespace

// import --watch [DIR] / --once [DIR]: the inbox (DIR, else KanSet/Inbox) taken into the store,
// until Ctrl+C or SIGTERM, or once what is there now is done. Stored files on stdout as import
// prints them, the rest on stderr. Exit status 0 (also when a watch is ended by a signal), 1
// when a --once file failed or could not be stored now, or the inbox is watched by another.
int CommandImportInbox(Context& context) {
  bool watch = false, once = false, recognise = true;
  std::string folderArg;
  for (const std::string& arg : context.args) {
    if (arg == "--watch") {
      watch = true;
    } else if (arg == "--once") {
      once = true;
    } else if (arg == "--no-ocr") {
      recognise = false;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return Fail("unknown option " + arg + "\n" + kInboxUsage, 2);
    } else if (folderArg.empty()) {
      folderArg = arg;
    } else {
      return Fail(kInboxUsage, 2);
    }
  }
  if (watch == once) return Fail(kInboxUsage, 2);
  if (folderArg.empty()) folderArg = context.settings.GetPath(setting::Inbox).str();
  if (folderArg.empty()) {
    context.prompter.Error(Msg::InboxNotSet);
    return 1;
  }
  if (int status = RequireStore(context)) return status;
  std::error_code error;
  folderArg = fs::absolute(fs::path(folderArg), error).lexically_normal().string();
  if (folderArg.size() > 1 && folderArg.back() == '/') folderArg.pop_back();
  const NativePath folder(folderArg);
  if (!IsDirectory(folder)) {
    context.prompter.Error(Msg::InboxFolderMissing, FromNativePath(folder) + "\n");
    return 1;
  }
  if (InboxInsideStore(folder, context.store.StoreRoot())) {
    context.prompter.Error(Msg::InboxIsStoreFolder, FromNativePath(folder) + "\n");
    return 1;
  }

  InterruptGuard guard;
  // One watcher per inbox: the desktop program or another run may have it.
  StoreLockOptions lockOptions;
  lockOptions.program = "folidex-cli";
  StoreLock inboxLock(InboxLockPath(folder), lockOptions);
  bool announced = false;
  for (;;) {
    const LockResult taken = inboxLock.TryAcquire();
    if (taken == LockResult::Taken) break;
    if (taken == LockResult::Failed) {
      return Fail("cannot create the inbox lock " + InboxLockPath(folder).str());
    }
    if (once) {
      context.prompter.Error(Msg::InboxBusy, DescribeLockHolder(inboxLock.Holder()) + "\n");
      return 1;
    }
    if (!announced) {
      std::cerr << Out(DescribeLockHolder(inboxLock.Holder())) << '\n'
                << MessageTextUtf8(Msg::InboxLockWaiting) << '\n';
      announced = true;
    }
    Nap(1000);
    if (Interrupted()) return 0;
  }

  Terminal terminal;
  const std::string worker = WorkerProgramPath();
  if (worker.empty()) return Fail("folidex-worker not found beside folidex-cli");
  WorkerPool pool({worker}, ReadWorkerLimits(context.settings));
  WorkerPdfEngine pdf(pool, [] { return Interrupted(); });
  context.store.LockOptions().cancelled = [] { return Interrupted(); };
  // The pages of a scanned document are read at once, one recognizer per core (at most four),
  // each a worker process loading its models once for the whole run.
  std::unique_ptr<RecognizerPool> recognizers;
  if (recognise && context.settings.GetInt(setting::Ocr) == 1)
    recognizers = std::make_unique<RecognizerPool>(
        WorkerRecognizers(RecognitionWorkerCommand(), ReadWorkerLimits(context.settings)), RecognizerCount());
  const SystemClock clock;
  BulkImportOptions options;
  options.linkKind = std::string(kLinkCopy);
  options.recognise = recognise;
  BulkImporter importer = recognizers ? BulkImporter(context.store, clock, pdf, *recognizers, options, terminal)
                                      : BulkImporter(context.store, clock, pdf, nullptr, options, terminal);
  if (!importer.Prepare()) return 1;

  const SteadyTickClock ticks;
  DirectoryListing listing;
  InboxOptions inboxOptions{folder, context.settings.GetInt(setting::InboxDone) != 0, DefaultKeptFilesPath(),
                            InboxLogPath(context.store)};
  Inbox inbox(
      context.store, inboxOptions, [&importer](const NativePath& path) { return importer.ImportFile(path); }, clock,
      ticks, listing);
  if (!inbox.Prepare()) return 1;
  if (watch)
    std::cerr << Out(ReplaceAllCp932(MessageText(Msg::InboxWatching), "%1", FromNativePath(folder).str())) << '\n';

  bool failed = false;
  while (!Interrupted() && !inboxLock.Lost()) {
    const std::vector<NativePath> due = inbox.Poll();
    for (std::size_t k = 0; k < due.size() && !Interrupted(); ++k) {
      terminal.File(k + 1, due.size(), due[k]);
      const InboxResult result = inbox.Take(due[k]);
      terminal.Clear();
      switch (result.outcome) {
        case InboxOutcome::Stored:
          std::cout << result.serial << '\t' << Line(result.title) << '\n' << std::flush;
          if (!result.note.empty()) std::cerr << result.path << ": " << Line(result.note) << '\n';
          break;
        case InboxOutcome::Duplicate:
          std::cerr << result.path << ": "
                    << Line(ReplaceAllCp932(MessageText(Msg::InboxDuplicate), "%1", result.serial)) << '\n';
          break;
        case InboxOutcome::Failed:
          failed = true;
          std::cerr << result.path << ": " << Line(result.note) << '\n';
          break;
        case InboxOutcome::Deferred:
          if (Interrupted()) break;  // stopped half-way: nothing was written, the file stays
          failed = true;
          std::cerr << result.path << ": " << Line(ReplaceAllCp932(MessageText(Msg::InboxDeferred), "%1", result.note))
                    << '\n';
          if (once) return 1;  // the store cannot take records now: the next would fare no better
          break;
        case InboxOutcome::Gone:
          break;
      }
    }
    const std::optional<std::int64_t> next = inbox.NextPollIn();
    if (once && !next) break;  // every file there has been taken
    Nap(std::clamp<std::int64_t>(next.value_or(1000), 100, 1000));
  }
  if (inboxLock.Lost()) {
    context.prompter.Error(Msg::InboxBusy);
    return 1;
  }
  return once && failed ? 1 : 0;
}

}  // namespace folidex::cli
