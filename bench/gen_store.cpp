// gen_store: writes a synthetic store for the search benchmark.
//
//   gen_store --out DIR --records N [--mean-body BYTES] [--seed S]
//             [--plant TERM] [--plant-ja TERM] [--plant-title TERM] [--per-mille K]
//
// DIR/DOCDATA/TXT/nn/ssssssss.TXT for serials 0..N-1 in the record-file format (CP932,
// seventeen tagged lines, CR LF), with mixed Japanese and ASCII body text in its stored
// (normalised) form, body sizes spread evenly between a quarter and seven quarters of the mean.
// The body terms (default QZXJWV, and the Japanese 量子暗号 beside it) are planted into the body of
// about K per mille of the records (default 2), the title term (default QZTITLE) into the title of another such set;
// the serials of each set are written to DIR/planted-body.txt and DIR/planted-title.txt, one a line. Terms are UTF-8 on
// the command line. No term may occur in the generated vocabulary.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "common/ByteText.h"
#include "common/Cp932.h"
#include "common/Normalize.h"
#include "store/Record.h"
#include "store/Store.h"

namespace {

using folidex::Utf8ToCp932;

const char* const kJapaneseWords[] = {"報告書",
                                      "調査",
                                      "結果",
                                      "について",
                                      "の",
                                      "は",
                                      "が",
                                      "を",
                                      "に",
                                      "と",
                                      "で",
                                      "から",
                                      "まで",
                                      "より",
                                      "ため",
                                      "こと",
                                      "もの",
                                      "これ",
                                      "それ",
                                      "本研究",
                                      "システム",
                                      "データ",
                                      "ベース",
                                      "検索",
                                      "文書",
                                      "管理",
                                      "方法",
                                      "提案",
                                      "評価",
                                      "実験",
                                      "分析",
                                      "設計",
                                      "開発",
                                      "運用",
                                      "保守",
                                      "技術",
                                      "情報",
                                      "処理",
                                      "通信",
                                      "装置",
                                      "制御",
                                      "回路",
                                      "電源",
                                      "測定",
                                      "試験",
                                      "計画",
                                      "予算",
                                      "会議",
                                      "議事録",
                                      "承認",
                                      "申請",
                                      "契約",
                                      "仕様",
                                      "要件",
                                      "品質",
                                      "安全",
                                      "環境",
                                      "基準",
                                      "規格",
                                      "改訂",
                                      "版",
                                      "年度",
                                      "四半期",
                                      "売上",
                                      "利益",
                                      "費用",
                                      "効果",
                                      "改善",
                                      "課題",
                                      "対策",
                                      "今後",
                                      "検討",
                                      "必要",
                                      "重要",
                                      "可能",
                                      "場合",
                                      "以下",
                                      "以上",
                                      "全体",
                                      "部分",
                                      "東京",
                                      "大阪",
                                      "名古屋",
                                      "福岡",
                                      "札幌",
                                      "株式会社",
                                      "部門",
                                      "担当者",
                                      "責任者",
                                      "顧客",
                                      "製品",
                                      "サービス",
                                      "ネットワーク",
                                      "ソフトウェア",
                                      "ハードウェア",
                                      "セキュリティ",
                                      "クラウド",
                                      "プロジェクト",
                                      "スケジュール",
                                      "ドキュメント",
                                      "インターフェース",
                                      "パフォーマンス",
                                      "した",
                                      "する",
                                      "される",
                                      "された",
                                      "している",
                                      "であり",
                                      "である",
                                      "ます",
                                      "ました",
                                      "です",
                                      "ない",
                                      "ある",
                                      "いる",
                                      "なる",
                                      "おける",
                                      "による",
                                      "に関する",
                                      "として",
                                      "ついて",
                                      "、",
                                      "。",
                                      "「",
                                      "」",
                                      "（",
                                      "）",
                                      "１",
                                      "２",
                                      "３",
                                      "第",
                                      "章",
                                      "節",
                                      "図",
                                      "表",
                                      "参照",
                                      "注",
                                      "渡辺",
                                      "斉藤",
                                      "高橋",
                                      "佐藤",
                                      "鈴木",
                                      "田中",
                                      "山本",
                                      "中村",
                                      "小林",
                                      "加藤",
                                      "吉田"};

const char* const kAsciiWords[] = {
    "PDF",   "DATA",   "SYSTEM", "VERSION", "2010",   "2011",     "2012", "ISO",    "9001",  "TCP/IP",
    "HTTP",  "SERVER", "CLIENT", "API",     "USB",    "LAN",      "CPU",  "MEMORY", "DISK",  "FILE",
    "TABLE", "FIGURE", "NOTE",   "PAGE",    "REPORT", "ANALYSIS", "TEST", "MODEL",  "INPUT", "OUTPUT",
    "ERROR", "STATUS", "NO.",    "1.0",     "2.5",    "100",      "%",    "MB",     "GB",    "KM",
    "THE",   "AND",    "OF",     "FOR",     "WITH",   "IN",       "ON",   "BY",     "TO",    "IS",
    "JAPAN", "TOKYO",  "OSAKA",  "INC.",    "LTD.",   "CO.",      "DR.",  "A",      "B",     "C"};

struct Vocabulary {
  std::vector<std::string> japanese, ascii;
  Vocabulary() {
    for (const char* w : kJapaneseWords) japanese.push_back(Utf8ToCp932(w));
    for (const char* w : kAsciiWords) ascii.push_back(w);
  }
};

// About `size` bytes of stored body text: Japanese runs with an ASCII word now and then.
std::string BodyText(std::mt19937_64& rng, const Vocabulary& v, std::size_t size) {
  std::string text;
  text.reserve(size + 64);
  while (text.size() < size) {
    std::uint64_t r = rng();
    if (r % 8 == 0) {
      if (!text.empty() && text.back() != ' ') text += ' ';
      text += v.ascii[(r >> 8) % v.ascii.size()];
      text += ' ';
    } else {
      text += v.japanese[(r >> 8) % v.japanese.size()];
    }
  }
  return text;
}

std::string Words(std::mt19937_64& rng, const Vocabulary& v, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += v.japanese[rng() % v.japanese.size()];
  return text;
}

int Usage() {
  std::fprintf(stderr,
               "usage: gen_store --out DIR --records N [--mean-body BYTES] [--seed S] [--plant TERM]\n"
               "                 [--plant-ja TERM] [--plant-title TERM] [--per-mille K]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string out, plant = "QZXJWV", plantJa = "量子暗号", plantTitle = "QZTITLE";
  long records = -1, meanBody = 20000, perMille = 2;
  unsigned long seed = 1;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (i + 1 >= argc) return Usage();
    const char* value = argv[++i];
    if (a == "--out")
      out = value;
    else if (a == "--records")
      records = std::atol(value);
    else if (a == "--mean-body")
      meanBody = std::atol(value);
    else if (a == "--seed")
      seed = std::strtoul(value, nullptr, 10);
    else if (a == "--plant")
      plant = value;
    else if (a == "--plant-ja")
      plantJa = value;
    else if (a == "--plant-title")
      plantTitle = value;
    else if (a == "--per-mille")
      perMille = std::atol(value);
    else
      return Usage();
  }
  if (out.empty() || records < 0 || meanBody < 0 || perMille < 0 || perMille > 1000) return Usage();
  const std::string bodyTerm =
      folidex::NormalizeSearchTerm(Utf8ToCp932(plant)) + " " + folidex::NormalizeSearchTerm(Utf8ToCp932(plantJa));
  const std::string titleTerm = Utf8ToCp932(plantTitle);

  Vocabulary vocabulary;
  std::mt19937_64 rng(seed);
  const std::string txt = out + "/DOCDATA/TXT";
  for (int folder = 0; folder < 100; ++folder) {
    char name[4];
    std::snprintf(name, sizeof name, "%02d", folder);
    std::filesystem::create_directories(txt + "/" + name);
  }
  std::FILE* bodyList = std::fopen((out + "/planted-body.txt").c_str(), "w");
  std::FILE* titleList = std::fopen((out + "/planted-title.txt").c_str(), "w");
  if (!bodyList || !titleList) {
    std::fprintf(stderr, "gen_store: cannot write into %s\n", out.c_str());
    return 1;
  }
  std::uniform_int_distribution<long> bodySize(meanBody / 4, meanBody * 7 / 4);
  std::uniform_int_distribution<long> thousand(0, 999);
  folidex::IndexRecord r;
  std::uint64_t total = 0;
  for (long i = 0; i < records; ++i) {
    std::string serial = folidex::FormatSerial(i);
    using folidex::FieldTag;
    r.Clear();
    r[FieldTag::PT] = Words(rng, vocabulary, 3 + static_cast<int>(rng() % 4));
    r[FieldTag::PA] = vocabulary.japanese[rng() % vocabulary.japanese.size()];
    r[FieldTag::PS] = Words(rng, vocabulary, 2);
    r[FieldTag::PK] = Words(rng, vocabulary, 2);
    char date[32];
    int year = 2005 + static_cast<int>(rng() % 8), month = 1 + static_cast<int>(rng() % 12),
        day = 1 + static_cast<int>(rng() % 28);
    std::snprintf(date, sizeof date, "%04d.%02d.%02d 10:20:30", year, month, day);
    if (rng() % 4) r[FieldTag::PC] = date;
    r[FieldTag::PM] = r[FieldTag::PC];
    r[FieldTag::TY] = rng() % 2 ? "I" : "O";
    r[FieldTag::FN] = "doc" + serial + ".pdf";
    r[FieldTag::FS] = std::to_string(100000 + rng() % 5000000);
    std::snprintf(date, sizeof date, "%04d/%02d/%02d 09:00:00", year, month, day);
    r[FieldTag::FC] = date;
    std::snprintf(date, sizeof date, "%04d/%02d/%02d 12:00", year + 1, month, day);
    r[FieldTag::FA] = date;
    r[FieldTag::FG] = r[FieldTag::TY] == "O" ? "/home/user/docs/doc" + serial + ".pdf" : "";
    char digest[65];
    for (int k = 0; k < 64; ++k) digest[k] = "0123456789ABCDEF"[rng() % 16];
    digest[64] = '\0';
    r[FieldTag::Y2] = digest;

    std::string body = BodyText(rng, vocabulary, static_cast<std::size_t>(bodySize(rng)));
    if (thousand(rng) < perMille) {
      // Planted between two words, so that it stands on a character boundary.
      std::size_t at = body.size() / 2;
      while (at < body.size() && body[at] != ' ') ++at;
      body.insert(at, " " + bodyTerm + " ");
      std::fprintf(bodyList, "%s\n", serial.c_str());
    }
    if (thousand(rng) < perMille) {
      r[FieldTag::PT] += titleTerm;
      std::fprintf(titleList, "%s\n", serial.c_str());
    }
    r[FieldTag::TX] = folidex::NormalizeBodyText(body);
    r[FieldTag::TS] = std::to_string(r[FieldTag::TX].size());

    std::string bytes = folidex::FormatRecordFile(r);
    std::string path = txt + "/" + serial.substr(serial.size() - 2) + "/" + serial + ".TXT";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() || std::fclose(file) != 0) {
      std::fprintf(stderr, "gen_store: cannot write %s\n", path.c_str());
      return 1;
    }
    total += bytes.size();
  }
  std::fclose(bodyList);
  std::fclose(titleList);
  std::printf("%ld records, %.1f MB\n", records, static_cast<double>(total) / 1e6);
  return 0;
}
