#pragma once
// The inbox while the desktop program runs (KanSet/InboxOn): a worker thread watches the folder
// (QFileSystemWatcher, and a timer for the two seconds a file must stand still) and stores its
// files one at a time through the core Inbox, with a store, settings and PDF engine of its own,
// so the window stays usable. Each stored record comes back to the window as a copy of its
// fields, to be appended to the list; the counter ("受信: 3件中 1件目を登録中") and the log
// lines come back the same way.

#include <QObject>
#include <QString>
#include <QThread>
#include <atomic>
#include <functional>
#include <memory>

#include "common/Settings.h"
#include "pdf/RecognizerPool.h"
#include "store/Record.h"

namespace folidex {

class InboxWorker;

class InboxWatcher : public QObject {
  Q_OBJECT

 public:
  // `makeSettings` gives the worker settings of its own on the user's settings file; a scan's pages
  // are read by `recognizers`, which the window's own imports share (so the engines in all stay
  // within the pool's size).
  InboxWatcher(Settings& settings, std::function<std::unique_ptr<Settings>()> makeSettings,
               std::shared_ptr<RecognizerPool> recognizers, QObject* parent = nullptr);
  ~InboxWatcher() override;

  // Starts, stops or restarts the watch as the settings now say (InboxOn, Inbox, InboxDone,
  // and the storage location `storeLocation`).
  void Apply(const std::string& storeLocation);
  void Stop();
  bool Running() const { return thread_ != nullptr; }
  const RecognizerPool* Recognizers() const { return recognizers_.get(); }

 signals:
  // A record stored from the inbox (its fields as the record file holds them).
  void recordStored(const QString& serial, const folidex::IndexRecord& record);
  // "受信: N件中 K件目を登録中" while a file is taken, empty when done.
  void counterChanged(const QString& text);
  // A line of the inbox's log (UTF-8, without its time).
  void logged(const QString& line);

 private:
  Settings& settings_;
  std::function<std::unique_ptr<Settings>()> makeSettings_;
  std::shared_ptr<RecognizerPool> recognizers_;
  QThread* thread_ = nullptr;
  InboxWorker* worker_ = nullptr;
  std::shared_ptr<std::atomic<bool>> stop_;
  std::string running_;  // what the running watch was started with
};

}  // namespace folidex
