#include "CliRunner.h"

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "support/TestSupport.h"

namespace folidex::test {

namespace {
std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}
}  // namespace

std::string CliPath() { return FOLIDEX_CLI_PATH; }

CliResult RunCli(const std::vector<std::string>& args, int limitSeconds) {
  TempDir capture;
  std::string outPath = capture.File("out"), errPath = capture.File("err");
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    freopen("/dev/null", "r", stdin);
    freopen(outPath.c_str(), "w", stdout);
    freopen(errPath.c_str(), "w", stderr);
    std::vector<char*> argv;
    std::string program = CliPath();
    argv.push_back(program.data());
    std::vector<std::string> copy = args;
    for (auto& a : copy) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  CliResult result;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(limitSeconds);
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() >= deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      result.timedOut = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  result.status = !result.timedOut && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.out = ReadAll(outPath);
  result.err = ReadAll(errPath);
  return result;
}

std::string WriteSettingsFile(const std::string& folder, const std::string& iniText) {
  std::string path = folder + "/Folidex.conf";
  std::ofstream(path, std::ios::binary) << iniText;
  return path;
}

}  // namespace folidex::test
