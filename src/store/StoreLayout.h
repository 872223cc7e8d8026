#pragma once
// The store's layout, in one place: every part that walks, checks or creates the store takes its
// names from here.
//
//   <location>/DOCDATA/
//     TXT/nn/ssssssss.TXT   record files (nn: the serial's last two digits)
//     PDF/nn/ssssssss.PDF   copies of the stored PDFs
//     LIST/                 saved lists and the current list ListData.csv
//     index                 one byte per serial: '0' known to be gone
//     counter               the next free serial, eight digits
//     .lock                 the writer's lock (StoreLock)
//     BACKUP/<run>/         record files as they were before retext changed them
//     TRASH/<run>/          records and copies deleted from the store (restore puts them back)
//     LOG/inbox.log         what the inbox took, passed over or could not store
//     LOG/                  kept for the store's own later use
//   BACKUP, TRASH and LOG are never cleaned: only the user empties them. <run> is
//   YYYYMMDD-HHMMSS[-N] (store/RunFolders.h).
//
// Every folder of the store is a real folder: a writer refuses one that is a symbolic link.

#include <array>
#include <string_view>

namespace folidex::layout {

inline constexpr std::string_view kRoot = "DOCDATA";
inline constexpr std::string_view kText = "TXT";
inline constexpr std::string_view kPdf = "PDF";
inline constexpr std::string_view kList = "LIST";
inline constexpr std::string_view kIndex = "index";
inline constexpr std::string_view kCounter = "counter";
inline constexpr std::string_view kLock = ".lock";
inline constexpr std::string_view kBackup = "BACKUP";
inline constexpr std::string_view kTrash = "TRASH";
inline constexpr std::string_view kLog = "LOG";
// The inbox's log in LOG, and the name it is set aside under when it has grown.
inline constexpr std::string_view kInboxLog = "inbox.log";
inline constexpr std::string_view kInboxLogOld = "inbox.log.1";

// TXT and PDF hold the hundred sub-folders 00..99.
inline constexpr int kSubFolders = 100;

// The folders directly below DOCDATA.
inline constexpr std::array<std::string_view, 6> kFolders = {kText, kPdf, kList, kBackup, kTrash, kLog};

// Whether the clean-up of stale temporary files may look into a folder of this name (below
// DOCDATA; TXT and PDF mean their sub-folders): never BACKUP, TRASH or LOG.
constexpr bool IsCleanedFolder(std::string_view folder) { return folder == kText || folder == kPdf || folder == kList; }

// The eight digits of the counter file.
inline constexpr int kCounterDigits = 8;

}  // namespace folidex::layout
