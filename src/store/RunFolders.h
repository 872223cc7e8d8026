#pragma once
// The store folders that keep files for the user (BACKUP: record files before a change; TRASH:
// deleted records) hold one folder per run, named by the run's local time "YYYYMMDD-HHMMSS",
// with "-N" after it when another run of the same second took that name. Nothing here follows a
// symbolic link.

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace folidex {

class Store;

// "YYYYMMDD-HHMMSS" or "YYYYMMDD-HHMMSS-N".
bool IsRunFolderName(std::string_view name);

// DOCDATA/<keep> (native), or empty without a store.
std::string KeepFolder(const Store& store, std::string_view keep);

// A new, empty run folder below DOCDATA/<keep> for a run at `now`, making <keep> when missing.
// Empty when it cannot be made, or when <keep> is not a real folder.
std::string MakeRunFolder(const Store& store, std::string_view keep, std::time_t now);

// The run folders below DOCDATA/<keep> (native paths, oldest first): real folders only.
std::vector<std::string> RunFolders(const Store& store, std::string_view keep);

// The bytes of the regular files in the run folders.
std::uint64_t RunFoldersSize(const Store& store, std::string_view keep);

// Removes every run folder; false when one could not be removed (the others go all the same).
// `removed` counts the folders gone. Links inside are removed, never followed.
bool DropRunFolders(const Store& store, std::string_view keep, int& removed);

}  // namespace folidex
