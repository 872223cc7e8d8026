// An import killed outright (SIGKILL) at random moments, again and again, and then run to its
// end: the store must hold every document once, complete, findable and consistent.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <map>
#include <random>
#include <set>

#include "CliRunner.h"
#include "PdfBuilder.h"
#include "common/ByteText.h"
#include "common/FileSystem.h"
#include "common/Messages.h"
#include "store/Digest.h"
#include "store/RecordListing.h"
#include "store/Store.h"
#include "support/TestSupport.h"

using namespace folidex;
using namespace folidex::test;
namespace fs = std::filesystem;

namespace {

constexpr int kDocuments = 20;
constexpr int kKills = 5;

std::string CounterIn(const std::string& settingsFile) {
  std::string text;
  ReadFileBytes(settingsFile, text);
  const std::size_t at = text.find("No=");
  return at == std::string::npos ? "" : text.substr(at + 3, 8);
}

// Starts the import and kills it once it has stored `lines` more files and `delayMs` more
// milliseconds have passed: somewhere inside the next file, or between two. `killed` tells
// whether the kill ended it (it may have finished by itself).
void ImportKilledAfter(const std::vector<std::string>& args, int lines, int delayMs, bool& killed) {
  int out[2];
  ASSERT_EQ(pipe(out), 0);
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    dup2(out[1], STDOUT_FILENO);
    close(out[0]);
    close(out[1]);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDERR_FILENO);
    std::vector<char*> argv;
    const std::string program = CliPath();
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(out[1]);
  char c = 0;
  for (int seen = 0; seen < lines && read(out[0], &c, 1) == 1;) seen += c == '\n';
  const timespec delay{delayMs / 1000, (delayMs % 1000) * 1'000'000L};
  nanosleep(&delay, nullptr);
  kill(pid, SIGKILL);
  close(out[0]);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

}  // namespace

TEST(KillImport, KilledRunsAndARerunLeaveEveryDocumentOnceCompleteAndFound) {
  TempDir runtime, store, docs;
  setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
  fs::create_directories(store.path() + "/DOCDATA");
  const std::string settings =
      WriteSettingsFile(store.path(), "[KanSet]\nStorePath=" + store.path() + "\nOcr=0\nKakunin=0\nHitMax=3000\n");
  std::map<std::string, std::string> digestOf;  // file name -> SHA-256
  for (int k = 0; k < kDocuments; ++k) {
    PdfParts parts;
    parts.info = "/Title (Document " + std::to_string(k) + ")";
    parts.filler =
        "% filler " + std::string(static_cast<std::size_t>(k) * 4096 + 1, static_cast<char>('a' + k % 26)) + "\n";
    const std::string name = "doc" + std::to_string(100 + k) + ".pdf";
    digestOf[name] = FileDigestHexNative(WritePdf(docs.path(), name, BuildPdf(parts)));
  }
  const std::vector<std::string> import = {"--settings",        settings,   "import",   "--copy",
                                           "--skip-duplicates", "--no-ocr", docs.path()};

  std::random_device seedSource;
  const unsigned seed = seedSource();
  std::mt19937 random(seed);
  SCOPED_TRACE("seed " + std::to_string(seed));
  int killed = 0;
  for (int kill = 0; kill < kKills; ++kill) {
    bool ended = false;
    const int stored = static_cast<int>(ListRecordFiles(store.path() + "/DOCDATA/TXT").serials.size());
    const int lines = std::uniform_int_distribution<int>(0, std::max(0, (kDocuments - stored) / 3))(random);
    ImportKilledAfter(import, lines, std::uniform_int_distribution<int>(0, 40)(random), ended);
    killed += ended;
  }
  const std::size_t beforeRerun = ListRecordFiles(store.path() + "/DOCDATA/TXT").serials.size();
  std::cout << "kills " << killed << " of " << kKills << ", records before the rerun " << beforeRerun << std::endl;
  CliResult rerun = RunCli(import, 300);
  ASSERT_EQ(rerun.status, 0) << rerun.err;

  // The records, from the folders' listings.
  const std::string root = store.path() + "/DOCDATA";
  const RecordListing listing = ListRecordFiles(root + "/TXT");
  ASSERT_EQ(listing.serials.size(), static_cast<std::size_t>(kDocuments)) << rerun.err;
  const std::optional<long> counter = ParseSerialCounter(CounterIn(settings));
  ASSERT_TRUE(counter.has_value());
  std::string stored;
  if (ReadFileBytes(root + "/counter", stored)) {
    EXPECT_GT(ParseSerialCounter(stored).value_or(-1), listing.serials.back());
  }
  EXPECT_GT(*counter, listing.serials.back());  // the counter is past the highest record

  std::set<std::string> names;
  for (long serial : listing.serials) {
    const std::string s = FormatSerial(serial);
    std::string bytes;
    ASSERT_TRUE(ReadFileBytes(root + "/TXT/" + s.substr(6) + "/" + s + ".TXT", bytes));
    // Complete: seventeen lines, every one ended, each with its own tag.
    int lines = 0;
    for (std::size_t at = 0; (at = bytes.find("\r\n", at)) != std::string::npos; at += 2) ++lines;
    EXPECT_EQ(lines, kFieldCount) << s;
    EXPECT_TRUE(bytes.size() >= 2 && bytes.compare(bytes.size() - 2, 2, "\r\n") == 0) << s;
    IndexRecord record;
    ParseRecordFile(bytes, false, record);
    const std::string name = record[FieldTag::FN];
    EXPECT_TRUE(names.insert(name).second) << "stored twice: " << name;
    ASSERT_EQ(digestOf.count(name), 1u) << name;
    EXPECT_EQ(record[FieldTag::Y2], digestOf[name]) << s;
    EXPECT_EQ(record[FieldTag::TY], "I") << s;
    EXPECT_EQ(FileDigestHexNative(root + "/PDF/" + s.substr(6) + "/" + s + ".PDF"), record[FieldTag::Y2]) << s;
  }
  EXPECT_EQ(names.size(), static_cast<std::size_t>(kDocuments));

  // Every record is found by a search (no condition: every record).
  CliResult search = RunCli({"--settings", settings, "search", "--max", "1000"});
  ASSERT_EQ(search.status, 0) << search.err;
  std::set<long> found;
  for (std::size_t at = 0; at < search.out.size();) {
    const std::size_t end = search.out.find('\n', at);
    const std::string row = search.out.substr(at, end - at);
    const std::size_t tab = row.find('\t');
    found.insert(std::stol(row.substr(tab + 1, 8)));
    at = end == std::string::npos ? search.out.size() : end + 1;
  }
  EXPECT_EQ(found, std::set<long>(listing.serials.begin(), listing.serials.end()));

  // The store's own check finds nothing but leftovers of the killed runs: a PDF copy stored
  // just before its record, or a temporary file of a write cut short. The temporaries are
  // cleared by the next write into their folder; the check still lists them.
  CliResult check = RunCli({"--settings", settings, "check"});
  EXPECT_TRUE(check.status == 0 || check.status == 1) << check.err;
  const std::string leftover = MessageTextUtf8(Msg::CheckLeftover);
  std::size_t lines = 0;
  for (std::size_t at = 0; at < check.out.size(); ++lines) {
    const std::size_t end = check.out.find('\n', at);
    const std::string line = check.out.substr(at, end - at);
    if (lines > 0) {
      EXPECT_NE(line.find(leftover), std::string::npos) << line;
    }
    at = end == std::string::npos ? check.out.size() : end + 1;
  }
  EXPECT_EQ(check.status == 0, lines == 1) << check.out;
}
