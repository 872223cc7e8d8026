#include "common/Settings.h"

#include "common/ByteText.h"
#include "common/Cp932.h"

namespace folidex {

namespace setting {
SettingKey Goku(int index) {
  return {"Search", std::string("Goku").append(std::to_string(index)), SettingType::Text, 0, {}};
}
SettingKey ColumnWidth(int column) {
  return {"Column", std::string("W").append(std::to_string(column)), SettingType::Integer, 20, {}};
}
SettingKey BookmarkName(int slot) { return Text("BM_NAME", std::to_string(slot).c_str(), ""); }
SettingKey BookmarkUrl(int slot) { return Text("BM_URL", std::to_string(slot).c_str(), ""); }
}  // namespace setting

long Settings::GetInt(const SettingKey& key) const {
  auto stored = Read(key.section, key.name);
  if (!stored) return key.type == SettingType::Integer ? key.integerDefault : LeadingNumber(key.textDefault);
  return LeadingNumber(*stored);
}

std::string Settings::GetText(const SettingKey& key) const {
  auto stored = Read(key.section, key.name);
  if (stored) return *stored;
  return key.type == SettingType::Text ? Utf8ToCp932(key.textDefault) : std::to_string(key.integerDefault);
}

NativePath Settings::GetPath(const SettingKey& key) const {
  auto stored = ReadNative(key.section, key.name);
  if (stored) return NativePath(std::move(*stored));
  return NativePath(key.type == SettingType::Text ? key.textDefault : std::to_string(key.integerDefault));
}

void Settings::SetPath(const SettingKey& key, const NativePath& native) {
  WriteNative(key.section, key.name, native.str());
}

void Settings::SetInt(const SettingKey& key, long value) { WriteInteger(key.section, key.name, value); }

void Settings::SetText(const SettingKey& key, const std::string& cp932) { WriteText(key.section, key.name, cp932); }

std::string MemorySettings::Location() const { return Utf8ToCp932("(メモリ上の設定)"); }

bool MemorySettings::Has(const std::string& section, const std::string& name) const {
  return values_.count({section, name}) != 0;
}

std::optional<std::string> MemorySettings::Read(const std::string& section, const std::string& name) const {
  auto it = values_.find({section, name});
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

void MemorySettings::WriteInteger(const std::string& section, const std::string& name, long value) {
  values_[{section, name}] = std::to_string(value);
}

void MemorySettings::WriteText(const std::string& section, const std::string& name, const std::string& cp932) {
  values_[{section, name}] = cp932;
}

}  // namespace folidex
