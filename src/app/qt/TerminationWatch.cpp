#include "app/qt/TerminationWatch.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>

namespace folidex {
namespace {

// The signal handler may only write a byte; the main thread reads it through the notifier.
int wakeFds[2] = {-1, -1};
constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};
struct sigaction previous[3];

void OnSignal(int) {
  const int saved = errno;
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = ::write(wakeFds[1], &byte, 1);
  errno = saved;
}

}  // namespace

TerminationWatch::TerminationWatch(QObject* parent) : QObject(parent) {
  if (wakeFds[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, wakeFds) != 0) return;
  notifier_ = new QSocketNotifier(wakeFds[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] {
    char bytes[16];
    while (::read(wakeFds[0], bytes, sizeof bytes) > 0) {
    }
    emit requested();
  });
  struct sigaction action {};
  action.sa_handler = &OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int i = 0; i < 3; ++i) ::sigaction(kSignals[i], &action, &previous[i]);
}

TerminationWatch::~TerminationWatch() {
  if (!notifier_) return;
  for (int i = 0; i < 3; ++i) ::sigaction(kSignals[i], &previous[i], nullptr);
  delete notifier_;
  ::close(wakeFds[0]);
  ::close(wakeFds[1]);
  wakeFds[0] = wakeFds[1] = -1;
}

}  // namespace folidex
