// The change of storage location: the counter from the new location's records, and the
// refusal of a location that cannot hold a store.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "store/StoreLocation.h"
#include "support/TestSupport.h"

namespace folidex {
namespace {

class StoreChangeTest : public ::testing::Test {
 protected:
  test::TempDir current;
  test::TempDir other;
  MemorySettings settings;
  test::ScriptedPrompter prompter;
  test::RecordingProgress progress;
  Store store{settings, prompter};

  void SetUp() override {
    store.SetLocation(NativePath(current.path()));
    settings.SetPath(setting::StorePath, NativePath(current.path()));
    settings.SetText(setting::SerialCounter, "00000007");
  }
  static void Touch(const std::filesystem::path& file) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file) << "<PT>x\r\n";
  }
};

TEST_F(StoreChangeTest, AnExistingStoreSetsTheCounterAfterItsHighestRecord) {
  Touch(std::filesystem::path(other.path()) / "DOCDATA/TXT/00/00000000.TXT");
  Touch(std::filesystem::path(other.path()) / "DOCDATA/TXT/41/00000041.TXT");
  ASSERT_TRUE(ChangeStoreLocation(NativePath(other.path()), store, settings, prompter, progress));
  EXPECT_EQ(settings.GetText(setting::SerialCounter), "00000042");
  EXPECT_EQ(settings.GetPath(setting::StorePath), other.path());
  EXPECT_EQ(store.Location(), other.path());
  EXPECT_EQ(progress.maxWaitDepth, 1);  // the scan ran under the wait cursor
  EXPECT_EQ(progress.waitDepth, 0);
}

TEST_F(StoreChangeTest, AnEmptyFolderGetsDocdataAndCountsFromZero) {
  ASSERT_TRUE(ChangeStoreLocation(NativePath(other.path()), store, settings, prompter, progress));
  EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::path(other.path()) / "DOCDATA"));
  EXPECT_EQ(settings.GetText(setting::SerialCounter), "00000000");
  EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(StoreChangeTest, AFolderNameOutsideCp932IsTheFolderChosen) {
  // An existing 42-record store under a name with U+301C, and a fresh folder "café".
  const std::string wave = other.path() + "/資料〜2024";
  Touch(std::filesystem::path(wave) / "DOCDATA/TXT/41/00000041.TXT");
  ASSERT_TRUE(ChangeStoreLocation(NativePath(wave), store, settings, prompter, progress));
  EXPECT_EQ(settings.GetText(setting::SerialCounter), "00000042");  // the counter kept
  EXPECT_EQ(settings.GetPath(setting::StorePath), wave);
  EXPECT_EQ(store.RecordFilePath("00000041", kKindText), wave + "/DOCDATA/TXT/41/00000041.TXT");

  const std::string cafe = other.path() + "/café";
  std::filesystem::create_directories(cafe);
  ASSERT_TRUE(ChangeStoreLocation(NativePath(cafe), store, settings, prompter, progress));
  EXPECT_TRUE(std::filesystem::is_directory(cafe + "/DOCDATA"));
  EXPECT_EQ(store.Location(), cafe);
  EXPECT_EQ(settings.GetPath(setting::StorePath), cafe);
  // Nothing was created under another name ("資料～2024", "caf ").
  std::vector<std::string> entries;
  for (const auto& entry : std::filesystem::directory_iterator(other.path()))
    entries.push_back(entry.path().filename().string());
  std::sort(entries.begin(), entries.end());
  EXPECT_EQ(entries, (std::vector<std::string>{"café", "資料〜2024"}));
  EXPECT_TRUE(prompter.shown.empty());
}

// A folder that cannot be written is tested in readonly_test.cpp (it needs a user whom file
// modes stop).
TEST_F(StoreChangeTest, ARelativePathCanHoldNoStore) {
  EXPECT_FALSE(ChangeStoreLocation(NativePath("relative/folder"), store, settings, prompter, progress));
  EXPECT_TRUE(prompter.ShowedMessage(Msg::FilePathRequired));
  EXPECT_EQ(settings.GetPath(setting::StorePath), current.path());
  EXPECT_EQ(settings.GetText(setting::SerialCounter), "00000007");
}

}  // namespace
}  // namespace folidex
