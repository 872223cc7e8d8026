#include "import/StoredDigest.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "common/ByteText.h"
#include "common/Cp932.h"

namespace folidex {
namespace {

// A record's lines before TX are a few kilobytes; more than this before TX is not a record head.
constexpr std::size_t kMostHeadBytes = 1u << 20;

// The bytes of a record file up to its TX line (or all of a shorter file); false when it cannot
// be read as a regular file.
bool ReadRecordHead(const std::string& path, std::string& head) {
  head.clear();
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat status {};
  bool ok = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
  char chunk[8192];
  while (ok && head.size() < kMostHeadBytes) {
    const ssize_t got = ::read(fd, chunk, sizeof chunk);
    if (got < 0) {
      ok = false;
      break;
    }
    if (got == 0) break;
    const std::size_t from = head.size() < 5 ? 0 : head.size() - 5;
    head.append(chunk, static_cast<std::size_t>(got));
    if (head.find("\n<TX>", from) != std::string::npos || head.starts_with("<TX>")) break;
  }
  ::close(fd);
  return ok;
}

}  // namespace

std::optional<StoredDocument> FindStoredDigest(Store& store, const std::string& digestHex) {
  if (digestHex.empty()) return std::nullopt;
  const std::optional<long> count = store.ReadSerialCount();
  if (!count) return std::nullopt;
  const std::string wanted = UpperCaseAsciiCp932(digestHex);
  std::string head;
  char serial[24];
  for (long n = 0; n < *count; ++n) {
    std::snprintf(serial, sizeof serial, "%08ld", n);
    const std::string path = store.RecordFilePath(serial, kKindText);
    if (path.empty()) return std::nullopt;
    if (!ReadRecordHead(path, head)) continue;
    IndexRecord record;
    ParseRecordFile(head, true, record);
    if (!record[FieldTag::Y2].empty() && UpperCaseAsciiCp932(record[FieldTag::Y2]) == wanted)
      return StoredDocument{serial, record[FieldTag::PT]};
  }
  return std::nullopt;
}

void CollectStoredDigests(Store& store, long from, long to, std::unordered_map<std::string, std::string>& digests) {
  std::string head;
  char serial[24];
  for (long n = from; n < to; ++n) {
    std::snprintf(serial, sizeof serial, "%08ld", n);
    const std::string path = store.RecordFilePath(serial, kKindText);
    if (path.empty()) return;
    if (!ReadRecordHead(path, head)) continue;
    IndexRecord record;
    ParseRecordFile(head, true, record);
    if (!record[FieldTag::Y2].empty()) digests.emplace(UpperCaseAsciiCp932(record[FieldTag::Y2]), serial);
  }
}

bool ConfirmDuplicateImport(Prompter& prompter, const StoredDocument& stored) {
  // この文書は既に登録されています / シリアル番号 00000005「題名」 / 同じ文書をもう一件登録しますか
  const std::string text = MessageText(Msg::DuplicateDocument) + "\n" + MessageText(Msg::DuplicateSerialLabel) +
                           stored.serial + Utf8ToCp932("「") + stored.title + Utf8ToCp932("」") + "\n\n" +
                           MessageText(Msg::DuplicateImportQuestion);
  return prompter.Show(MessageKind::YesNoSafe, text) == Answer::Yes;
}

}  // namespace folidex
