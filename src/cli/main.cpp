// folidex-cli [--settings FILE] [--store DIR] COMMAND [ARGS...]

#include <QCoreApplication>
#include <QString>
#include <cstring>
#include <iostream>
#include <map>

#include "cli/Cli.h"
#include "common/Cp932.h"
#include "common/Version.h"
#include "common/qt/QtSettings.h"

namespace {

using folidex::cli::Context;

struct Command {
  int (*run)(Context&);
  const char* synopsis;
};

const std::map<std::string, Command>& Commands() {
  static const std::map<std::string, Command> commands = {
      {"record", {folidex::cli::CommandRecord, "record SERIAL        データの 17 項目"}},
      {"counter", {folidex::cli::CommandCounter, "counter              通し番号カウンター（次のデータの番号）"}},
      {"search",
       {folidex::cli::CommandSearch,
        "search [--title T ... --body B | --all TEXT [--space-cut]] [--created|--acquired] [--from D] [--to D] "
        "[--max N]\n                       データベース検索。該当データごとに一覧の 17 列を表示"}},
      {"import",
       {folidex::cli::CommandImport,
        "import [--copy|--link] [--skip-duplicates] [--no-ocr] PATH...\n"
        "                       PDF ファイルとフォルダー（サブフォルダーの *.pdf も）を登録。--copy は保存場所に"
        "コピーを保存、\n                       --link はファイルのパスだけ（既定はデスクトップ版の前回の選択）。"
        "\n                       --skip-duplicates は登録済み（SHA-256 が同じ）の PDF を飛ばし、--no-ocr は"
        "画像だけのページを文字認識しない"}},
      {"init",
       {folidex::cli::CommandInit,
        "init DIR [--force] [--use] DIR に新しい空の資料保存場所を作成（--force は空の DOCDATA も可、--use は"
        "設定の保存場所にする）"}},
      {"info",
       {folidex::cli::CommandInfo,
        "info [--title] FILE.pdf...  登録時に各 PDF から読み取る情報（PT..PM、--title で登録時のタイトル）"}},
      {"ocr", {folidex::cli::CommandOcr, "ocr FILE.pdf         テキストのないページを文字認識した結果"}},
      {"list",
       {folidex::cli::CommandList, "list FILE|NAME       保存した一覧の行（パス、または DOCDATA/LIST の名前）"}},
      {"export",
       {folidex::cli::CommandExport,
        "export [LIST] OUT.xlsx 一覧を表計算ファイルに出力（LIST はパスか DOCDATA/LIST の名前、既定は "
        "ListData.csv）"}},
      {"dupes",
       {folidex::cli::CommandDupes,
        "dupes [--all | LIST] 重複した PDF（全データ、または保存した一覧。既定は ListData.csv）"}},
  };
  return commands;
}

int Usage(int status = 2) {
  std::ostream& out = status == 0 ? std::cout : std::cerr;
  out << "使い方: folidex-cli [--settings FILE] [--store DIR] [--no] COMMAND [ARGS...]\n"
         "  --settings FILE   デスクトップ版と同じ形式の設定ファイル（既定は利用者の設定）\n"
         "  --store DIR       この実行に限り DIR を資料保存場所にする（KanSet/StorePath より優先）\n"
         "  --no              質問に「いいえ」と答える（既定は「はい」）\n"
         "  --version         バージョンを表示して終了\n"
         "  --help            この説明を表示して終了\n"
         "コマンド:\n";
  for (const auto& [name, command] : Commands()) out << "  " << command.synopsis << '\n';
  out << "終了ステータス: 0 成功（検索結果 0 件を含む）、1 失敗または中止、2 使い方の誤り、"
         "130 import の中断\n";
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QString settingsFile;
  std::string storeDir;
  bool answerNo = false;
  int i = 1;
  for (; i < argc && argv[i][0] == '-'; ++i) {
    std::string option = argv[i];
    if (option == "--settings" && i + 1 < argc) {
      settingsFile = QString::fromLocal8Bit(argv[++i]);
    } else if (option == "--store" && i + 1 < argc) {
      storeDir = argv[++i];
    } else if (option == "--no") {
      answerNo = true;
    } else if (option == "--help" || option == "-h") {
      return Usage(0);
    } else if (option == "--version") {
      std::cout << "folidex-cli " << folidex::kVersion << '\n';
      return 0;
    } else {
      break;  // a command's own option
    }
  }
  if (i >= argc) return Usage();
  auto command = Commands().find(argv[i]);
  if (command == Commands().end()) {
    std::cerr << "folidex-cli: 不明なコマンドです: " << argv[i] << '\n';
    return Usage();
  }

  if (i + 1 < argc && (std::strcmp(argv[i + 1], "--help") == 0 || std::strcmp(argv[i + 1], "-h") == 0)) {
    std::cout << "使い方: folidex-cli [--settings FILE] [--store DIR] [--no] " << command->second.synopsis << '\n';
    return 0;
  }

  folidex::QtSettings settings = settingsFile.isEmpty() ? folidex::QtSettings() : folidex::QtSettings(settingsFile);
  folidex::cli::CliPrompter prompter;
  prompter.answerNo = answerNo;
  folidex::Store store(settings, prompter);
  store.SetLocation(storeDir.empty() ? settings.GetPath(folidex::setting::StorePath) : storeDir);

  Context context{settings, prompter, store, {}};
  for (int a = i + 1; a < argc; ++a) context.args.emplace_back(argv[a]);
  int status = command->second.run(context);
  settings.Sync();
  return status;
}
