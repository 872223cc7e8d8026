#include "html/Bookmarks.h"

#include <algorithm>

#include "common/ByteText.h"
#include "common/Cp932.h"
#include "common/HtmlArea.h"
#include "common/Prompter.h"
#include "common/Settings.h"
#include "html/PercentText.h"

namespace folidex {
namespace {

constexpr const char* kEllipsis = "\x81\x63";  // "…" in CP932
constexpr long kMenuLenMin = 20;
constexpr long kMenuLenMax = 200;

bool ValidSlot(int slot) { return slot >= 0 && slot < kBookmarkSlots; }

// The longest prefix of whole CP932 characters of at most `limit` bytes.
std::string CutCp932(std::string_view text, std::size_t limit) {
  std::size_t end = 0;
  while (end < text.size()) {
    const std::size_t next = end + Cp932CharLength(text, end);
    if (next > limit) break;
    end = next;
  }
  return std::string(text.substr(0, end));
}

// Length of the UTF-8 character at text[i], or 0 when the bytes there are not one.
std::size_t Utf8CharLength(std::string_view text, std::size_t i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  std::size_t length = 0;
  if (lead < 0x80)
    return 1;
  else if (lead >= 0xC2 && lead <= 0xDF)
    length = 2;
  else if (lead >= 0xE0 && lead <= 0xEF)
    length = 3;
  else if (lead >= 0xF0 && lead <= 0xF4)
    length = 4;
  else
    return 0;
  if (i + length > text.size()) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 0;
  }
  return length;
}

// Whether an address begins with a scheme ("https:", "file:", "about:"); a drive letter ("C:")
// is not one.
bool HasScheme(std::string_view address) {
  std::size_t i = 0;
  while (i < address.size()) {
    const char c = address[i];
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    const bool other = i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.');
    if (!letter && !other) break;
    ++i;
  }
  return i >= 2 && i < address.size() && address[i] == ':';
}

}  // namespace

std::array<Bookmark, kBookmarkSlots> ReadBookmarkSlots(const Settings& settings) {
  std::array<Bookmark, kBookmarkSlots> slots;
  for (int i = 0; i < kBookmarkSlots; ++i) {
    slots[i].name = settings.GetText(setting::BookmarkName(i));
    slots[i].url = settings.GetText(setting::BookmarkUrl(i));
  }
  return slots;
}

void WriteBookmarkSlot(Settings& settings, int slot, const Bookmark& bookmark) {
  settings.SetText(setting::BookmarkName(slot), bookmark.name);
  settings.SetText(setting::BookmarkUrl(slot), bookmark.url);
}

std::vector<Bookmark> LoadBookmarks(const Settings& settings) {
  std::vector<Bookmark> bookmarks;
  for (int i = 0; i < kBookmarkSlots; ++i) {
    std::string name = settings.GetText(setting::BookmarkName(i));
    if (name.empty()) break;
    bookmarks.push_back({std::move(name), settings.GetText(setting::BookmarkUrl(i))});
  }
  return bookmarks;
}

std::string TruncateMenuText(std::string_view name, long limit) {
  const std::size_t max = limit > 0 ? static_cast<std::size_t>(limit) : 0;
  std::string result;
  std::size_t pos = 0;
  std::size_t last = 0;  // length of the last character appended
  while (pos < name.size() && result.size() < max) {
    last = Cp932CharLength(name, pos);
    result.append(name.substr(pos, last));
    pos += last;
  }
  if (result.size() == max + 1) {  // a double-byte character crossed the limit
    result.resize(result.size() - last);
    result += kEllipsis;
  } else if (pos < name.size()) {
    result += kEllipsis;
  }
  return result;
}

std::vector<BookmarkMenuItem> BuildBookmarkMenu(const Settings& settings) {
  const long menuLen = std::clamp(settings.GetInt(setting::MenuLen), kMenuLenMin, kMenuLenMax);
  std::vector<BookmarkMenuItem> items;
  const std::vector<Bookmark> bookmarks = LoadBookmarks(settings);
  for (std::size_t i = 0; i < bookmarks.size(); ++i) {
    items.push_back({kBookmarkFirstId + static_cast<int>(i), TruncateMenuText(bookmarks[i].name, menuLen), true});
  }
  items.push_back({0, {}, true});
  items.push_back(
      {kLastPageId, Utf8ToCp932("前回最後に表示したページを表示"), !settings.GetText(setting::DspPage).empty()});
  items.push_back({kAddPageId, Utf8ToCp932("現在のページを追加 (削除 Ctrl+Click)"), true});
  items.push_back({kEditBookmarksId, Utf8ToCp932("ブックマークの編集 (max:16)"), true});
  return items;
}

std::string StoredAddress(std::string_view utf8) {
  if (HasScheme(utf8)) return EncodeAddressBytes(utf8);
  // A local path is kept readable when it can be; otherwise as a file URL, which loses nothing.
  if (HasCp932Form(utf8)) return Utf8ToCp932(utf8);
  return "file://" + EncodeAddressBytes(utf8);
}

std::string NavigableAddress(std::string_view stored) { return Cp932ToUtf8(stored); }

bool ChooseBookmark(const Settings& settings, HtmlArea& html, int slot) {
  if (!ValidSlot(slot)) return false;
  const std::string url = settings.GetText(setting::BookmarkUrl(slot));
  if (url.empty()) return false;
  html.Navigate2(NavigableAddress(url));
  return true;
}

bool DeleteBookmark(Settings& settings, Prompter& prompter, int slot) {
  if (!ValidSlot(slot)) return false;
  const std::string name = settings.GetText(setting::BookmarkName(slot));
  if (name.empty()) return false;  // the menu offers no unnamed slot
  if (prompter.AskYesNo(Msg::DeleteBookmarkQuestion, name + "\n") != Answer::Yes) return false;
  const std::array<Bookmark, kBookmarkSlots> slots = ReadBookmarkSlots(settings);
  int next = 0;
  for (const Bookmark& bookmark : slots) {
    if (bookmark.name != name) WriteBookmarkSlot(settings, next++, bookmark);
  }
  for (; next < kBookmarkSlots; ++next) WriteBookmarkSlot(settings, next, {});
  return true;
}

std::string BookmarkNameForPage(std::string_view title) {
  std::string name = Utf8ToCp932(title);
  if (UpperCaseAsciiCp932(name.substr(0, std::min<std::size_t>(4, name.size()))) == "HTTP") {
    const std::size_t slash = name.rfind('/');  // 0x2F is never a CP932 trail byte
    if (slash != std::string::npos && name.size() - slash - 1 > 4) {
      name.erase(0, slash + 1);
      // The file name of an untitled page, readable: its escapes decoded (a cut escape keeps it).
      if (HasPercentEscape(name)) {
        std::string decoded = DecodePercentText(name);
        if (!decoded.empty()) name = std::move(decoded);
      }
    }
  }
  return CutCp932(name, kBookmarkNameMax);
}

bool AddCurrentPage(Settings& settings, const HtmlArea& html) {
  const std::string location = html.GetLocationURL();
  if (location.empty()) return false;
  const std::string url = StoredAddress(location);
  const std::array<Bookmark, kBookmarkSlots> slots = ReadBookmarkSlots(settings);
  if (std::any_of(slots.begin(), slots.end(), [&](const Bookmark& b) { return b.url == url; })) return false;
  std::string name = BookmarkNameForPage(html.GetLocationName());
  // An empty name would end the list and hide every bookmark after it.
  if (name.empty()) name = CutCp932(url, kBookmarkNameMax);
  WriteBookmarkSlot(settings, 0, {name, url});
  for (int i = 1; i < kBookmarkSlots; ++i) WriteBookmarkSlot(settings, i, slots[i - 1]);
  return true;
}

bool ShowLastPage(const Settings& settings, HtmlArea& html) {
  const std::string page = settings.GetText(setting::DspPage);
  if (page.empty()) return false;
  html.Navigate2(NavigableAddress(page));
  return true;
}

BookmarkCommandResult RunBookmarkCommand(int id, bool ctrlDown, Settings& settings, Prompter& prompter,
                                         HtmlArea& html) {
  if (id >= kBookmarkFirstId && id < kBookmarkFirstId + kBookmarkSlots) {
    const int slot = id - kBookmarkFirstId;
    if (ctrlDown)
      DeleteBookmark(settings, prompter, slot);
    else
      ChooseBookmark(settings, html, slot);
    return BookmarkCommandResult::Done;
  }
  switch (id) {
    case kLastPageId:
      ShowLastPage(settings, html);
      return BookmarkCommandResult::Done;
    case kAddPageId:
      AddCurrentPage(settings, html);
      return BookmarkCommandResult::Done;
    case kEditBookmarksId:
      return BookmarkCommandResult::OpenEditor;
    default:
      return BookmarkCommandResult::Unknown;
  }
}

bool HasCp932Form(std::string_view utf8) {
  for (std::size_t i = 0; i < utf8.size();) {
    const std::size_t length = Utf8CharLength(utf8, i);
    if (length == 0) return false;
    const std::string_view character = utf8.substr(i, length);
    // The conversion puts one space for a character without a form.
    if (character != " " && Utf8ToCp932(character) == " ") return false;
    i += length;
  }
  return true;
}

int SaveBookmarkNames(Settings& settings, Prompter& prompter, const std::vector<std::string>& names) {
  const int rows = std::min(static_cast<int>(names.size()), kBookmarkSlots);
  for (int row = 0; row < rows; ++row) {
    if (names[row].empty()) {
      prompter.Error(Msg::NameEmpty);
      return row;
    }
    if (!HasCp932Form(names[row])) {
      prompter.Error(Msg::BookmarkNameNotStorable);
      return row;
    }
  }
  for (int row = 0; row < rows; ++row) settings.SetText(setting::BookmarkName(row), Utf8ToCp932(names[row]));
  return -1;
}

}  // namespace folidex
