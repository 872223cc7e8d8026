#pragma once
// The Settings port: values by section and name, integers or CP932 texts, with the defaults of
// the settings table. A missing value reads as its default; a text that holds a number is read
// as the number formed by its leading digits.

#include <map>
#include <optional>
#include <string>
#include <utility>

#include "common/PathText.h"
#include "common/SettingsTable.h"

namespace folidex {

class Settings {
 public:
  virtual ~Settings() = default;

  long GetInt(const SettingKey& key) const;
  std::string GetText(const SettingKey& key) const;  // CP932
  void SetInt(const SettingKey& key, long value);
  void SetText(const SettingKey& key, const std::string& cp932);
  // File-system paths (the storage location, the Word folder) are never CP932: they are read
  // and written as native bytes (UTF-8 here), so a folder name outside CP932 stays itself.
  NativePath GetPath(const SettingKey& key) const;
  void SetPath(const SettingKey& key, const NativePath& native);

  // Whether a value is stored for `key` (otherwise reads give its default).
  bool Stored(const SettingKey& key) const { return Read(key.section, key.name).has_value(); }

  // Where the values are kept, for messages that send the user there: the settings file's
  // path (CP932). Empty when there is nothing to name.
  virtual std::string Location() const { return {}; }

  // Writes every value to lasting storage now (the file flushed to disk). False when that
  // failed: a value written since may be lost when the program ends.
  virtual bool Sync() { return true; }

 protected:
  // The stored value as CP932 text (integers in decimal), or nothing when it is missing.
  virtual std::optional<std::string> Read(const std::string& section, const std::string& name) const = 0;
  virtual void WriteInteger(const std::string& section, const std::string& name, long value) = 0;
  virtual void WriteText(const std::string& section, const std::string& name, const std::string& cp932) = 0;
  // The stored value as native path bytes, or nothing when it is missing.
  virtual std::optional<std::string> ReadNative(const std::string& section, const std::string& name) const = 0;
  virtual void WriteNative(const std::string& section, const std::string& name, const std::string& native) = 0;
};

// Settings held in memory: for tests and for runs that must not touch the user's settings.
class MemorySettings : public Settings {
 public:
  bool Has(const std::string& section, const std::string& name) const;
  // Raw access for tests: the stored CP932 text.
  std::optional<std::string> Raw(const std::string& section, const std::string& name) const {
    return Read(section, name);
  }
  void SetRaw(const std::string& section, const std::string& name, const std::string& cp932) {
    WriteText(section, name, cp932);
  }
  void Clear() { values_.clear(); }
  std::string Location() const override;  // "(メモリ上の設定)": no file
  // Sync fails while this is set (tests of a settings file that cannot be saved).
  bool failSync = false;
  int syncs = 0;
  bool Sync() override {
    ++syncs;
    return !failSync;
  }

 protected:
  std::optional<std::string> Read(const std::string& section, const std::string& name) const override;
  void WriteInteger(const std::string& section, const std::string& name, long value) override;
  void WriteText(const std::string& section, const std::string& name, const std::string& cp932) override;
  // Held as the bytes they are, like every other value here.
  std::optional<std::string> ReadNative(const std::string& section, const std::string& name) const override {
    return Read(section, name);
  }
  void WriteNative(const std::string& section, const std::string& name, const std::string& native) override {
    WriteText(section, name, native);
  }

 private:
  std::map<std::pair<std::string, std::string>, std::string> values_;
};

}  // namespace folidex
