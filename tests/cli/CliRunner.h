#pragma once
// Runs folidex-cli as a user would and captures what it prints.

#include <string>
#include <vector>

namespace folidex::test {

struct CliResult {
  int status = -1;        // the exit status; -1 when the program did not exit by itself
  bool timedOut = false;  // killed after the time limit
  std::string out;        // stdout (UTF-8)
  std::string err;        // stderr (UTF-8)
};

// Runs the program built beside the tests with these arguments (no shell involved), its input
// empty. A run that takes longer than `limitSeconds` is killed: a hang fails the test instead
// of stopping the suite.
CliResult RunCli(const std::vector<std::string>& args, int limitSeconds = 60);

// The program's path, for tests that run it themselves.
std::string CliPath();

// Writes a settings file in the desktop program's format; returns its path.
std::string WriteSettingsFile(const std::string& folder, const std::string& iniText);

}  // namespace folidex::test
