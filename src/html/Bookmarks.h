#pragma once
// The HTML area's sixteen bookmarks: slots 0..15 in the settings (BM_NAME and BM_URL, keys "0" ..
// "15"), the bookmark menu's contents and commands, and the rules of the edit dialog.
//
// Texts: names are CP932 as stored. Addresses are stored as CP932 settings texts too, but in a
// form that survives the conversion: a URL percent-encoded (ASCII), a local path as itself when
// every character has a CP932 form, else as a percent-encoded file URL. The HtmlArea port's
// addresses and titles are UTF-8.

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace folidex {

class HtmlArea;
class Prompter;
class Settings;

inline constexpr int kBookmarkSlots = 16;
// Menu command identifiers: 9000 + slot, and the three fixed items.
inline constexpr int kBookmarkFirstId = 9000;
inline constexpr int kLastPageId = 9098;
inline constexpr int kAddPageId = 9099;
inline constexpr int kEditBookmarksId = 9100;
// The longest name "add current page" stores, in bytes.
inline constexpr std::size_t kBookmarkNameMax = 202;

struct Bookmark {
  std::string name;  // CP932
  std::string url;   // the stored form (see above)
};

// All sixteen slots as stored (missing values are empty).
std::array<Bookmark, kBookmarkSlots> ReadBookmarkSlots(const Settings& settings);
void WriteBookmarkSlot(Settings& settings, int slot, const Bookmark& bookmark);

// The bookmarks in use: the slots from 0 up to, not including, the first empty name.
std::vector<Bookmark> LoadBookmarks(const Settings& settings);

// The menu text of a name (CP932) of at most `limit` bytes: the longest prefix of whole
// characters of at most `limit` bytes, followed by "…" (0x81 0x63) when anything was cut. A
// name of exactly `limit` bytes stays as it is.
std::string TruncateMenuText(std::string_view name, long limit);

struct BookmarkMenuItem {
  int id = 0;        // 0 for the separator
  std::string text;  // CP932
  bool enabled = true;
};

// The menu: one item per bookmark in use (9000 + slot, its name cut to KanSet/MenuLen), a
// separator, 9098 "前回最後に表示したページを表示" (greyed while Last/DspPage is empty),
// 9099 "現在のページを追加 (削除 Ctrl+Click)", 9100 "ブックマークの編集 (max:16)".
std::vector<BookmarkMenuItem> BuildBookmarkMenu(const Settings& settings);

// The stored form of an HTML area address (UTF-8), and the address (UTF-8) of a stored one.
std::string StoredAddress(std::string_view utf8);
std::string NavigableAddress(std::string_view stored);

// Navigates to the slot's address; an empty address does nothing. Returns true when it navigated.
bool ChooseBookmark(const Settings& settings, HtmlArea& html, int slot);

// Asks the slot's name + "\n" + 30032; Yes removes every bookmark of that name, keeps the others
// in order from slot 0 and clears the freed slots at the end. Returns true when it removed.
bool DeleteBookmark(Settings& settings, Prompter& prompter, int slot);

// The name a page gets from its title (UTF-8; the address when the page has none), in CP932: a
// text that begins with "http" (either case) and has more than 4 bytes after its last "/" gives
// that last part, its escapes decoded; at most kBookmarkNameMax bytes, cut between characters.
// A character without a CP932 form becomes a space, as everywhere.
std::string BookmarkNameForPage(std::string_view title);

// Adds the HTML area's page as slot 0, moving the others down and dropping slot 15. Nothing
// happens when no page is shown or a slot already holds its address. Returns true when added.
bool AddCurrentPage(Settings& settings, const HtmlArea& html);

// Navigates to Last/DspPage when it is not empty. Returns true when it navigated.
bool ShowLastPage(const Settings& settings, HtmlArea& html);

enum class BookmarkCommandResult { Done, OpenEditor, Unknown };

// One command of the menu: a slot chosen (with Ctrl held: deleted), the last page, add the
// current page; 9100 asks the caller to open the edit dialog.
BookmarkCommandResult RunBookmarkCommand(int id, bool ctrlDown, Settings& settings, Prompter& prompter, HtmlArea& html);

// Whether every character of a UTF-8 text has a CP932 form (a radical folds to its ideograph).
bool HasCp932Form(std::string_view utf8);

// The edit dialog's "保存して終了": `names` are the loaded rows' names as typed (UTF-8), row i
// being slot i. The first row whose name is empty (30035) or has a character without a CP932
// form (31061) is refused after its message and nothing is written; otherwise every row's name is
// written to BM_NAME. Addresses are never written. Returns the refused row, or -1 when saved.
int SaveBookmarkNames(Settings& settings, Prompter& prompter, const std::vector<std::string>& names);

}  // namespace folidex
