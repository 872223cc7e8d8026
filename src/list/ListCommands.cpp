#include "list/ListCommands.h"

#include <fcntl.h>
#include <stdio.h>  // renameat2

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <ctime>

#include "common/Cp932.h"
#include "common/FileSystem.h"
#include "list/RecordRow.h"
#include "list/SavedLists.h"

namespace folidex {
namespace {

// The native file name of a list (list names are CP932).
std::string ListFileName(const std::string& name) { return ToNativePath(name + std::string(kListExtension)); }

std::string FormatFileTime(std::time_t time) {
  std::tm local{};
  if (!localtime_r(&time, &local)) return {};
  char text[32];
  std::size_t n = std::strftime(text, sizeof text, "%Y.%m.%d %H:%M", &local);
  return std::string(text, n);
}

bool EndsWithListExtension(const std::string& name) {
  return name.size() >= kListExtension.size() &&
         name.compare(name.size() - kListExtension.size(), kListExtension.size(), kListExtension) == 0;
}

// Renames without ever replacing a file of the new name.
bool RenameNoReplace(const std::string& from, const std::string& to) {
#ifdef RENAME_NOREPLACE
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
#endif
  if (PathExists(to)) return false;
  return RenameFile(from, to);
}

}  // namespace

void SelectAllRows(ListRows& list) { list.SetAllSelected(true); }

bool ClearList(ListRows& list, Prompter& prompter) {
  if (prompter.AskYesNo(Msg::ClearListQuestion) != Answer::Yes) return false;
  list.DeleteAllRows();
  list.ClearDuplicates();
  return true;
}

int SaveListUnderName(const ListRows& list, Store& store, Prompter& prompter, const std::string& name) {
  if (name.empty()) {
    prompter.Information(Msg::ListNameMissing);
    return 0;
  }
  if (name.size() > kMaxListNameBytes) {
    prompter.Information(Msg::NameTooLong);
    return 0;
  }
  if (std::string bad = FindBadListName(name); !bad.empty()) {
    prompter.Error(Msg::BadFileNameCharacter, bad + "\n");
    return 0;
  }
  if (prompter.AskYesNo(Msg::SaveListQuestion, name + "\n\n") != Answer::Yes) return 0;
  int result = SaveListFile(list, store, prompter, name + std::string(kListExtension));
  if (result == kListFileDone)
    prompter.Information(Msg::ListSaved);
  else if (result == kListFileExists)
    prompter.Error(Msg::FileExists);
  return result;
}

bool CanLoadList(const Store& store) { return !store.StoreRoot().empty(); }

std::string ListFolderPath(const Store& store) {
  std::string root = store.StoreRoot();
  return root.empty() ? std::string() : root + kPathSeparator + "LIST";
}

std::vector<std::string> SelectedDocumentFiles(Store& store, const ListRows& list) {
  std::vector<std::string> files;
  for (int row = 0; row < list.RowCount(); ++row) {
    if (!list.IsSelected(row)) continue;
    const DocumentLocation location =
        ResolveDocumentPath(store, list.Cell(row, ListColumn::SerialNo), list.Cell(row, ListColumn::Link),
                            list.Cell(row, ListColumn::Source));
    if (location.mark != kMarkAvailable || location.path.empty()) continue;
    if (std::find(files.begin(), files.end(), location.path) == files.end()) files.push_back(location.path);
  }
  return files;
}

int LoadChosenList(ListRows& list, Store& store, Prompter& prompter, const std::string& fileName) {
  if (list.RowCount() > 0) {
    Answer answer = prompter.AskYesNoCancel(Msg::AppendToListQuestion);
    if (answer == Answer::Cancel) return 0;
    if (answer == Answer::No) {
      // The list is read from the list folder only; keep the rows when nothing is there to
      // take their place.
      std::string folder = ListFolderPath(store);
      if (folder.empty()) return kListFileOpenFailed;
      if (!IsFile(folder + kPathSeparator + ToNativePath(fileName))) return kListFileMissing;
      list.DeleteAllRows();
    }
  }
  return LoadListFile(list, store, prompter, fileName);
}

const std::string& SavedListColumnTitle(int column) {
  static const std::array<std::string, kSavedListColumns> titles = {
      "No", Utf8ToCp932("リスト名"), Utf8ToCp932("データ数"), Utf8ToCp932("作成日時"), Utf8ToCp932("更新日時")};
  return titles[static_cast<std::size_t>(column)];
}

const std::string& SavedListCell(const SavedListEntry& entry, int column) {
  switch (column) {
    case 0:
      return entry.number;
    case 1:
      return entry.name;
    case 2:
      return entry.count;
    case 3:
      return entry.created;
    default:
      return entry.modified;
  }
}

std::vector<SavedListEntry> EnumerateSavedLists(Store& store, Prompter& prompter) {
  std::vector<SavedListEntry> entries;
  std::string folder = EnsureListFolder(store, prompter);
  if (folder.empty()) return entries;
  for (const std::string& nativeName : ListFiles(folder)) {
    std::string name = FromNativePath(nativeName);
    if (name.empty() || name[0] == '.') continue;
    if (name == kCurrentListFile || !EndsWithListExtension(name)) continue;
    std::string path = folder + kPathSeparator + nativeName;
    SavedListEntry entry;
    entry.number = std::to_string(entries.size() + 1);
    entry.name = name.substr(0, name.size() - kListExtension.size());
    long count = CountListEntries(path, prompter);
    if (count >= 0) entry.count = GroupDigits(std::to_string(count));
    if (auto status = StatFile(path)) {
      entry.created = FormatFileTime(status->created);
      entry.modified = FormatFileTime(status->modified);
    }
    entries.push_back(std::move(entry));
  }
  return entries;
}

ManageChoice AskManageChoice(Prompter& prompter, const std::string& name) {
  switch (prompter.AskYesNoCancel(Msg::RenameOrDeleteListQuestion, name + "\n\n")) {
    case Answer::Yes:
      return ManageChoice::Rename;
    case Answer::No:
      // The list file goes for good: ask once more, naming it, with いいえ as the default.
      if (prompter.AskYesNoSafe(Msg::DeleteListQuestion, name + "\n\n") == Answer::Yes) {
        return ManageChoice::Delete;
      }
      return ManageChoice::Cancel;
    default:
      return ManageChoice::Cancel;
  }
}

bool DeleteSavedList(Store& store, Prompter& prompter, const std::string& name) {
  std::string folder = ListFolderPath(store);
  if (folder.empty() || !RemoveFile(folder + kPathSeparator + ListFileName(name))) {
    prompter.Error(Msg::FileDeleteFailed);
    return false;
  }
  return true;
}

bool AcceptRenameName(Store& store, Prompter& prompter, bool listMode, const std::string& oldName,
                      const std::string& newName) {
  // An empty keywords text clears a record's keywords; a list needs a name.
  if (newName.empty() && listMode) {
    prompter.Error(Msg::NameEmpty);
    return false;
  }
  if (newName.size() > kMaxListNameBytes) {
    prompter.Information(Msg::NameTooLong);
    return false;
  }
  if (!listMode) return true;
  if (std::string bad = FindBadListName(newName); !bad.empty()) {
    prompter.Error(Msg::BadFileNameCharacter, bad + "\n");
    return false;
  }
  std::string folder = EnsureListFolder(store, prompter);
  if (folder.empty()) return false;
  std::string target = folder + kPathSeparator + ListFileName(newName);
  if (PathExists(target)) {
    prompter.Error(Msg::FileExists);
    return false;
  }
  if (prompter.AskYesNo(Msg::RenameListQuestion, "(Old) " + oldName + "\n(New) " + newName + "\n\n") != Answer::Yes)
    return false;
  if (!RenameNoReplace(folder + kPathSeparator + ListFileName(oldName), target)) {
    prompter.Error(Msg::ListRenameFailed);
    return false;
  }
  return true;
}

}  // namespace folidex
