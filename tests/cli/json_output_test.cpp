// --json output of search, record, list and dupes: every line a JSON object that a parser reads
// back to the stored values, whatever the values hold.

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <random>
#include <sstream>

#include "CliRunner.h"
#include "cli/Json.h"
#include "common/FileSystem.h"
#include "list/SavedLists.h"
#include "support/TestSupport.h"

using namespace folidex;
using namespace folidex::test;

namespace {

std::vector<QJsonObject> ParseLines(const std::string& out) {
  std::vector<QJsonObject> objects;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    QJsonParseError error;
    QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << line;
    EXPECT_TRUE(document.isObject()) << line;
    objects.push_back(document.object());
  }
  return objects;
}

std::string Text(const QJsonObject& object, const char* key) { return object.value(key).toString().toStdString(); }

}  // namespace

TEST(CliJson, ArbitraryBytesAlwaysGiveValidJsonStrings) {
  std::mt19937 random(7);
  for (int round = 0; round < 2000; ++round) {
    std::string bytes(random() % 24, '\0');
    for (char& c : bytes) c = static_cast<char>(random() % 4 == 0 ? random() % 0x20 : random() % 256);
    const std::string line = "{\"v\":" + cli::JsonQuote(bytes) + "}";
    QJsonParseError error;
    QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << line;
    // Valid UTF-8 comes back unchanged.
    if (QString::fromUtf8(bytes.data(), static_cast<int>(bytes.size())).toStdString() == bytes) {
      EXPECT_EQ(document.object().value("v").toString().toStdString(), bytes);
    }
  }
}

TEST(CliJson, SearchRecordListAndDupesReadBackByAParser) {
  StoreFixture f;
  IndexRecord r;
  const std::string title = "報告書 \"引用\" \\ 終";
  r[FieldTag::PT] = J(title.c_str());
  r[FieldTag::TY] = "O";
  r[FieldTag::FS] = "1234";
  r[FieldTag::Y2] = std::string(64, 'A');
  r[FieldTag::TX] = J("年次REPORT");
  f.PutRecord("00000000", r);
  f.PutRecord("00000001", r);
  const std::string settings =
      WriteSettingsFile(f.dir.path(), "[KanSet]\nKakunin=0\nStorePath=" + f.dir.path() + "\n[Sys]\nNo=00000002\n");

  CliResult search = RunCli({"--settings", settings, "search", "--json", "--body", "report"});
  ASSERT_EQ(search.status, 0) << search.err;
  std::vector<QJsonObject> rows = ParseLines(search.out);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(Text(rows[0], "serial"), "00000000");
  EXPECT_EQ(Text(rows[0], "PT"), title);
  EXPECT_EQ(Text(rows[0], "FS"), "1,234");  // as the list shows it
  EXPECT_EQ(Text(rows[1], "No"), "2");

  CliResult record = RunCli({"--settings", settings, "record", "1", "--json"});
  ASSERT_EQ(record.status, 0) << record.err;
  std::vector<QJsonObject> fields = ParseLines(record.out);
  ASSERT_EQ(fields.size(), 1u);
  EXPECT_EQ(Text(fields[0], "serial"), "00000001");
  EXPECT_EQ(Text(fields[0], "TX"), "年次REPORT");
  EXPECT_EQ(fields[0].size(), 18);

  ListRows::Cells cells{};
  cells[ColumnIndex(ListColumn::SerialNo)] = "00000001";
  cells[ColumnIndex(ListColumn::Title)] = J(title.c_str());
  const std::string listFile = f.dir.File("saved.list");
  ASSERT_TRUE(WriteFileAtomic(listFile, FormatListLine(cells) + FormatListLine(cells)));
  CliResult list = RunCli({"--settings", settings, "list", "--json", listFile});
  ASSERT_EQ(list.status, 0) << list.err;
  rows = ParseLines(list.out);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(Text(rows[1], "PT"), title);

  CliResult dupes = RunCli({"--settings", settings, "dupes", "--json", "--all"});
  ASSERT_EQ(dupes.status, 0) << dupes.err;
  std::vector<QJsonObject> members = ParseLines(dupes.out);
  ASSERT_EQ(members.size(), 2u);
  EXPECT_EQ(members[0].value("group").toInt(), 1);
  EXPECT_EQ(Text(members[1], "PT"), title);

  // Commands without JSON output refuse the flag as any unknown option.
  EXPECT_EQ(RunCli({"--settings", settings, "counter", "--json"}).status, 2);
}
