#include "dialogs/BodyTextEdit.h"

#include <unistd.h>
#include <algorithm>

#include "common/Cp932.h"
#include "common/FileSystem.h"
#include "common/Normalize.h"
#include "list/RecordRow.h"

namespace folidex {

bool LoadTextRecord(Store& store, Prompter& prompter, std::string_view serial) {
  if (!IsSerialText(serial)) {
    prompter.Error(Msg::FileOpenFailed, std::string(serial) + "\n");
    return false;
  }
  if (store.ReadRecordFile(serial, false)) return true;
  // The reader reports an oversize file and a lack of memory itself; a missing or unreadable
  // file is reported here.
  const NativePath path = store.RecordFilePath(serial, kKindText);
  if (path.empty()) return false;
  if (!IsFile(path) || access(path.c_str(), R_OK) != 0)
    prompter.Error(Msg::FileOpenFailed, FromNativePath(path) + "\n");
  return false;
}

std::optional<std::string> SaveBodyText(Store& store, Prompter& prompter, std::string_view serial,
                                        const std::string& shown) {
  if (!IsSerialText(serial)) {
    prompter.Error(Msg::FileOpenFailed, std::string(serial) + "\n");
    return std::nullopt;
  }
  std::string text = NormalizeBodyText(shown);
  std::string size = std::to_string(shown.size());
  PatchStatus status = store.PatchRecordFile(serial, {{FieldTag::TX, text}, {FieldTag::TS, size}});
  if (status != PatchStatus::Patched) {
    store.ReportPatchFailure(serial, status);
    return std::nullopt;
  }
  IndexRecord& working = store.WorkingRecord();
  working[FieldTag::TX] = std::move(text);
  working[FieldTag::TS] = size;
  return size;
}

void ShowTextSize(ListRows& list, std::string_view serial, const std::string& textSize) {
  const int row = list.FirstSelectedRow();
  if (row < 0 || list.Cell(row, ListColumn::SerialNo) != serial) return;
  list.SetCell(row, ListColumn::TextSize, GroupDigits(textSize));
}

DialogPlacement ReadTextDlgPlacement(const Settings& settings) {
  DialogPlacement placement;
  placement.x = std::max(0L, settings.GetInt(setting::TextDlgX));
  placement.y = std::max(0L, settings.GetInt(setting::TextDlgY));
  placement.width = std::max(kTextDlgMinWidth, settings.GetInt(setting::TextDlgWidth));
  placement.height = std::max(kTextDlgMinHeight, settings.GetInt(setting::TextDlgHeight));
  placement.maximised = settings.GetInt(setting::TextDlgZoomed) == 1;
  return placement;
}

void WriteTextDlgPlacement(Settings& settings, const DialogPlacement& placement) {
  settings.SetInt(setting::TextDlgZoomed, placement.maximised ? 1 : 0);
  settings.SetInt(setting::TextDlgX, std::max(0L, placement.x));
  settings.SetInt(setting::TextDlgY, std::max(0L, placement.y));
  settings.SetInt(setting::TextDlgWidth, placement.width);
  settings.SetInt(setting::TextDlgHeight, placement.height);
}

}  // namespace folidex
