#include "cli/Terminal.h"

#include <unistd.h>

#include <iostream>

#include "cli/Cli.h"
#include "common/ByteText.h"
#include "common/Cp932.h"

namespace folidex::cli {

namespace {

volatile std::sig_atomic_t interrupted = 0;

extern "C" void OnInterrupt(int) { interrupted = 1; }

}  // namespace

bool Interrupted() { return interrupted != 0; }

InterruptGuard::InterruptGuard() {
  interrupted = 0;
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, &oldInt);
  sigaction(SIGTERM, &action, &oldTerm);
  sigaction(SIGHUP, &action, &oldHup);
}

InterruptGuard::~InterruptGuard() {
  sigaction(SIGINT, &oldInt, nullptr);
  sigaction(SIGTERM, &oldTerm, nullptr);
  sigaction(SIGHUP, &oldHup, nullptr);
}

std::string Line(const std::string& cp932) { return Out(ReplaceAllCp932(cp932, "\n", " ")); }

Terminal::Terminal() : tty_(::isatty(STDERR_FILENO) == 1) {}

void Terminal::RecognitionStarted(int index, int count, int) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (tty_) Show(Out(RecognitionProgressText(index, count)));
}

void Terminal::File(std::size_t index, std::size_t count, const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  file_ = "[" + std::to_string(index) + "/" + std::to_string(count) + "] " + path;
  if (tty_) Show({});
}

void Terminal::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (tty_ && shown_) std::cerr << "\r\033[K" << std::flush;
  shown_ = false;
}

void Terminal::Show(const std::string& step) {
  std::cerr << "\r\033[K" << file_ << (step.empty() ? "" : "  ") << step << std::flush;
  shown_ = true;
}

}  // namespace folidex::cli
