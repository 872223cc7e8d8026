#include "support/TestSupport.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "common/Cp932.h"
#include "common/FileSystem.h"

namespace folidex::test {

TempDir::TempDir() {
  const char* base = std::getenv("FOLIDEX_TEST_TMP");
  std::filesystem::path root = base && *base ? std::filesystem::path(base) : std::filesystem::temp_directory_path();
  std::filesystem::create_directories(root);
  std::string pattern = (root / "folidex-test-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

Answer ScriptedPrompter::Show(MessageKind kind, const std::string& text) {
  shown.push_back({kind, text});
  if (kind == MessageKind::Error || kind == MessageKind::Information) return Answer::Ok;
  if (answers.empty()) return fallback;
  Answer answer = answers.front();
  answers.pop_front();
  return answer;
}

std::vector<std::string> ScriptedPrompter::TextsUtf8() const {
  std::vector<std::string> texts;
  for (const auto& s : shown) texts.push_back(Cp932ToUtf8(s.text));
  return texts;
}

bool ScriptedPrompter::ShowedMessage(Msg id) const {
  const std::string& message = MessageText(id);
  for (const auto& s : shown) {
    if (s.text.size() >= message.size() && s.text.compare(s.text.size() - message.size(), message.size(), message) == 0)
      return true;
  }
  return false;
}

StoreFixture::StoreFixture() {
  store.SetLocation(NativePath(dir.path()));
  std::filesystem::create_directories(dir.path() + "/DOCDATA");
}

void StoreFixture::PutRecord(const std::string& serial, const IndexRecord& record) {
  store.WorkingRecord() = record;
  if (!store.WriteRecordFile(serial)) throw std::runtime_error("cannot write record " + serial);
}

std::string StoreFixture::ReadListFile(const std::string& name) const {
  std::string bytes;
  ReadFileBytes(ListFilePath(name), bytes);
  return bytes;
}

std::string J(const char* utf8) { return Utf8ToCp932(utf8); }

std::optional<std::uint64_t> WriteSystemCalls() {
  std::ifstream io("/proc/self/io");
  std::string key;
  std::uint64_t value = 0;
  while (io >> key >> value)
    if (key == "syscw:") return value;
  return std::nullopt;
}

bool FileModesBind() {
  static const bool binds = [] {
    TempDir dir;
    std::string probe = dir.File("probe");
    std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0) {
      ::close(fd);
      ::unlink(probe.c_str());
    }
    return fd < 0;
  }();
  return binds;
}

}  // namespace folidex::test
