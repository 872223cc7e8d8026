#pragma once
// The store: record files, PDF copies and the index file below DOCDATA in the user's storage
// location, the serial counter, and the per-user work folder. Paths handed out are CP932 (as the
// program shows and stores them); the file-system calls use their native form.

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "common/Prompter.h"
#include "common/Settings.h"
#include "store/Record.h"

namespace folidex {

inline constexpr std::string_view kKindText = "TXT";
inline constexpr std::string_view kKindPdf = "PDF";

struct FileCloser {
  void operator()(std::FILE* file) const {
    if (file) std::fclose(file);
  }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

// The availability of a record's document, and its path when it is reachable as a file.
struct DocumentLocation {
  std::string mark;  // kMarkAvailable or kMarkMissing
  std::string path;  // CP932; empty when not a reachable file
};

class Store {
 public:
  Store(Settings& settings, Prompter& prompter);

  // The storage location (CP932). An absolute path; anything else gives empty store paths.
  void SetLocation(std::string location);
  const std::string& Location() const { return location_; }

  // location/DOCDATA, or empty without a usable location.
  std::string StoreRoot() const;

  // The full path of a record's file of kind "TXT" or "PDF", creating missing folders on the
  // way; empty without a location or when a folder cannot be created.
  std::string StoreFilePath(std::string_view serial, std::string_view kind);
  // The same path without touching the file system (for loops that only read).
  std::string RecordFilePath(std::string_view serial, std::string_view kind) const;

  // The one working record that all record work goes through.
  IndexRecord& WorkingRecord() { return working_; }

  bool ReadRecordFile(std::string_view serial, bool stopAfterText);
  bool WriteRecordFile(std::string_view serial);
  bool LoadBodyText(const std::string& workTextPath);
  bool StoreDocumentFile(std::string_view kind, const std::string& sourcePath, std::string_view serial);
  // The PDF copy of `serial` from a file at a native path (which may have no CP932 form): 30018
  // when the copy fails.
  bool StorePdfCopy(const std::string& sourceNative, std::string_view serial);

  // The index file, open for reading and writing at offset 0 (created with one '1' per serial
  // handed out when missing); nothing after a message.
  UniqueFile OpenIndexFile();

  std::string ReadSerialCounter() const;
  void WriteSerialCounter(long next);

  // The serial after the highest one among the record files below `txtFolder` (CP932), or 0.
  static long ScanNextSerial(const std::string& txtFolder);

  // The per-user work folder (created mode 0700; a folder owned by someone else is refused).
  std::string WorkFolderPath();
  bool ResetWorkText();
  const std::string& WorkTextPath() const { return workTextPath_; }

  Settings& settings() { return settings_; }
  Prompter& prompter() { return prompter_; }

 private:
  Settings& settings_;
  Prompter& prompter_;
  std::string location_;
  bool locationUsable_ = false;
  IndexRecord working_;
  std::string workTextPath_;
};

// True for a serial number as the store names its files by: one or more decimal digits. A cell
// holding anything else (a hand-edited list file, say) never reaches a store path.
bool IsSerialText(std::string_view serial);

// The record file's bytes for `record`: seventeen lines "<TAG>value" ended by CR LF.
std::string FormatRecordFile(const IndexRecord& record);
// Fills `record` from record-file bytes (all fields emptied first).
void ParseRecordFile(std::string_view bytes, bool stopAfterText, IndexRecord& record);

// The availability mark and resolved path of a record's document.
DocumentLocation ResolveDocumentPath(Store& store, std::string_view serial, std::string_view ty, std::string_view fg);

}  // namespace folidex
