// folidex-cli import's reading and storing of files: the copy in the store and the record's
// digest are those of the bytes read, for files held in memory and files streamed alike.

#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "common/FileSystem.h"
#include "common/SettingsTable.h"
#include "import/BulkImport.h"
#include "store/Digest.h"
#include "support/FakePdf.h"
#include "support/TestSupport.h"

namespace folidex {
namespace {

// An engine that runs `onText` while it reads a page: a file changed while it is imported.
class TouchingPdf : public test::FakePdf {
 public:
  std::function<void(const std::string& path)> onText;
  std::u16string PageText(int page) override {
    if (onText) onText(opened.back());
    return FakePdf::PageText(page);
  }
};

class Quiet : public DocumentTextMonitor {
  bool Cancelled() override { return false; }
};

class BulkImportBytes : public ::testing::Test {
 protected:
  test::StoreFixture fx;
  test::TempDir sources;
  const SystemClock clock;
  Quiet monitor;
  TouchingPdf engine, second;
  BulkImportOptions options;

  BulkImportBytes() {
    options.recognise = false;
    options.heldFileBytes = 4096;
    for (TouchingPdf* pdf : {&engine, &second}) pdf->texts = {u"本文"};
  }
  // `size` bytes, zero bytes among them, after a PDF header.
  std::string Write(const std::string& name, std::size_t size, unsigned seed) {
    std::string bytes = "%PDF-1.4\n";
    std::mt19937 random(seed);
    while (bytes.size() < size) bytes.push_back(static_cast<char>(random() % 4 == 0 ? 0 : random()));
    bytes.resize(size);
    EXPECT_TRUE(WriteFileAtomic(sources.File(name), bytes));
    return bytes;
  }
  std::string Stored(const std::string& serial) {
    std::string bytes;
    if (!ReadFileBytes(fx.store.RecordFilePath(serial, kKindPdf), bytes)) return "(none)";
    return bytes;
  }
};

TEST_F(BulkImportBytes, EveryCopyAndDigestAreTheSourcesBytesHeldInMemoryOrStreamed) {
  EXPECT_EQ(DigestHex("abc"), "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD");
  // Around the size held in memory and the copy's block size, and several blocks.
  const std::vector<std::size_t> sizes = {9, 4095, 4096, 4097, 65536, 65537, 300001};
  std::vector<std::string> bytes;
  std::vector<NativePath> files;
  for (std::size_t k = 0; k < sizes.size(); ++k) {
    const std::string name = "f" + std::to_string(k) + ".pdf";
    bytes.push_back(Write(name, sizes[k], static_cast<unsigned>(k)));
    files.emplace_back(sources.File(name));
  }
  BulkImporter importer(fx.store, clock, engine, nullptr, options, monitor);
  ASSERT_TRUE(importer.Prepare());
  std::vector<std::string> serials;
  importer.ImportFiles(files, {&engine, &second}, [&](std::size_t k, const FileReport& report) {
    EXPECT_EQ(report.outcome, FileOutcome::Stored) << k << ": " << report.note;
    serials.push_back(report.serial);
    return true;
  });
  ASSERT_EQ(serials.size(), sizes.size());
  for (std::size_t k = 0; k < sizes.size(); ++k) {
    SCOPED_TRACE(sizes[k]);
    EXPECT_EQ(serials[k], "0000000" + std::to_string(k));  // in the files' order
    EXPECT_TRUE(Stored(serials[k]) == bytes[k]);
    ASSERT_TRUE(fx.store.ReadRecordFile(serials[k], false));
    const IndexRecord& record = fx.store.WorkingRecord();
    EXPECT_EQ(record[FieldTag::Y2], FileDigestHexNative(files[k].str()));
    EXPECT_EQ(record[FieldTag::FS], std::to_string(sizes[k]));
    EXPECT_EQ(record[FieldTag::TX], test::J("本文"));
  }
}

TEST_F(BulkImportBytes, AFileChangedWhileItIsReadIsStoredAsReadOrNotAtAll) {
  const std::string small = Write("a-small.pdf", 1000, 1);
  Write("b-large.pdf", 10000, 2);
  const std::string after = Write("c-after.pdf", 500, 3);
  engine.onText = [](const std::string& path) {
    if (path.find("after") != std::string::npos) return;
    std::string bytes;
    ASSERT_TRUE(ReadFileBytes(path, bytes));
    ASSERT_TRUE(WriteFileAtomic(path, bytes + "changed"));
  };
  BulkImporter importer(fx.store, clock, engine, nullptr, options, monitor);
  ASSERT_TRUE(importer.Prepare());

  // Held in memory: the copy is the bytes read, and the digest theirs.
  const FileReport held = importer.ImportFile(NativePath(sources.File("a-small.pdf")));
  ASSERT_EQ(held.outcome, FileOutcome::Stored) << held.note;
  EXPECT_TRUE(Stored(held.serial) == small);
  ASSERT_TRUE(fx.store.ReadRecordFile(held.serial, false));
  EXPECT_EQ(fx.store.WorkingRecord()[FieldTag::Y2], DigestHex(small));

  // Streamed: the bytes copied are not the ones digested, so nothing of it stays.
  const FileReport streamed = importer.ImportFile(NativePath(sources.File("b-large.pdf")));
  EXPECT_EQ(streamed.outcome, FileOutcome::Failed);
  EXPECT_EQ(streamed.note, MessageText(Msg::ImportSourceChanged));
  EXPECT_EQ(Stored("00000001"), "(none)");
  EXPECT_FALSE(fx.store.ReadRecordFile("00000001", false));
  EXPECT_EQ(ListFiles(fx.dir.path() + "/DOCDATA/PDF/01").size(), 0u);  // no temporary either

  const FileReport next = importer.ImportFile(NativePath(sources.File("c-after.pdf")));
  ASSERT_EQ(next.outcome, FileOutcome::Stored) << next.note;
  EXPECT_TRUE(Stored(next.serial) == after);
}

// Settings that note the serial counter each time they are synced.
class SyncNoting : public MemorySettings {
 public:
  std::vector<std::string> synced;
  bool Sync() override {
    synced.push_back(GetText(setting::SerialCounter));
    return MemorySettings::Sync();
  }
};

TEST_F(BulkImportBytes, ARunSyncsTheSettingsAtItsFirstSerialAndAfterItsLast) {
  SyncNoting settings;
  test::ScriptedPrompter prompter;
  Store store(settings, prompter);
  store.SetLocation(NativePath(fx.dir.path()));
  std::vector<NativePath> files;
  for (int k = 0; k < 5; ++k) {
    Write("s" + std::to_string(k) + ".pdf", 100, static_cast<unsigned>(k));
    files.emplace_back(sources.File("s" + std::to_string(k) + ".pdf"));
  }
  BulkImporter importer(store, clock, engine, nullptr, options, monitor);
  ASSERT_TRUE(importer.Prepare());
  int stored = 0;
  importer.ImportFiles(files, {&engine, &second}, [&](std::size_t, const FileReport& report) {
    stored += report.outcome == FileOutcome::Stored;
    return true;
  });
  EXPECT_EQ(stored, 5);
  ASSERT_FALSE(settings.synced.empty());
  EXPECT_EQ(settings.synced.front(), "00000001");  // a settings file that cannot be saved stops the first
  EXPECT_EQ(settings.synced.back(), "00000005");
  std::string counter;
  ASSERT_TRUE(ReadFileBytes(fx.dir.path() + "/DOCDATA/counter", counter));
  EXPECT_EQ(counter, "00000005");
}

}  // namespace
}  // namespace folidex
