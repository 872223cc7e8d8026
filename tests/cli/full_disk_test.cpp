// An import onto a full disk: a store on a small tmpfs (mounting needs root; skipped otherwise).
// The file that does not fit is reported as a full disk, naming the path, and leaves neither a
// copy nor a record behind; the store stays consistent.

#include <gtest/gtest.h>
#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "CliRunner.h"
#include "PdfBuilder.h"
#include "common/FileSystem.h"
#include "common/Messages.h"
#include "support/TestSupport.h"

using namespace folidex;
using namespace folidex::test;

namespace {

// A tmpfs of `kilobytes` at `folder`, unmounted when the object goes.
struct SmallDisk {
  std::string folder;
  bool mounted = false;
  std::string why;
  SmallDisk(const std::string& at, int kilobytes) : folder(at) {
    EnsureFolders(folder);
    const std::string options = "size=" + std::to_string(kilobytes) + "k";
    mounted = ::mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) == 0;
    if (!mounted) why = std::strerror(errno);
  }
  ~SmallDisk() {
    if (mounted) ::umount2(folder.c_str(), MNT_DETACH);
  }
};

}  // namespace

TEST(CliImportFullDisk, AFileThatDoesNotFitIsReportedAndLeavesNothingBehind) {
  TempDir dir;
  SmallDisk disk(dir.File("disk"), 512);
  if (!disk.mounted) GTEST_SKIP() << "cannot mount a tmpfs here (" << disk.why << "): needs root";
  const std::string store = disk.folder + "/store";
  const std::string settings = WriteSettingsFile(dir.path(), "[KanSet]\nStorePath=" + store + "\nOcr=0\n");
  ASSERT_EQ(RunCli({"--settings", settings, "init", store}).status, 0);

  const std::string small = WritePdf(dir.path(), "small.pdf", BuildPdf({"/Title (Small)", {}, {}, {}}));
  const std::string large =
      WritePdf(dir.path(), "large.pdf", BuildPdf({"/Title (Large)", {}, {}, std::string(700 * 1024, 'x')}));
  CliResult result = RunCli({"--settings", settings, "import", "--copy", small, large});
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.out.find("Small"), std::string::npos) << result.err;
  EXPECT_EQ(result.out.find("Large"), std::string::npos);
  // Named, and said to be a full disk, not a failure to open.
  EXPECT_NE(result.err.find(MessageTextUtf8(Msg::DiskFull)), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("large.pdf"), std::string::npos) << result.err;

  // One record with its copy; no copy, record or temporary of the large one.
  CliResult check = RunCli({"--settings", settings, "check"});
  EXPECT_EQ(check.status, 0) << check.out << check.err;
  int files = 0;
  for (const char* kind : {"TXT", "PDF"})
    for (int n = 0; n < 100; ++n) {
      char sub[3];
      std::snprintf(sub, sizeof sub, "%02d", n);
      files += static_cast<int>(ListFiles(store + "/DOCDATA/" + kind + "/" + sub).size());
    }
  EXPECT_EQ(files, 2);
}
