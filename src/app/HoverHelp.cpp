#include "app/HoverHelp.h"

#include <map>

#include "common/Cp932.h"

namespace folidex {
namespace {

std::string FieldText(const char* field) {
  return std::string("データベース項目の「") + field +
         "」内を\n検索する文字(列)をセットします\n※ 大文字・小文字を区別します\n※ "
         "「全文」にチェックがあると入力禁止になっています";
}

const std::map<std::string, std::string>& FixedTexts() {
  static const std::map<std::string, std::string> table = {
      {"ID_GET_PDF", "【PDF取得】\nHTMLエリアにセットされているPDFを\nデータベースに取り込みます"},
      {"ID_GET_WORD", "【Word出力】\nHTMLエリアにセットされているPDF内の\nテキストをWordに出力して表示します"},
      {"ID_GOKU",
       "【検索語句】\n検索する語句を入力します\n入力が完了したら右側の「検索」ボタンを\nクリックしてください"},
      {"ID_BUTTON7", "【検索実行】\n左側の欄内に検索語句を入力して、\nこのボタンをクリックするとWeb検索を実行します"},
      {"ID_BUTTON8", "【すべてを検索】\nこのボタンがチェックされていると\nすべての項目が検索対象になります"},
      {"ID_BUTTON9", "【画像を検索】\nこのボタンがチェックされていると\n画像のみが検索対象になります"},
      {"ID_BUTTON10", "【写真を検索】\nこのボタンがチェックされていると\n写真のみが検索対象になります"},
      {"ID_BUTTON11", "【PDFを検索】\nこのボタンがチェックされていると\nPDFのみが検索対象になります"},
      {"ID_DSP_AREA", "【エリア切替】\nHTMLエリアとリストエリアの\n表示エリアを切替えます"},
      {"ID_CHANGE_AREA", "【エリア交換】\nHTMLエリアとリストエリアの\n表示位置を左右交換します"},
      {"ID_COL_COLOR", "【背景色変更】\nリストエリアの選択列の背景色を\n変更します"},
      {"ID_SORT_U", "【昇順ソート】\nリストエリアの選択列を\n昇順ソートします"},
      {"ID_SORT_D", "【降順ソート】\nリストエリアの選択列を\n降順ソートします"},
      {"ID_EXCEL_OUT3", "【Excel出力】\nリストエリアの現在の一覧表を\nExcelを起動して表示します"},
      {"IDC_SAVE_LIST", "【リスト保存】\nリストエリアの現在の一覧表を\nこの上の欄に入力した名前を\n付けて保存します"},
      {"IDC_LOAD_LIST", "【リスト呼び出し】\n保存されているリストを呼び出して\nリストエリアに表示します"},
      {"IDC_LIST_KANRI", "【リスト管理】\n保存されているリストの\n名前の変更や削除をします"},
      {"ID_LIST_CLEAR", "【リストクリア】\nリストエリアのセット内容をクリアします\n※ 実際のデータは削除されません"},
      {"ID_TITLE1", FieldText("タイトル")},
      {"ID_TITLE2", FieldText("作成者")},
      {"ID_TITLE3", FieldText("サブタイトル")},
      {"ID_TITLE4", FieldText("キーワード")},
      {"ID_TITLE5",
       "データベース項目の「PDF本文」内を\n検索する文字(列)をセットします\n※ 大文字・小文字を区別しません"},
      {"ID_ZENBUN",
       "「1.タイトル」から「5. PDF本文」までの\n全項目内を検索する文字(列)をセットします\n※ "
       "ここにチェックがあるときは、1～5に\n　入力した文字は無視されます。"},
      {"ID_MD_HANI",
       "【日付定義】\nこの下の日付を定義します\nチェックがあると「作成日」\nチェックがないときは「取得日」\nになりま"
       "す"},
      {"ID_DATE1",
       "【開始日】\n日付の開始日になります\n2010/12/01のようにセットします\n※ "
       "開始日を指定するときは、左側にチェックします"},
      {"ID_DATE2",
       "【終了日】\n日付の終了日になります\n2010/12/01のようにセットします\n※ "
       "終了日を指定するときは、左側にチェックします"},
      {"ID_SPACE_CUT",
       "【スペース除去】\n検索時、スペースを除去してから突合する\n場合は、チェックします\n※ "
       "英文の場合は単語が連続しますので、\n複数の単語にまたがった語句でもヒット\nすることがあります"},
      {"ID_ADD_LIST",
       "【結果処理】\n検索のヒットデータを現在リストエリアに\nセットされているデータの次からセット\nする場合は、"
       "チェックします\n※ チェックされていないときは、\nヒットデータをセットする前にリスト\nをクリアします"},
      {"ID_YURE",
       "【表記ゆれ】\n全角と半角、ひらがなとカタカナ、\n英字の大文字と小文字、長音の書き方\n（ー－―‐）、旧字体の漢字の"
       "違いを\n無視して突合する"
       "場合は、チェックします\n※ 日本語の文字の間のスペースも\n無視します"},
      {"ID_PROGRESS1", "【進行状況表示】\n検索の進行状況を表示します"},
      {"ID_DB_SEARCH",
       "【データベース検索】\nデータベース内を指定された条件で検索し、\nリストエリアにヒット表示します"},
  };
  return table;
}

}  // namespace

std::string HoverHelpText(const std::string& id, const HoverState& state) {
  if (id == "ID_NOW_DSP") {
    std::string type = state.pageType.empty() ? std::string("不明") : Cp932ToUtf8(state.pageType);
    return "【ページ種別】\nHTMLエリアの現在のページ種別が\n「" + type + "」であることを\n表示しています";
  }
  if (id == "ID_OPT_WORD") {
    return std::string("【書式】\nHTMLエリアのPDFからWord出力する際に\n") +
           (state.optWord == 1 ? "書式付きで" : "書式を付けず、テキストのみを") + "Wordにセットします";
  }
  auto it = FixedTexts().find(id);
  return it == FixedTexts().end() ? std::string() : it->second;
}

}  // namespace folidex
