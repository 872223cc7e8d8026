// Changing an existing record file: only the lines of the changed fields, every other byte kept,
// atomically; and the readers' handling of odd files (FIFOs, oversize files).

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "common/FileSystem.h"
#include "store/Store.h"
#include "support/TestSupport.h"

using namespace folidex;
using folidex::test::J;
using folidex::test::StoreFixture;

namespace {

std::string Slurp(const std::string& path) {
  std::string bytes;
  EXPECT_TRUE(ReadFileBytes(path, bytes)) << path;
  return bytes;
}

void Spit(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

// Seventeen "<TAG>value" lines with the given line end; Y2 empty.
std::string Lines(const std::string& end, const std::string& title = "T") {
  IndexRecord r;
  r[FieldTag::PT] = title;
  r[FieldTag::TX] = "BODY";
  std::string bytes;
  for (int k = 0; k < kFieldCount; ++k) bytes += "<" + std::string(kFieldTagNames[k]) + ">" + r.fields[k] + end;
  return bytes;
}

struct PatchFixture : StoreFixture {
  std::string Path(const std::string& serial) {
    return dir.path() + "/DOCDATA/TXT/" + serial.substr(6) + "/" + serial + ".TXT";
  }
  PatchStatus Patch(const std::string& serial, FieldTag tag, const std::string& value) {
    return store.PatchRecordFile(serial, {{tag, value}});
  }
};

const std::string kDigest(64, 'A');

}  // namespace

TEST(PatchRecordFile, ChangesOnlyTheFieldsLineAndKeepsEveryOtherByte) {
  PatchFixture f;
  // A byte-order mark before the first line (the reader does not take it for PT), LF line ends,
  // the continuation of a title that held a line break, and lines after the seventeenth.
  std::string bom = "\xEF\xBB\xBF" + Lines("\n", "first\nsecond line") + "<FP>after\nfree text\n";
  Spit(f.Path("00000001"), bom);
  ASSERT_EQ(f.Patch("00000001", FieldTag::Y2, kDigest), PatchStatus::Patched);
  std::string expected = bom;
  expected.replace(expected.find("<Y2>\n"), 5, "<Y2>" + kDigest + "\n");
  EXPECT_EQ(Slurp(f.Path("00000001")), expected);

  // CR LF ends stay CR LF; a last line without a line end stays without one.
  std::string crlf = Lines("\r\n");
  crlf.resize(crlf.size() - 2);
  Spit(f.Path("00000002"), crlf);
  ASSERT_EQ(f.store.PatchRecordFile("00000002", {{FieldTag::TX, "NEW"}, {FieldTag::PK, J("会議")}}),
            PatchStatus::Patched);
  std::string want = crlf;
  want.replace(want.find("<PK>\r\n"), 6, "<PK>" + J("会議") + "\r\n");
  want.replace(want.find("<TX>BODY"), 8, "<TX>NEW");
  EXPECT_EQ(Slurp(f.Path("00000002")), want);
  ASSERT_TRUE(f.store.ReadRecordFile("00000002", false));
  EXPECT_EQ(f.store.WorkingRecord()[FieldTag::PK], J("会議"));

  // A line break in the new value becomes a space: the field stays one line.
  ASSERT_EQ(f.Patch("00000002", FieldTag::PA, "a\r\nb\nc"), PatchStatus::Patched);
  ASSERT_TRUE(f.store.ReadRecordFile("00000002", false));
  EXPECT_EQ(f.store.WorkingRecord()[FieldTag::PA], "a  b c");
  EXPECT_EQ(f.store.WorkingRecord()[FieldTag::TX], "NEW");

  // Every line the reader takes for the field is changed, so both reading modes agree.
  Spit(f.Path("00000003"), Lines("\r\n") + "xFPylate\r\n");
  ASSERT_EQ(f.Patch("00000003", FieldTag::FP, "new"), PatchStatus::Patched);
  EXPECT_EQ(Slurp(f.Path("00000003")), Lines("\r\n").replace(Lines("\r\n").find("<FP>"), 4, "<FP>new") + "<FP>new\r\n");
  EXPECT_TRUE(f.prompter.shown.empty());
}

TEST(PatchRecordFile, LeavesTheFileAsItIsWhenItCannotBePatched) {
  PatchFixture f;
  // No Y2 line: nothing is appended.
  std::string noY2 = Lines("\r\n");
  noY2.erase(noY2.find("<Y2>\r\n"), 6);
  noY2 += "<XX>padding\r\n";
  Spit(f.Path("00000001"), noY2);
  EXPECT_EQ(f.Patch("00000001", FieldTag::Y2, kDigest), PatchStatus::NoFieldLine);
  EXPECT_EQ(Slurp(f.Path("00000001")), noY2);

  // Sixteen lines are not a complete record.
  std::string sixteen = Lines("\r\n");
  sixteen.resize(sixteen.rfind("<TX>"));
  Spit(f.Path("00000002"), sixteen);
  EXPECT_EQ(f.Patch("00000002", FieldTag::Y2, kDigest), PatchStatus::Incomplete);
  EXPECT_EQ(Slurp(f.Path("00000002")), sixteen);

  EXPECT_EQ(f.Patch("00000003", FieldTag::Y2, kDigest), PatchStatus::Unreadable);  // missing
  EXPECT_FALSE(PathExists(f.Path("00000003")));
  EXPECT_EQ(f.Patch("12x", FieldTag::Y2, kDigest), PatchStatus::Unreadable);
  f.store.SetLocation(NativePath(""));
  EXPECT_EQ(f.Patch("00000001", FieldTag::Y2, kDigest), PatchStatus::NoLocation);
  EXPECT_TRUE(f.prompter.shown.empty());

  f.store.SetLocation(NativePath(f.dir.path()));
  f.store.ReportPatchFailure("00000002", PatchStatus::Incomplete);
  f.store.ReportPatchFailure("00000003", PatchStatus::Unreadable);
  ASSERT_EQ(f.prompter.shown.size(), 2u);
  EXPECT_EQ(f.prompter.shown[0].text, f.Path("00000002") + "\n" + MessageText(Msg::IndexFileDamaged));
  EXPECT_EQ(f.prompter.shown[1].text, f.Path("00000003") + "\n" + MessageText(Msg::FileOpenFailed));
}

TEST(PatchRecordFile, OddFilesAreRefusedWithoutWaiting) {
  PatchFixture f;
  // A FIFO in place of a record file: no reader waits for a writer that never comes.
  std::filesystem::create_directories(f.dir.path() + "/DOCDATA/TXT/01");
  ASSERT_EQ(mkfifo(f.Path("00000001").c_str(), 0644), 0);
  EXPECT_EQ(f.Patch("00000001", FieldTag::Y2, kDigest), PatchStatus::Unreadable);
  f.store.WorkingRecord()[FieldTag::PT] = "kept";
  EXPECT_FALSE(f.store.ReadRecordFile("00000001", true));
  EXPECT_EQ(f.store.WorkingRecord()[FieldTag::PT], "kept");
  EXPECT_TRUE(f.prompter.shown.empty());  // treated as unreadable

  // An oversize file (sparse: no disk space needed) is that record's failure, with its message.
  std::filesystem::create_directories(f.dir.path() + "/DOCDATA/TXT/02");
  std::ofstream(f.Path("00000002")) << "<PT>big\r\n";
  std::filesystem::resize_file(f.Path("00000002"), kMaxRecordFileSize + 1);
  EXPECT_EQ(f.Patch("00000002", FieldTag::Y2, kDigest), PatchStatus::Oversize);
  EXPECT_FALSE(f.store.ReadRecordFile("00000002", true));
  ASSERT_EQ(f.prompter.shown.size(), 1u);
  EXPECT_EQ(f.prompter.shown[0].text, f.Path("00000002") + "\n" + MessageText(Msg::RecordFileOversize));
  EXPECT_EQ(std::filesystem::file_size(f.Path("00000002")), kMaxRecordFileSize + 1);
}

TEST(AtomicRewrite, KeepsThePermissionBitsAndTheOwnerOfTheReplacedFile) {
  PatchFixture f;
  Spit(f.Path("00000001"), Lines("\r\n"));
  ASSERT_EQ(chmod(f.Path("00000001").c_str(), 0600), 0);
  ASSERT_EQ(f.Patch("00000001", FieldTag::Y2, kDigest), PatchStatus::Patched);
  struct stat st;
  ASSERT_EQ(stat(f.Path("00000001").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);

  ASSERT_EQ(chmod(f.Path("00000001").c_str(), 0640), 0);
  const bool root = geteuid() == 0;
  if (root) {
    ASSERT_EQ(chown(f.Path("00000001").c_str(), 65534, 65534), 0);  // the owner, where the process may
  }
  ASSERT_EQ(f.Patch("00000001", FieldTag::Y2, std::string(64, 'B')), PatchStatus::Patched);
  ASSERT_EQ(stat(f.Path("00000001").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  if (root) {
    EXPECT_EQ(st.st_uid, 65534u);
  }
}

TEST(AtomicRewrite, RemovesStaleTemporaryFilesOfItsOwnPatternOnly) {
  PatchFixture f;
  const std::string folder = f.dir.path() + "/DOCDATA/TXT/01";
  Spit(f.Path("00000001"), Lines("\r\n"));
  const std::string stale = folder + "/00000001.TXT.tmp0123abcd";
  const std::string fresh = folder + "/00000101.TXT.tmp89abcdef";
  const std::vector<std::string> foreign = {folder + "/notes.tmp", folder + "/x.tmp0123ABCD", folder + "/x.tmp0123abc",
                                            folder + "/old.txt"};
  for (const std::string& path : foreign) Spit(path, "keep");
  Spit(stale, "half");
  Spit(fresh, "being written");
  // Everything but the fresh one two minutes old.
  const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::minutes(2);
  for (const std::string& path : foreign) std::filesystem::last_write_time(path, old);
  std::filesystem::last_write_time(stale, old);
  ASSERT_EQ(symlink("/nowhere", (folder + "/link.TXT.tmp00000000").c_str()), 0);

  ASSERT_EQ(f.Patch("00000001", FieldTag::Y2, kDigest), PatchStatus::Patched);
  EXPECT_FALSE(PathExists(stale));
  // A fresh one goes too: under the writer's lock no other writer can be writing it.
  EXPECT_FALSE(PathExists(fresh));
  for (const std::string& path : foreign) EXPECT_TRUE(PathExists(path)) << path;
  EXPECT_TRUE(std::filesystem::is_symlink(folder + "/link.TXT.tmp00000000"));
}
