// folidex-cli check on stores made by hand, one fault of each kind.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "CliRunner.h"
#include "common/ByteText.h"
#include "common/Cp932.h"
#include "common/FileSystem.h"
#include "common/Messages.h"
#include "store/Digest.h"
#include "store/Store.h"
#include "support/TestSupport.h"

using namespace folidex;
using namespace folidex::test;
namespace fs = std::filesystem;

namespace {

struct CheckStoreFixture {
  TempDir dir;
  std::string root = dir.path() + "/DOCDATA";
  std::string settings;

  explicit CheckStoreFixture(const std::string& counter) {
    fs::create_directories(root);
    settings = WriteSettingsFile(dir.path(), "[KanSet]\nStorePath=" + dir.path() + "\n[Sys]\nNo=" + counter + "\n");
  }
  std::string Txt(long serial) {
    const std::string s = FormatSerial(serial);
    return root + "/TXT/" + s.substr(6) + "/" + s + ".TXT";
  }
  std::string Pdf(long serial) {
    const std::string s = FormatSerial(serial);
    return root + "/PDF/" + s.substr(6) + "/" + s + ".PDF";
  }
  void Write(const std::string& path, const std::string& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
  }
  // A record with a PDF copy of `pdf` (kind "I"); its Y2 is the copy's digest unless given.
  void Put(long serial, const std::string& pdf, std::string y2 = "") {
    Write(Pdf(serial), pdf);
    IndexRecord record;
    record[FieldTag::PT] = "T";
    record[FieldTag::TY] = "I";
    record[FieldTag::Y2] = y2.empty() ? FileDigestHexNative(Pdf(serial)) : y2;
    Write(Txt(serial), FormatRecordFile(record));
  }
  CliResult Check() { return RunCli({"--settings", settings, "check"}); }
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = text.find('\n', at);
    lines.push_back(text.substr(at, end - at));
    at = end == std::string::npos ? text.size() : end + 1;
  }
  return lines;
}

std::string Summary(long records, long copies, long problems, long temporaries, long groups) {
  std::string text = MessageTextUtf8(Msg::CheckSummary);
  const long counts[] = {records, copies, problems, temporaries, groups};
  for (int k = 0; k < 5; ++k)
    text = Cp932ToUtf8(ReplaceAllCp932(Utf8ToCp932(text), "%" + std::to_string(k + 1), std::to_string(counts[k])));
  return text;
}

std::string Filled(Msg id, const std::vector<std::string>& values) {
  std::string text = MessageText(id);
  for (std::size_t k = 0; k < values.size(); ++k) text = ReplaceAllCp932(text, "%" + std::to_string(k + 1), values[k]);
  return Cp932ToUtf8(text);
}

// Every file below a folder with its bytes: what a reader must leave as it was.
std::map<std::string, std::string> Snapshot(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    std::string bytes;
    ReadFileBytes(entry.path().string(), bytes);
    files[entry.path().string()] = bytes;
  }
  return files;
}

}  // namespace

TEST(CliCheck, ACleanStoreHasNoProblemAndDuplicatesAreOnlyInformation) {
  CheckStoreFixture f("00000003");
  f.Put(0, "%PDF-1.4 a");
  f.Put(1, "%PDF-1.4 b");
  f.Put(2, "%PDF-1.4 a");  // the same document twice: a group, not a problem
  CliResult run = f.Check();
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_EQ(run.out, Summary(3, 3, 0, 0, 1) + "\n");
}

TEST(CliCheck, EachFaultIsOneLineNamingItsFileAndTheCheckWritesNothing) {
  CheckStoreFixture f("00000006");
  f.Put(0, "%PDF-1.4 fine");
  f.Write(f.Txt(1), "<PT>short\r\n<PA>\r\n");  // incomplete
  {
    IndexRecord record;
    record[FieldTag::TY] = "O";
    std::string bytes = FormatRecordFile(record);
    bytes.replace(bytes.find("<FN>") + 4, 0, "a\r\nb");  // a name that held a line break
    f.Write(f.Txt(2), bytes);
  }
  f.Put(3, "%PDF-1.4 three", std::string(64, 'A'));  // the copy is not what Y2 says
  f.Put(4, "%PDF-1.4 four");
  const std::string y2Four = FileDigestHexNative(f.Pdf(4));
  fs::remove(f.Pdf(4));                        // kind "I" without its copy
  f.Write(f.Pdf(5), "%PDF-1.4 orphan");        // a copy without a record
  f.Put(8, "%PDF-1.4 eight");                  // past the counter: never searched
  f.Write(f.Txt(0) + ".tmp0123abcd", "half");  // a write cut short
  f.Write(f.root + "/index", "1111010");       // serial 4 marked gone, yet its file is there
  f.Write(f.root + "/counter", "00000007");
  fs::create_directories(f.dir.path() + "/elsewhere");
  fs::create_directory_symlink(f.dir.path() + "/elsewhere", f.root + "/PDF/09");

  const auto before = Snapshot(f.dir.path());
  CliResult run = f.Check();
  EXPECT_EQ(Snapshot(f.dir.path()), before);
  EXPECT_EQ(run.status, 1) << run.err;
  const std::vector<std::string> lines = Lines(run.out);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], Summary(6, 4, 10, 1, 0));
  const std::string range = "00000006";  // N: the greater of Sys/No and DOCDATA/counter, 7
  const std::set<std::string> expected = {
      f.root + "/PDF/09: " + MessageTextUtf8(Msg::NotARegularFile),
      f.root + "/counter: " + Filled(Msg::CheckCounterBehind, {"00000007", "00000008"}),
      f.Txt(1) + ": " +
          Filled(Msg::CheckRecordMalformed, {"2", "<PS><PK><PC><PM><TY><FN><FS><TS><FC><FA><FP><FG><Y1><Y2><TX>", "-"}),
      f.Txt(2) + ": " + Filled(Msg::CheckRecordMalformed, {"18", "-", "<FN>"}),
      f.Pdf(3) + ": " + Filled(Msg::CheckCopyMismatch, {std::string(64, 'A'), FileDigestHexNative(f.Pdf(3))}),
      f.Txt(4) + ": " + Filled(Msg::CheckNotSearched, {range, "0"}),
      f.Pdf(4) + ": " + Filled(Msg::CheckCopyMismatch, {y2Four, "-"}),
      f.Txt(8) + ": " + Filled(Msg::CheckNotSearched, {range, "-"}),
      f.Pdf(5) + ": " + MessageTextUtf8(Msg::CheckLeftover),
      f.Txt(0) + ".tmp0123abcd: " + MessageTextUtf8(Msg::CheckLeftover),
  };
  std::set<std::string> shown(lines.begin() + 1, lines.end());
  EXPECT_EQ(shown, expected) << run.out;
}

TEST(CliCheck, NoStoreIsAUsageFailure) {
  TempDir dir;
  const std::string settings = WriteSettingsFile(dir.path(), "[KanSet]\nStorePath=" + dir.path() + "/none\n");
  CliResult run = RunCli({"--settings", settings, "check"});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find(MessageTextUtf8(Msg::StoreFolderMissing)), std::string::npos) << run.err;
  EXPECT_EQ(RunCli({"--settings", settings, "check", "extra"}).status, 2);
}
