#pragma once
// A request from outside to end the program (SIGTERM from a shutdown or a `kill`, SIGHUP when
// its terminal goes, SIGINT from Ctrl+C in the terminal), turned into a Qt signal in the main
// thread, so the program can end as it does when its window is closed and keep the current
// list and the settings.

#include <QObject>

class QSocketNotifier;

namespace folidex {

class TerminationWatch : public QObject {
  Q_OBJECT
 public:
  // Catches the three signals for as long as the object lives (one at a time in a process).
  explicit TerminationWatch(QObject* parent = nullptr);
  ~TerminationWatch() override;
  TerminationWatch(const TerminationWatch&) = delete;
  TerminationWatch& operator=(const TerminationWatch&) = delete;

 signals:
  void requested();

 private:
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace folidex
