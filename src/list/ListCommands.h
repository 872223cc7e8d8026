#pragma once
// The rules of the list's whole-list commands and of the saved-list commands, apart from the
// widgets that start them: select all, clear, save under a name, load with its append choice,
// and the management of named lists (enumeration, rename, delete).

#include <string>
#include <vector>

#include "common/Prompter.h"
#include "list/ListRows.h"
#include "store/Store.h"

namespace folidex {

// Marks every row selected.
void SelectAllRows(ListRows& list);

// Asks 30027; Yes deletes every row and empties the duplicate table. True when cleared.
bool ClearList(ListRows& list, Prompter& prompter);

// Saves the list as `name` + ".list": 30041 for an empty name, 30045 above 100 bytes, the bad
// character + 30042, then the question name + 30040; 30043 when saved, 30044 when a list of
// that name exists (nothing is overwritten). Returns the SaveListFile result, 0 when the
// command stopped before saving.
int SaveListUnderName(const ListRows& list, Store& store, Prompter& prompter, const std::string& name);

// Loading needs a storage location; the open-file dialog starts in the list folder.
bool CanLoadList(const Store& store);
std::string ListFolderPath(const Store& store);  // native, not created

// After the user chose `fileName` (no folder) for loading: with rows in the list asks 30054
// (Yes append, No replace, Cancel stop), then loads the file of that name from the list
// folder. The rows are only cleared when that file is there to replace them. Returns the
// LoadListFile result, 0 when cancelled.
int LoadChosenList(ListRows& list, Store& store, Prompter& prompter, const std::string& fileName);

// The files a drag of the selected rows offers, in list order: each row's document as the
// "show PDF" command finds it (the store's copy of a copied document, the outside file of a
// linked one), only when it is a file that exists; a web link or a missing file gives nothing.
// Native paths, each once.
std::vector<std::string> SelectedDocumentFiles(Store& store, const ListRows& list);

// One row of the list-management dialog.
struct SavedListEntry {
  std::string number;    // running number from 1
  std::string name;      // without ".list"
  std::string count;     // CountListEntries with thousands separators; empty when it failed
  std::string created;   // "%Y.%m.%d %H:%M", empty when the file's status cannot be read
  std::string modified;  // the same for the last write
};
inline constexpr int kSavedListColumns = 5;
const std::string& SavedListColumnTitle(int column);
const std::string& SavedListCell(const SavedListEntry& entry, int column);

// The named lists of the list folder in the order the file system returns them, skipping
// "ListData.csv" and names not ending in exactly ".list".
std::vector<SavedListEntry> EnumerateSavedLists(Store& store, Prompter& prompter);

enum class ManageChoice { Rename, Delete, Cancel };
// Asks name + 30053; a delete is confirmed by name + 31161 (いいえ the default).
ManageChoice AskManageChoice(Prompter& prompter, const std::string& name);

// Deletes name + ".list" from the list folder; 30046 on failure.
bool DeleteSavedList(Store& store, Prompter& prompter, const std::string& name);

// The OK rules of the rename dialog. Keyword mode (listMode false): the text must be 1..100
// bytes (30035, 30045). List mode also refuses a bad character (30042) and an existing
// new + ".list" (30044), asks 30049 and renames the file (30050 on failure). True when the
// dialog may close with OK.
bool AcceptRenameName(Store& store, Prompter& prompter, bool listMode, const std::string& oldName,
                      const std::string& newName);

}  // namespace folidex
