#include "CliRunner.h"

#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

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

CliResult RunCli(const std::vector<std::string>& args) {
  TempDir capture;
  std::string outPath = capture.File("out"), errPath = capture.File("err");
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    freopen(outPath.c_str(), "w", stdout);
    freopen(errPath.c_str(), "w", stderr);
    std::vector<char*> argv;
    std::string program = FOLIDEX_CLI_PATH;
    argv.push_back(program.data());
    std::vector<std::string> copy = args;
    for (auto& a : copy) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  CliResult result;
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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
