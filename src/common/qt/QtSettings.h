#pragma once
// The Settings port on QSettings("Orvane", "Folidex"): ~/.config/Orvane/Folidex.conf here (the
// registry key HKCU\Software\Orvane\Folidex on Windows), one group per section. Texts are kept
// as UTF-8 in the file and handed to the core as CP932; paths as native bytes. A hand-written value with a comma
// ("StorePath=/home/a, b") is the text it is, not a list.

#include <QSettings>
#include <QString>
#include <QVariant>
#include <memory>

#include "common/Settings.h"

namespace folidex {

class QtSettings : public Settings {
 public:
  // The user's own settings.
  QtSettings();
  // A settings file in the same INI format (the CLI's --settings FILE, tests).
  explicit QtSettings(const QString& iniFile);

  // The file written and flushed to disk; false when either failed.
  bool Sync() override;
  QString FileName() const;
  std::string Location() const override;  // the settings file's path

 protected:
  std::optional<std::string> Read(const std::string& section, const std::string& name) const override;
  void WriteInteger(const std::string& section, const std::string& name, long value) override;
  void WriteText(const std::string& section, const std::string& name, const std::string& cp932) override;
  std::optional<std::string> ReadNative(const std::string& section, const std::string& name) const override;
  void WriteNative(const std::string& section, const std::string& name, const std::string& native) override;

 private:
  std::optional<QString> ReadString(const std::string& section, const std::string& name) const;
  // The value of `name` in `section` exactly as the file's line holds it, without the spaces
  // around it; nothing when there is no such line.
  std::optional<QString> RawFileValue(const std::string& section, const std::string& name) const;

  // Sets `value` (whose text form is `text`) unless the file holds that text already.
  void Put(const std::string& section, const std::string& name, const QString& text, const QVariant& value);

  std::unique_ptr<QSettings> settings_;
};

}  // namespace folidex
