#pragma once
// Runs another program and waits for it, for the outside programs the core drives (the word
// processor's converter) and for tests that read what they made. No shell is involved: the
// program gets exactly the argument vector given. It runs in a process group of its own, its
// standard input is /dev/null, its standard output and error are captured, and it is killed
// with its whole group when it runs past the time limit.

#include <chrono>
#include <string>
#include <vector>

namespace folidex {

struct ProgramResult {
  bool started = false;  // false: the program could not be started (startError holds errno)
  int startError = 0;
  bool timedOut = false;  // killed after the time limit
  int exitStatus = -1;    // the exit code when the program ended by itself, else -1
  std::string output;     // standard output (at most the capture limit, then cut)
  std::string errors;     // standard error (likewise)

  bool Succeeded() const { return started && !timedOut && exitStatus == 0; }
};

struct ProgramOptions {
  std::chrono::milliseconds timeLimit{std::chrono::minutes(2)};
  std::size_t captureLimit = 64u << 20;  // bytes kept of each stream
  std::vector<std::string> environment;  // "NAME=value" entries set on top of this process's own
};

// Runs argv[0] (looked up in PATH when it holds no "/") with argv as its arguments.
ProgramResult RunProgram(const std::vector<std::string>& argv, const ProgramOptions& options = {});

}  // namespace folidex
