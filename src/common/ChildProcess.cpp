#include "common/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>

extern char** environ;

namespace folidex {
namespace {

class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() { Close(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
};

// The environment for the child: this process's own, with `overrides` replacing or adding.
std::vector<std::string> ChildEnvironment(const std::vector<std::string>& overrides) {
  std::map<std::string, std::string> byName;
  std::vector<std::string> order;
  auto put = [&](const std::string& entry) {
    std::string name = entry.substr(0, entry.find('='));
    if (byName.find(name) == byName.end()) order.push_back(name);
    byName[name] = entry;
  };
  for (char** e = environ; e && *e; ++e) put(*e);
  for (const std::string& entry : overrides) put(entry);
  std::vector<std::string> result;
  result.reserve(order.size());
  for (const std::string& name : order) result.push_back(byName[name]);
  return result;
}

// Reads what is there without blocking; false at end of file or on an error.
bool Drain(int fd, std::string& into, std::size_t limit) {
  char buffer[16384];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0) {
      std::size_t room = into.size() < limit ? limit - into.size() : 0;
      into.append(buffer, std::min(room, static_cast<std::size_t>(n)));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
    return false;
  }
}

}  // namespace

ProgramResult RunProgram(const std::vector<std::string>& argv, const ProgramOptions& options) {
  ProgramResult result;
  if (argv.empty()) {
    result.startError = EINVAL;
    return result;
  }
  int outPipe[2];
  int errPipe[2];
  if (::pipe2(outPipe, O_CLOEXEC) != 0) {
    result.startError = errno;
    return result;
  }
  Fd outRead(outPipe[0]), outWrite(outPipe[1]);
  if (::pipe2(errPipe, O_CLOEXEC) != 0) {
    result.startError = errno;
    return result;
  }
  Fd errRead(errPipe[0]), errWrite(errPipe[1]);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, outWrite.get(), 1);
  posix_spawn_file_actions_adddup2(&actions, errWrite.get(), 2);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  std::vector<std::string> environment = ChildEnvironment(options.environment);
  std::vector<char*> env;
  for (const std::string& e : environment) env.push_back(const_cast<char*>(e.c_str()));
  env.push_back(nullptr);

  pid_t pid = -1;
  int rc = argv[0].find('/') == std::string::npos
               ? ::posix_spawnp(&pid, argv[0].c_str(), &actions, &attributes, args.data(), env.data())
               : ::posix_spawn(&pid, argv[0].c_str(), &actions, &attributes, args.data(), env.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  outWrite.Close();
  errWrite.Close();
  if (rc != 0) {
    result.startError = rc;
    return result;
  }
  result.started = true;
  ::fcntl(outRead.get(), F_SETFL, O_NONBLOCK);
  ::fcntl(errRead.get(), F_SETFL, O_NONBLOCK);

  const auto deadline = std::chrono::steady_clock::now() + options.timeLimit;
  bool outOpen = true, errOpen = true;
  int status = 0;
  for (;;) {
    pollfd fds[2];
    nfds_t count = 0;
    if (outOpen) fds[count++] = {outRead.get(), POLLIN, 0};
    if (errOpen) fds[count++] = {errRead.get(), POLLIN, 0};
    if (count > 0) {
      ::poll(fds, count, 50);
    } else {
      ::usleep(50'000);
    }
    if (outOpen) outOpen = Drain(outRead.get(), result.output, options.captureLimit);
    if (errOpen) errOpen = Drain(errRead.get(), result.errors, options.captureLimit);

    pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) {
      // The program has ended; take what its streams still hold without waiting for helpers
      // it may have left behind with the same pipes.
      if (outOpen) Drain(outRead.get(), result.output, options.captureLimit);
      if (errOpen) Drain(errRead.get(), result.errors, options.captureLimit);
      if (WIFEXITED(status)) result.exitStatus = WEXITSTATUS(status);
      return result;
    }
    if (done < 0 && errno != EINTR) return result;  // not our child any more: nothing to wait for
    if (std::chrono::steady_clock::now() >= deadline) {
      ::kill(-pid, SIGKILL);
      while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
      result.timedOut = true;
      return result;
    }
  }
}

}  // namespace folidex
