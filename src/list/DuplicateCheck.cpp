#include "list/DuplicateCheck.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <optional>
#include <string_view>
#include <unordered_map>

#include "common/ByteText.h"
#include "common/Cp932.h"
#include "list/RecordCommands.h"
#include "list/RecordRow.h"
#include "store/Digest.h"
#include "store/FileReadAhead.h"
#include "store/StoreLayout.h"

namespace folidex {
namespace {

constexpr std::size_t kFingerprintLength = 64;

// Shows "%d%%" in pane 120, but only when the figure changes: a long loop repaints once per
// percent instead of once per record.
class PercentPane {
 public:
  explicit PercentPane(Progress& progress) : progress_(progress) {}
  void Show(long percent) {
    if (percent == last_) return;
    last_ = percent;
    char text[32];
    std::snprintf(text, sizeof text, "%ld%%", percent);
    progress_.SetPaneText(StatusPane::Url, text);
    progress_.Repaint();
  }
  void Clear() {
    last_ = -1;
    progress_.SetPaneText(StatusPane::Url, std::string());
    progress_.Repaint();
  }

 private:
  Progress& progress_;
  long last_ = -1;
};

std::string GroupCountPrefix(int groups) { return std::to_string(groups) + Utf8ToCp932("件の"); }

}  // namespace

std::string RecordFingerprint(Store& store, std::string_view serial, FingerprintWriteBack* writeBack) {
  if (!IsSerialText(serial)) return {};
  try {
    if (!store.ReadRecordFile(serial, true)) return {};
    IndexRecord& record = store.WorkingRecord();
    if (record[FieldTag::Y2].size() == kFingerprintLength) return record[FieldTag::Y2];
    DocumentLocation location = ResolveDocumentPath(store, serial, record[FieldTag::TY], record[FieldTag::FG]);
    if (location.path.empty()) return {};
    std::string fingerprint = FileDigestHex(location.path);
    // Only the Y2 line changes; a file without a Y2 line stays as it is and the digest is used
    // without being stored.
    if (writeBack && !writeBack->tried) {
      writeBack->tried = true;
      writeBack->lock = store.LockForWriting();
    }
    if (writeBack && !writeBack->lock) return fingerprint;
    PatchStatus status = store.PatchRecordFile(serial, {{FieldTag::Y2, fingerprint}});
    if (status != PatchStatus::NoFieldLine) store.ReportPatchFailure(serial, status);
    return fingerprint;
  } catch (const std::bad_alloc&) {
    // This record takes no part; the check goes on with the others.
    store.prompter().Error(Msg::MemoryAllocFailed, FromNativePath(store.RecordFilePath(serial, kKindText)) + "\n");
    return {};
  }
}

DuplicateGrouping GroupFingerprints(const std::vector<std::string>& fingerprints, const std::vector<long>& serials,
                                    long hitMax, Progress& progress) {
  DuplicateGrouping result;
  const int m = static_cast<int>(fingerprints.size());
  // Every fingerprint's positions as a chain: next[i] is the following position with the same
  // fingerprint, and first[i] tells whether i is the fingerprint's first position. Comparing a
  // position with every later one would find exactly these chains.
  std::vector<int> next(m, -1);
  std::vector<char> first(m, 0);
  {
    std::unordered_map<std::string_view, std::pair<int, int>> chains;  // head, tail
    chains.reserve(static_cast<std::size_t>(m));
    for (int i = 0; i < m; ++i) {
      if (fingerprints[i].empty()) continue;
      auto [it, inserted] = chains.try_emplace(fingerprints[i], i, i);
      if (inserted) {
        first[i] = 1;
      } else {
        next[it->second.second] = i;
        it->second.second = i;
      }
    }
  }

  PercentPane pane(progress);
  std::vector<ListRows::DuplicateEntry> group;
  for (int h = 0; h < m; ++h) {
    if (fingerprints[h].empty()) continue;
    if (hitMax > 0 && static_cast<long>(result.entries.size()) >= hitMax) {
      result.stop = GroupingStop::HitMax;
      break;
    }
    if (first[h] && next[h] >= 0) {
      group.clear();
      for (int i = next[h]; i >= 0; i = next[i]) group.push_back({serials[i], result.groups});
      group.push_back({serials[h], result.groups});
      if (result.entries.size() + group.size() >= static_cast<std::size_t>(ListRows::kDuplicateDrawLimit)) {
        result.stop = GroupingStop::TableFull;
        break;
      }
      result.entries.insert(result.entries.end(), group.begin(), group.end());
      if (++result.groups == kDuplicateGroupLimit) {
        result.stop = GroupingStop::GroupLimit;
        break;
      }
    }
    pane.Show(50 + static_cast<long>(h) * 50 / m);
  }
  return result;
}

int ApplyGrouping(const DuplicateGrouping& grouping, ListRows& list, Prompter& prompter) {
  switch (grouping.stop) {
    case GroupingStop::HitMax:
      prompter.Information(Msg::DuplicateCheckStopped);
      break;
    case GroupingStop::GroupLimit:
    case GroupingStop::TableFull:
      prompter.Information(Msg::DuplicateGroupsExceeded);
      break;
    case GroupingStop::None:
      break;
  }
  list.ClearDuplicates();
  for (const ListRows::DuplicateEntry& entry : grouping.entries) list.AddDuplicate(entry.serial, entry.group);
  return grouping.groups;
}

int CheckListDuplicates(ListRows& list, Store& store, Prompter& prompter, Progress& progress) {
  PercentPane pane(progress);
  int groups = 0;
  try {
    const int m = list.RowCount();
    std::vector<std::string> fingerprints(m);
    std::vector<long> serials(m);
    FingerprintWriteBack writeBack;
    for (int r = 0; r < m; ++r) {
      const std::string& serial = list.Cell(r, ListColumn::SerialNo);
      serials[r] = LeadingNumber(serial);
      fingerprints[r] = RecordFingerprint(store, serial, &writeBack);
      pane.Show(static_cast<long>(r) * 50 / m);
    }
    DuplicateGrouping grouping = GroupFingerprints(fingerprints, serials, 0, progress);
    groups = ApplyGrouping(grouping, list, prompter);
  } catch (const std::bad_alloc&) {
    pane.Clear();
    prompter.Error(Msg::MemoryAllocFailed);
    return -1;
  }
  pane.Clear();
  if (groups > 0) prompter.Information(Msg::DuplicatesColoured, GroupCountPrefix(groups));
  return groups;
}

int FindStoreDuplicates(ListRows& table, Store& store, Prompter& prompter, Progress& progress) {
  std::optional<long> count = store.ReadSerialCount();
  if (!count) return -1;
  PercentPane pane(progress);
  int groups = 0;
  try {
    const long n = *count;
    const long hitMax = store.settings().GetInt(setting::HitMax);
    // Only the records that have a fingerprint take part in the grouping, so they alone are
    // kept: a counter far ahead of the records costs no memory per serial.
    std::vector<std::string> fingerprints;
    std::vector<long> serials;
    FingerprintWriteBack writeBack;
    // The record files are read one after another: hints keep the next ones coming in meanwhile.
    const std::string txtFolder = store.StoreRoot() + kPathSeparator + std::string(layout::kText) + kPathSeparator;
    FileReadAhead hints(static_cast<std::size_t>(std::max(0L, n)), [txtFolder](std::size_t k) {
      const std::string serial = FormatSerial(static_cast<long>(k));
      return txtFolder + serial.substr(serial.size() - 2) + kPathSeparator + serial + '.' + std::string(kKindText);
    });
    for (long i = 0; i < n; ++i) {
      hints.Reached(static_cast<std::size_t>(i));
      std::string fingerprint = RecordFingerprint(store, FormatSerial(i), &writeBack);
      if (!fingerprint.empty()) {
        fingerprints.push_back(std::move(fingerprint));
        serials.push_back(i);
      }
      pane.Show(i * 50 / n);
    }
    // A HitMax below 1 would stop at once; such a setting is taken as no limit.
    DuplicateGrouping grouping = GroupFingerprints(fingerprints, serials, hitMax > 0 ? hitMax : 0, progress);
    groups = ApplyGrouping(grouping, table, prompter);
  } catch (const std::bad_alloc&) {
    pane.Clear();
    prompter.Error(Msg::MemoryAllocFailed);
    return -1;
  }
  pane.Clear();
  return groups;
}

int CheckStoreDuplicates(ListRows& list, Store& store, Prompter& prompter, Progress& progress) {
  int groups = FindStoreDuplicates(list, store, prompter, progress);
  if (groups <= 0) return groups;
  if (prompter.AskYesNo(Msg::DuplicatesReplaceListQuestion, GroupCountPrefix(groups)) != Answer::Yes) {
    list.ClearDuplicates();
    return groups;
  }
  std::vector<ListRows::Row> rows(list.Duplicates().size());
  for (std::size_t k = 0; k < rows.size(); ++k) {
    rows[k].cells[ColumnIndex(ListColumn::No)] = std::to_string(k + 1);
    rows[k].cells[ColumnIndex(ListColumn::SerialNo)] = FormatSerial(list.Duplicates()[k].serial);
  }
  list.ReplaceRows(std::move(rows));
  RefreshList(list, store, progress);
  return groups;
}

void DuplicateCheckCommand(ListRows& list, Store& store, Prompter& prompter, Progress& progress) {
  Answer answer = prompter.AskYesNoCancel(Msg::DuplicateCheckScopeQuestion);
  if (answer != Answer::Yes && answer != Answer::No) return;
  int groups = 0;
  {
    WaitCursor wait(progress);
    groups = answer == Answer::Yes ? CheckListDuplicates(list, store, prompter, progress)
                                   : CheckStoreDuplicates(list, store, prompter, progress);
  }
  if (groups == 0) prompter.Information(Msg::NoDuplicates);
}

void ClearDuplicateCheck(ListRows& list) { list.ClearDuplicates(); }

}  // namespace folidex
