#include "import/qt/InboxWatcher.h"

#include <QFileSystemWatcher>
#include <QTimer>
#include <algorithm>
#include <functional>

#include "common/ByteText.h"
#include "common/Cp932.h"
#include "common/FileSystem.h"
#include "common/Messages.h"
#include "import/BulkImport.h"
#include "import/Inbox.h"
#include "pdf/DocumentText.h"
#include "pdf/RecognizerPool.h"
#include "pdf/WorkerEngine.h"
#include "store/StoreLock.h"

namespace folidex {
namespace {

// How often the worker looks again for the inbox lock, and at the folder without an event (a
// network folder may send none).
constexpr int kLockRetryMs = 5000;
constexpr int kIdleLookMs = 15000;

// The store's messages on the worker become log lines: no dialog opens from the worker.
class LogPrompter : public Prompter {
 public:
  std::function<void(const std::string&)> said;
  Answer Show(MessageKind, const std::string& text) override {
    if (said) said(text);
    return Answer::No;
  }
};

class StopMonitor : public DocumentTextMonitor {
 public:
  explicit StopMonitor(std::shared_ptr<std::atomic<bool>> stop) : stop_(std::move(stop)) {}
  bool Cancelled() override { return stop_->load(); }
  void RecognitionStarted(int index, int count, int) override {
    if (pages) pages(index, count);
  }

  std::function<void(int index, int count)> pages;  // a page of a scan is being recognised

 private:
  std::shared_ptr<std::atomic<bool>> stop_;
};

}  // namespace

// Lives on the watcher's thread: everything it owns is made, used and destroyed there.
class InboxWorker : public QObject {
 public:
  struct Config {
    NativePath location, folder;
    bool moveDone = true;
    std::shared_ptr<RecognizerPool> recognizers;
  };
  InboxWorker(InboxWatcher* watcher, Config config, std::unique_ptr<Settings> settings,
              std::shared_ptr<std::atomic<bool>> stop)
      : watcher_(watcher),
        config_(std::move(config)),
        settings_(std::move(settings)),
        stop_(std::move(stop)),
        monitor_(stop_) {}

  void Start() {
    prompter_.said = [this](const std::string& text) { Say(text); };
    store_ = std::make_unique<Store>(*settings_, prompter_);
    store_->SetLocation(config_.location);
    store_->LockOptions().program = "folidex";
    store_->LockOptions().cancelled = [stop = stop_] { return stop->load(); };
    if (!IsDirectory(config_.folder)) {
      Say(MessageText(Msg::InboxFolderMissing) + " " + FromNativePath(config_.folder));
      return;
    }
    if (InboxInsideStore(config_.folder, store_->StoreRoot())) {
      Say(MessageText(Msg::InboxIsStoreFolder));
      return;
    }
    StoreLockOptions lockOptions;
    lockOptions.program = "folidex";
    lock_ = std::make_unique<StoreLock>(InboxLockPath(config_.folder), lockOptions);
    lockTimer_ = new QTimer(this);
    lockTimer_->setInterval(kLockRetryMs);
    connect(lockTimer_, &QTimer::timeout, this, [this] { TakeLock(); });
    TakeLock();
  }

 private:
  void TakeLock() {
    if (stop_->load()) return;
    const LockResult result = lock_->TryAcquire();
    if (result != LockResult::Taken) {
      if (!waitSaid_) Say(MessageText(Msg::InboxLockWaiting));
      waitSaid_ = true;
      lockTimer_->start();
      return;
    }
    lockTimer_->stop();
    Begin();
  }

  void Begin() {
    pool_ = std::make_unique<WorkerPool>(std::vector<std::string>{WorkerProgramPath()}, ReadWorkerLimits(*settings_));
    pdf_ = std::make_unique<WorkerPdfEngine>(*pool_, [stop = stop_] { return stop->load(); });
    BulkImportOptions options;
    options.linkKind = std::string(kLinkCopy);
    // The pages of a scanned document are read at once, on the window's recognizers.
    if (settings_->GetInt(setting::Ocr) == 1 && config_.recognizers) {
      importer_ = std::make_unique<BulkImporter>(*store_, clock_, *pdf_, *config_.recognizers, options, monitor_);
    } else {
      importer_ = std::make_unique<BulkImporter>(*store_, clock_, *pdf_, nullptr, options, monitor_);
    }
    InboxOptions inboxOptions{config_.folder, config_.moveDone, DefaultKeptFilesPath(), InboxLogPath(*store_)};
    inbox_ = std::make_unique<Inbox>(
        *store_, inboxOptions, [this](const NativePath& path) { return importer_->ImportFile(path); }, clock_, ticks_,
        listing_);
    if (!importer_->Prepare() || !inbox_->Prepare()) return;
    delete watch_;  // of an earlier hold of the inbox
    delete timer_;
    delete idle_;
    watch_ = new QFileSystemWatcher(this);
    watch_->addPath(QString::fromStdString(config_.folder));
    connect(watch_, &QFileSystemWatcher::directoryChanged, this, [this] { Look(); });
    timer_ = new QTimer(this);
    timer_->setSingleShot(true);
    connect(timer_, &QTimer::timeout, this, [this] { Look(); });
    idle_ = new QTimer(this);
    idle_->setInterval(kIdleLookMs);
    connect(idle_, &QTimer::timeout, this, [this] { Look(); });
    idle_->start();
    Look();  // the files there before the program started are taken too
  }

  void Look() {
    if (stop_->load() || !inbox_) return;
    if (lock_->Lost()) {  // another watcher took the inbox over: wait for it again
      inbox_.reset();
      idle_->stop();
      waitSaid_ = false;
      lockTimer_->start();
      return;
    }
    const std::vector<NativePath> due = inbox_->Poll();
    for (std::size_t k = 0; k < due.size() && !stop_->load(); ++k) {
      std::string counter = MessageText(Msg::InboxCounter);
      counter = ReplaceAllCp932(counter, "%1", std::to_string(due.size()));
      counter = ReplaceAllCp932(counter, "%2", std::to_string(k + 1));
      Counter(QString::fromUtf8(Cp932ToUtf8(counter).c_str()));
      // A scan shows how far its recognition has come: "… 1件目を登録中 文字認識中 3/12 ページ".
      monitor_.pages = [this, counter](int index, int count) {
        Counter(QString::fromUtf8(Cp932ToUtf8(counter + " " + RecognitionProgressText(index, count)).c_str()));
      };
      const InboxResult result = inbox_->Take(due[k]);
      monitor_.pages = nullptr;
      if (!result.logLine.empty()) Log(QString::fromUtf8(result.logLine.c_str()));
      if (result.outcome == InboxOutcome::Stored && store_->ReadRecordFile(result.serial, false)) {
        const IndexRecord record = store_->WorkingRecord();
        store_->WorkingRecord().Clear();
        QMetaObject::invokeMethod(
            watcher_,
            [watcher = watcher_, serial = QString::fromStdString(result.serial), record] {
              emit watcher->recordStored(serial, record);
            },
            Qt::QueuedConnection);
      }
    }
    if (!due.empty()) Counter(QString());
    if (const std::optional<std::int64_t> next = inbox_->NextPollIn())
      timer_->start(static_cast<int>(std::clamp<std::int64_t>(*next, 50, kIdleLookMs)));
  }

  void Say(const std::string& cp932) { Log(QString::fromUtf8(Cp932ToUtf8(cp932).c_str())); }
  void Log(const QString& line) {
    QMetaObject::invokeMethod(
        watcher_, [watcher = watcher_, line] { emit watcher->logged(line); }, Qt::QueuedConnection);
  }
  void Counter(const QString& text) {
    QMetaObject::invokeMethod(
        watcher_, [watcher = watcher_, text] { emit watcher->counterChanged(text); }, Qt::QueuedConnection);
  }

  InboxWatcher* watcher_;
  Config config_;
  std::unique_ptr<Settings> settings_;
  std::shared_ptr<std::atomic<bool>> stop_;
  StopMonitor monitor_;
  LogPrompter prompter_;
  SystemClock clock_;
  SteadyTickClock ticks_;
  DirectoryListing listing_;
  std::unique_ptr<Store> store_;
  std::unique_ptr<StoreLock> lock_;
  std::unique_ptr<WorkerPool> pool_;
  std::unique_ptr<WorkerPdfEngine> pdf_;
  std::unique_ptr<BulkImporter> importer_;
  std::unique_ptr<Inbox> inbox_;
  QFileSystemWatcher* watch_ = nullptr;
  QTimer* timer_ = nullptr;
  QTimer* idle_ = nullptr;
  QTimer* lockTimer_ = nullptr;
  bool waitSaid_ = false;
};

InboxWatcher::InboxWatcher(Settings& settings, std::function<std::unique_ptr<Settings>()> makeSettings,
                           std::shared_ptr<RecognizerPool> recognizers, QObject* parent)
    : QObject(parent),
      settings_(settings),
      makeSettings_(std::move(makeSettings)),
      recognizers_(std::move(recognizers)) {}

InboxWatcher::~InboxWatcher() { Stop(); }

void InboxWatcher::Apply(const std::string& storeLocation) {
  const std::string folder = settings_.GetPath(setting::Inbox).str();
  const bool on = settings_.GetInt(setting::InboxOn) == 1 && !folder.empty() && !storeLocation.empty();
  const bool moveDone = settings_.GetInt(setting::InboxDone) != 0;
  const std::string wanted = on ? storeLocation + '\n' + folder + '\n' + (moveDone ? "1" : "0") : std::string();
  if (wanted == running_ && (Running() || !on)) return;
  Stop();
  if (!on) return;
  std::unique_ptr<Settings> own = makeSettings_ ? makeSettings_() : nullptr;
  if (!own) return;
  running_ = wanted;
  stop_ = std::make_shared<std::atomic<bool>>(false);
  thread_ = new QThread(this);
  thread_->setObjectName(QStringLiteral("inbox"));
  worker_ = new InboxWorker(this, {NativePath(storeLocation), NativePath(folder), moveDone, recognizers_},
                            std::move(own), stop_);
  worker_->moveToThread(thread_);
  InboxWorker* worker = worker_;
  connect(thread_, &QThread::started, worker, [worker] { worker->Start(); });
  // Destroyed on its own thread, as the last thing that thread does.
  connect(
      thread_, &QThread::finished, worker, [worker] { delete worker; }, Qt::DirectConnection);
  thread_->start();
}

void InboxWatcher::Stop() {
  if (!thread_) return;
  stop_->store(true);
  thread_->quit();
  thread_->wait();
  delete thread_;
  thread_ = nullptr;
  worker_ = nullptr;
  running_.clear();
  emit counterChanged(QString());
}

}  // namespace folidex
