// folidex-cli [--settings FILE] [--store DIR] COMMAND [ARGS...]

#include <unistd.h>

#include <QCoreApplication>
#include <QString>
#include <cerrno>
#include <climits>
#include <cstring>
#include <iostream>
#include <map>

#include "cli/Cli.h"
#include "common/ByteText.h"
#include "common/Cp932.h"
#include "common/Version.h"
#include "common/qt/QtSettings.h"
#include "search/index/IndexUpkeep.h"

// The commands that read PDFs (poppler, Tesseract and what they bring) are built into a second
// program, folidex-cli-pdf, installed beside this one: folidex-cli itself links only the store,
// the search and its index, so that a search does not spend its start loading libraries it never
// uses. folidex-cli-pdf is the whole command set; folidex-cli hands it the commands it lacks.
#ifdef FOLIDEX_CLI_PDF
#define FOLIDEX_PDF_COMMAND(run) run
#else
#define FOLIDEX_PDF_COMMAND(run) nullptr
#endif

namespace {

using folidex::cli::Context;

struct Command {
  int (*run)(Context&);
  const char* synopsis;
  bool json = false;  // takes --json
};

const std::map<std::string, Command>& Commands() {
  static const std::map<std::string, Command> commands = {
      {"record", {folidex::cli::CommandRecord, "record [--json] SERIAL データの 17 項目", true}},
      {"counter", {folidex::cli::CommandCounter, "counter              通し番号カウンター（次のデータの番号）"}},
      {"search",
       {folidex::cli::CommandSearch,
        "search [--title T ... --body B | --all TEXT [--space-cut]] [--created|--acquired] [--from D] [--to D] "
        "[--max N] [--exact|--fold] [--json]\n                       データベース検索。該当データごとに一覧の 17 "
        "列を表示",
        true}},
      {"import",
       {FOLIDEX_PDF_COMMAND(folidex::cli::CommandImport),
        "import [--copy|--link] [--skip-duplicates] [--no-ocr] PATH...\n"
        "                       PDF ファイルとフォルダー（サブフォルダーの *.pdf も）を登録。--copy は保存場所に"
        "コピーを保存、\n                       --link はファイルのパスだけ（既定はデスクトップ版の前回の選択）。"
        "\n                       --skip-duplicates は登録済み（SHA-256 が同じ）の PDF を飛ばし、--no-ocr は"
        "画像だけのページを文字認識しない\n"
        "                       import (--watch|--once) [--no-ocr] [DIR]  受信フォルダ（DIR、既定は設定の受信フォルダ）"
        "の PDF を登録。\n                       --watch は Ctrl+C まで監視を続け、--once は今ある PDF "
        "を登録して終了"}},
      {"retext",
       {FOLIDEX_PDF_COMMAND(folidex::cli::CommandRetext),
        "retext [--dry-run] [--ocr] (SERIAL... | --all) [--store DIR]\n"
        "                       登録済みデータの本文を PDF（保存場所のコピー、または元のファイル）から取り直す。"
        "\n                       変更前のデータファイルは DOCDATA/BACKUP/日時/ に保存。--dry-run は変更される"
        "データを表示するだけ、--ocr\n                       はテキストのないページを設定にかかわらず文字認識し直す\n"
        "                       retext --drop-backups [--yes]  バックアップフォルダーを確認のうえ削除"}},
      {"init",
       {folidex::cli::CommandInit,
        "init DIR [--force] [--use] DIR に新しい空の資料保存場所を作成（--force は空の DOCDATA も可、--use は"
        "設定の保存場所にする）"}},
      {"info",
       {FOLIDEX_PDF_COMMAND(folidex::cli::CommandInfo),
        "info [--title] FILE.pdf...  登録時に各 PDF から読み取る情報（PT..PM、--title で登録時のタイトル）"}},
      {"ocr",
       {FOLIDEX_PDF_COMMAND(folidex::cli::CommandOcr), "ocr FILE.pdf         テキストのないページを文字認識した結果"}},
      {"list",
       {folidex::cli::CommandList, "list [--json] FILE|NAME 保存した一覧の行（パス、または DOCDATA/LIST の名前）",
        true}},
      {"export",
       {folidex::cli::CommandExport,
        "export [LIST] OUT.xlsx 一覧を表計算ファイルに出力（LIST はパスか DOCDATA/LIST の名前、既定は "
        "ListData.csv）"}},
      {"check",
       {folidex::cli::CommandCheck,
        "check                資料保存場所を点検（書き込みはしない）。件数の要約 1 行と、問題ごとに 1 行\n"
        "                       （終了ステータス 0 問題なし、1 問題あり、2 保存場所なし）"}},
      {"dupes",
       {folidex::cli::CommandDupes,
        "dupes [--json] [--all | LIST] 重複した PDF（全データ、または保存した一覧。既定は ListData.csv）", true}},
      {"restore",
       {folidex::cli::CommandRestore,
        "restore SERIAL...    データベースから削除したデータをごみ箱（DOCDATA/TRASH）から戻す"}},
      {"trash",
       {folidex::cli::CommandTrash, "trash [--empty [--yes]] ごみ箱のデータの一覧（--empty は確認のうえ完全に削除）"}},
      {"index",
       {folidex::cli::CommandIndex,
        "index [--rebuild | --check | --drop] 検索用の索引の件数と大きさ（--rebuild 作り直す、--check 点検、--drop "
        "削除）"}},
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
  out << "--json のあるコマンドは、結果を 1 行に 1 つの JSON オブジェクト（UTF-8、キーは項目のタグ）で出力\n";
  out << "終了ステータス: 0 成功（検索結果 0 件を含む）、1 失敗または中止、2 使い方の誤り、"
         "130 import / retext の中断\n";
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

  if (!command->second.run) {
    // A command of folidex-cli-pdf: that program runs it with the same arguments.
    char self[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    std::string program = n > 0 ? std::string(self, static_cast<std::size_t>(n)) : std::string();
    // Only ever the program beside this one: never a name looked up in the working folder.
    if (program.empty() || program.front() != '/') {
      std::cerr << "folidex-cli: folidex-cli-pdf の場所がわかりません\n";
      return 1;
    }
    program.resize(program.rfind('/') + 1);
    program += "folidex-cli-pdf";
    ::execv(program.c_str(), argv);
    std::cerr << "folidex-cli: " << program << " を起動できません: " << std::strerror(errno) << '\n';
    return 1;
  }

  if (i + 1 < argc && (std::strcmp(argv[i + 1], "--help") == 0 || std::strcmp(argv[i + 1], "-h") == 0)) {
    std::cout << "使い方: folidex-cli [--settings FILE] [--store DIR] [--no] " << command->second.synopsis << '\n';
    return 0;
  }

  folidex::QtSettings settings = settingsFile.isEmpty() ? folidex::QtSettings() : folidex::QtSettings(settingsFile);
  folidex::cli::CliPrompter prompter;
  prompter.answerNo = answerNo;
  folidex::Store store(settings, prompter);
  folidex::InstallIndexUpkeep();  // every record the commands write is indexed as it is written
  store.SetLocation(storeDir.empty() ? settings.GetPath(folidex::setting::StorePath) : folidex::NativePath(storeDir));
  // A writer that finds the store locked says so once on stderr, naming the holder, and waits.
  store.LockOptions().program = "folidex-cli";
  store.LockOptions().waiting = [](const folidex::LockHolder* holder) {
    if (!holder) return;
    std::string line = folidex::MessageText(folidex::Msg::StoreLockWaiting) + " (" +
                       folidex::ReplaceAllCp932(folidex::DescribeLockHolder(*holder), "\n", ", ");
    while (line.size() > 2 && (line.back() == ' ' || line.back() == ',')) line.pop_back();
    std::cerr << "folidex-cli: " << folidex::cli::Out(line + ")") << '\n' << std::flush;
  };

  Context context{settings, prompter, store, {}};
  for (int a = i + 1; a < argc; ++a) {
    if (command->second.json && std::strcmp(argv[a], "--json") == 0)
      context.json = true;
    else
      context.args.emplace_back(argv[a]);
  }
  int status = command->second.run(context);
  settings.Sync();
  return status;
}
